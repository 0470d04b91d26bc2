#include "common/platform/DateTimeDays.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace qz;

TEST(DateTimeDays, WholeMinutesNeverShowAMinuteEarly)
{
    // 1999-01-01 plus n minutes: the fraction of n / 1440 is never exact in binary.
    for (int n : {1, 7, 59, 61, 1439, 1441, 525600, 9999999}) {
        const QDateTime t = daysToDateTime(kDay1999 + n / 1440.0);
        EXPECT_EQ(t, QDateTime(QDate(1999, 1, 1), QTime(0, 0)).addSecs(qint64(n) * 60)) << n;
    }
    EXPECT_EQ(dateTimeToDays(QDateTime(QDate(1999, 1, 2), QTime(12, 0))), kDay1999 + 1.5);
}

TEST(DateTimeDays, TimeInTheSkippedSummerHourKeepsItsWallClock)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    // 2021-03-28 02:30 does not exist in Berlin; the instrument counted it all the same.
    const double days = dateTimeToDays(QDateTime(QDate(2021, 3, 28), QTime(0, 0))) + 2.5 / 24;
    const QDateTime t = daysToDateTime(days);
    EXPECT_TRUE(t.isValid());
    EXPECT_EQ(t.date(), QDate(2021, 3, 28));
    EXPECT_EQ(t.time(), QTime(2, 30));
    const WallClock wall = daysToWallClock(days);
    EXPECT_EQ(wall.time, QTime(2, 30));
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
}
