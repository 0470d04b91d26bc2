#pragma once

#include <QDateTime>
#include <QList>

namespace qz {

// The program's time: the current local date-time and the blocking waits (1000 ms at the
// end of the start-up, 200 ms when a progress bar is full, the pauses of the instrument
// exchanges). Code asks the process-wide appClock() rather than the system, so that tests can
// set the time and have every wait return at once.
class Clock {
public:
    virtual ~Clock() = default;

    // The current local date-time.
    virtual QDateTime nowDateTime() const = 0;
    // The same as days since 1899-12-30, the time of day as the fraction, to the millisecond.
    double now() const;

    // Blocks the calling thread for ms milliseconds; zero or less returns at once.
    virtual void wait(int ms) = 0;
};

// The real clock. Its wait is a plain sleep that does not run the event loop: timers and
// window messages wait until it is over, which is what the callers rely on (a timer handler
// that waits cannot be re-entered by its own timer, and nothing else talks to the link
// meanwhile).
class SystemClock final : public Clock {
public:
    QDateTime nowDateTime() const override;
    void wait(int ms) override;
};

// A clock for tests: the time is what the test set, and a wait returns at once, records its
// length and moves the time on by it, so that code which waits and then looks at the time
// sees the time it expects.
class TestClock final : public Clock {
public:
    explicit TestClock(const QDateTime& start = QDateTime(QDate(2024, 1, 1), QTime(12, 0)));

    QDateTime nowDateTime() const override { return m_now; }
    void wait(int ms) override;

    void setNow(const QDateTime& now) { m_now = now; }
    void advance(qint64 ms) { m_now = m_now.addMSecs(ms); }

    // Every wait asked for, in order (zero and negative ones included).
    const QList<int>& waits() const { return m_waits; }
    void clearWaits() { m_waits.clear(); }

private:
    QDateTime m_now;
    QList<int> m_waits;
};

// The process-wide clock: a SystemClock unless a test set another one.
Clock& appClock();
// Sets the process-wide clock; nullptr returns to the system clock. The caller keeps
// ownership and must reset it before the clock goes away (ScopedClock does that).
void setAppClock(Clock* clock);

// Installs a clock for the life of a scope, restoring the one before.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* m_previous;
};

} // namespace qz
