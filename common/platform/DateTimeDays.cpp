#include "common/platform/DateTimeDays.h"

#include <cmath>

namespace qz {

namespace {
const QDate kDayZero(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;
} // namespace

WallClock daysToWallClock(double days)
{
    const qint64 ms = static_cast<qint64>(std::llround(days * double(kMsPerDay)));
    // Floor division, so that times before day 0 still get a time of day in 0..24h.
    qint64 day = ms / kMsPerDay;
    qint64 rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --day;
    }
    return {kDayZero.addDays(day), QTime::fromMSecsSinceStartOfDay(int(rest))};
}

QDateTime daysToDateTime(double days)
{
    const WallClock wall = daysToWallClock(days);
    QDateTime local(wall.date, wall.time);
    if (!local.isValid())
        return QDateTime(wall.date, wall.time, Qt::UTC);
    return local;
}

double dateTimeToDays(const QDateTime& dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    const qint64 day = kDayZero.daysTo(local.date());
    const qint64 ms = local.time().msecsSinceStartOfDay();
    return double(day) + double(ms) / double(kMsPerDay);
}

} // namespace qz
