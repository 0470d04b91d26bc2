#include "common/platform/Clock.h"

#include "common/platform/DateTimeDays.h"

#include <QElapsedTimer>

#include <limits>

#include <gtest/gtest.h>

using qz::TestClock;

TEST(Clock, TestClockGivesTheTimeTheTestSets)
{
    TestClock clock(QDateTime(QDate(1999, 1, 1), QTime(0, 0)));
    EXPECT_DOUBLE_EQ(clock.now(), qz::kDay1999);
    clock.advance(90 * 60 * 1000);
    EXPECT_DOUBLE_EQ(clock.now(), qz::kDay1999 + 90.0 / (24 * 60));
    EXPECT_EQ(clock.nowDateTime(), QDateTime(QDate(1999, 1, 1), QTime(1, 30)));
    clock.setNow(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 500)));
    EXPECT_EQ(qz::daysToDateTime(clock.now()), clock.nowDateTime());
}

TEST(Clock, TestClockWaitsReturnAtOnceAndAreRecorded)
{
    TestClock clock(QDateTime(QDate(2024, 1, 1), QTime(12, 0)));
    QElapsedTimer real;
    real.start();
    // The program's own waits; an hour in total, so a clock that really slept would show.
    for (const int ms : {1000, 200, 3600 * 1000 - 1200, 0, -5})
        clock.wait(ms);
    EXPECT_LT(real.elapsed(), 1000);
    EXPECT_EQ(clock.waits(), (QList<int>{1000, 200, 3600 * 1000 - 1200, 0, -5}));
    // The waits let the test time pass, negative ones do not turn it back.
    EXPECT_EQ(clock.nowDateTime(), QDateTime(QDate(2024, 1, 1), QTime(13, 0)));
    clock.clearWaits();
    EXPECT_TRUE(clock.waits().isEmpty());
}

TEST(Clock, ProcessWideClockIsTheSystemClockUnlessReplaced)
{
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime seen = qz::appClock().nowDateTime();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_LE(before, seen);
    EXPECT_LE(seen, after);

    TestClock outer(QDateTime(QDate(2001, 5, 6), QTime(7, 8)));
    {
        qz::ScopedClock useOuter(outer);
        EXPECT_EQ(qz::appClock().nowDateTime(), outer.nowDateTime());
        TestClock inner(QDateTime(QDate(2010, 1, 1), QTime(0, 0)));
        {
            qz::ScopedClock useInner(inner);
            qz::appClock().wait(1000);
            EXPECT_EQ(inner.waits(), QList<int>{1000});
        }
        EXPECT_EQ(&qz::appClock(), &outer);
        EXPECT_TRUE(outer.waits().isEmpty());
    }
    EXPECT_NE(dynamic_cast<qz::SystemClock*>(&qz::appClock()), nullptr);
}

TEST(Clock, SystemClockIgnoresWaitsOfNoLength)
{
    qz::SystemClock clock;
    QElapsedTimer real;
    real.start();
    clock.wait(0);
    clock.wait(-1000);
    clock.wait(std::numeric_limits<int>::min());
    EXPECT_LT(real.elapsed(), 500);
}
