#include "sim/SimClock.h"

namespace qz::sim {

namespace {
const QDate kEpoch(1999, 1, 1);
constexpr qint64 kMsPerDay = 86400000;
} // namespace

SimClock::SimClock() : m_fixed(defaultStart()) {}

QDateTime SimClock::defaultStart()
{
    return QDateTime(QDate(2025, 6, 2), QTime(9, 0));
}

QDateTime SimClock::now() const
{
    return m_followsSystem ? QDateTime::currentDateTime() : m_fixed;
}

void SimClock::setNow(const QDateTime& now)
{
    m_fixed = now.toLocalTime();
    m_followsSystem = false;
}

void SimClock::advance(qint64 ms)
{
    // Calendar arithmetic, like the instruments: a day is always 24 hours.
    m_fixed = fromDeviceEpochMs(deviceEpochMs(m_fixed) + ms);
}

qint64 deviceEpochMs(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    return kEpoch.daysTo(local.date()) * kMsPerDay + local.time().msecsSinceStartOfDay();
}

QDateTime fromDeviceEpochMs(qint64 ms)
{
    const qint64 day = floorDiv(ms, kMsPerDay);
    const qint64 rest = ms - day * kMsPerDay;
    return QDateTime(kEpoch.addDays(day), QTime::fromMSecsSinceStartOfDay(int(rest)));
}

} // namespace qz::sim
