#pragma once

#include <QDateTime>

namespace qz {

// Date-times in the domain code are doubles counting days since 1899-12-30 00:00, the time
// of day as the fraction (1999-01-01 is day 36161). They are local times.
constexpr double kDay1999 = 36161.0;

// The date and the time of day a day count stands for, as a wall clock shows them, rounded
// to the millisecond first, so that a count of whole minutes never shows as one minute early
// through the error of the fraction.
struct WallClock {
    QDate date;
    QTime time;
};
WallClock daysToWallClock(double days);

// The local date-time of a day count (see daysToWallClock). Instruments know no daylight
// saving: a time in the hour that the change to summer time skips does not exist locally,
// and comes back as a UTC date-time, so that its date and time still read as counted.
QDateTime daysToDateTime(double days);

// The day count of a local date-time, to the millisecond.
double dateTimeToDays(const QDateTime& dateTime);

} // namespace qz
