#include "common/platform/Clock.h"

#include "common/platform/DateTimeDays.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace qz {

namespace {

SystemClock& systemClock()
{
    static SystemClock instance;
    return instance;
}

// Set before the workers start and read by them, hence atomic.
std::atomic<Clock*> g_clock{nullptr};

} // namespace

double Clock::now() const
{
    return dateTimeToDays(nowDateTime());
}

QDateTime SystemClock::nowDateTime() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::wait(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TestClock::TestClock(const QDateTime& start) : m_now(start) {}

void TestClock::wait(int ms)
{
    m_waits.append(ms);
    if (ms > 0)
        advance(ms);
}

Clock& appClock()
{
    Clock* c = g_clock.load();
    return c ? *c : systemClock();
}

void setAppClock(Clock* c)
{
    g_clock.store(c);
}

ScopedClock::ScopedClock(Clock& c) : m_previous(g_clock.load())
{
    setAppClock(&c);
}

ScopedClock::~ScopedClock()
{
    setAppClock(m_previous);
}

} // namespace qz
