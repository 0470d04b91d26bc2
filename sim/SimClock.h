#pragma once

#include <QDateTime>

namespace qz::sim {

// The time the simulated instruments live in. By default it stands still at a fixed local
// time and moves only when a test advances it, so that clock reads are repeatable; a demo
// scenario can make it follow the computer's clock instead.
class SimClock {
public:
    SimClock();

    QDateTime now() const;

    // Fixes the time (and stops following the computer's clock).
    void setNow(const QDateTime& now);
    // Moves a fixed time on; no effect while following the computer's clock.
    void advance(qint64 ms);
    void setFollowsSystem(bool follows) { m_followsSystem = follows; }
    bool followsSystem() const { return m_followsSystem; }

    static QDateTime defaultStart();

private:
    QDateTime m_fixed;
    bool m_followsSystem = false;
};

// Milliseconds from 1999-01-01 00:00 to the local date and time of t, counted on the
// calendar (as the instruments count; no daylight-saving jumps), and back.
qint64 deviceEpochMs(const QDateTime& t);
QDateTime fromDeviceEpochMs(qint64 ms);

// Division rounding towards minus infinity, so that times before 1999 still count down.
inline qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace qz::sim
