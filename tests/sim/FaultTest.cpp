#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace qz::sim;
using namespace qz::sim::test;

namespace {

SimInstrument instrumentWith(std::vector<Fault> faults)
{
    SimInstrument s(Family::GNBasic, "QZ5520GN", 1234);
    s.setWord(0x91, 0x1234);
    s.faults = std::move(faults);
    return s;
}

Fault fault(FaultKind kind, int reg = -1, int skip = 0, int times = -1, int value = -1)
{
    Fault f;
    f.kind = kind;
    f.reg = reg;
    f.skip = skip;
    f.times = times;
    f.value = value;
    return f;
}

const QByteArray kRead91 = hexBytes("83 00 05 B1 91");

struct FaultCase {
    const char* name;
    Fault fault;
    const char* answer; // to a read of 0x91; nullptr: transfer false
};

const FaultCase kCases[] = {
    {"no answer", fault(FaultKind::NoAnswer), nullptr},
    {"status 0x90 on a word read", fault(FaultKind::WrongStatus, -1, 0, -1, 0x90),
     "90 00 08 72 00 05 34 12"},
    {"wrong status, default", fault(FaultKind::WrongStatus), "80 00 08 72 00 05 34 12"},
    {"short answer, default", fault(FaultKind::ShortAnswer), "A0 00 08 72 00 05 34"},
    {"short answer by 5", fault(FaultKind::ShortAnswer, -1, 0, -1, 5), "A0 00 08"},
    {"wrong length byte, default", fault(FaultKind::WrongLength), "A0 00 09 72 00 05 34 12"},
    {"wrong length byte 0x16", fault(FaultKind::WrongLength, -1, 0, -1, 0x16),
     "A0 00 16 72 00 05 34 12"},
    {"a fault on another register", fault(FaultKind::NoAnswer, 0xD3), "A0 00 08 72 00 05 34 12"},
    {"a fault on this register", fault(FaultKind::NoAnswer, 0x91), nullptr},
};

} // namespace

TEST(Faults, EachKindChangesTheAnswerAsConfigured)
{
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SimulatedLink link;
        connectTo(link, instrumentWith({c.fault}));
        const auto answer = exchange(link, kRead91);
        if (!c.answer) {
            EXPECT_FALSE(answer.has_value());
        } else {
            ASSERT_TRUE(answer.has_value());
            EXPECT_EQ(hexText(*answer), hexText(hexBytes(c.answer)));
        }
    }
}

TEST(Faults, SkipAndTimesChooseTheExchangesStruck)
{
    SimulatedLink link;
    connectTo(link, instrumentWith({fault(FaultKind::NoAnswer, 0x91, 1, 2)}));
    std::vector<bool> answered;
    for (int i = 0; i < 5; ++i) {
        answered.push_back(exchange(link, kRead91).has_value());
        // Requests for other registers neither count nor get struck.
        EXPECT_TRUE(exchange(link, hexBytes("83 00 05 B1 D3")).has_value());
    }
    EXPECT_EQ(answered, (std::vector<bool>{true, false, false, true, true}));
}

TEST(Faults, LostRequestChangesNothingAGarbledAnswerHidesAChange)
{
    SimulatedLink link;
    SimInstrument& s = connectTo(link, instrumentWith({fault(FaultKind::NoAnswer, -1, 0, 1),
                                                       fault(FaultKind::WrongStatus, -1, 1, 1)}));
    const QByteArray write = hexBytes("82 00 0A B1 91 72 00 05 78 56");
    EXPECT_FALSE(exchange(link, write, 20, 3));
    EXPECT_EQ(s.word(0x91), 0x1234);
    EXPECT_EQ(hexText(exchange(link, write, 20, 3).value_or(QByteArray())), "80 00 03");
    EXPECT_EQ(s.word(0x91), 0x5678);
}

TEST(Faults, InstrumentLeavesRangeAfterNExchanges)
{
    SimulatedLink link;
    SimInstrument leaving = instrumentWith({});
    leaving.leavesRangeAfter = 2;
    link.addInstrument(std::move(leaving));
    link.addInstrument(SimInstrument(Family::K, "QZ6610K", 5));
    ASSERT_TRUE(link.InitIrDAEx());
    QStringList names;
    ASSERT_TRUE(link.FindDeviceEx(names));
    EXPECT_EQ(names, QStringList({"QZ5520GN#1234", "QZ6610K#5"}));
    ASSERT_TRUE(link.ConnectDevIrDAEx(0));

    EXPECT_TRUE(exchange(link, kRead91));
    EXPECT_TRUE(exchange(link, kRead91));
    EXPECT_FALSE(exchange(link, kRead91));
    EXPECT_FALSE(link.instrument(0).inRange);

    ASSERT_TRUE(link.FindDeviceEx(names));
    EXPECT_EQ(names, QStringList({"QZ6610K#5"}));
    // Index 0 of the new list is the K instrument.
    ASSERT_TRUE(link.ConnectDevIrDAEx(0));
    EXPECT_TRUE(exchange(link, hexBytes("83 00 05 B1 98")));
}

TEST(Faults, InitFailureSwitch)
{
    SimulatedLink link;
    link.addInstrument(instrumentWith({}));
    link.setInitFails(true);
    EXPECT_FALSE(link.InitIrDAEx());
    QStringList names{"stale"};
    EXPECT_FALSE(link.FindDeviceEx(names));
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(link.ConnectDevIrDAEx(0));

    link.setInitFails(false);
    EXPECT_TRUE(link.InitIrDAEx());
    EXPECT_TRUE(link.FindDeviceEx(names));
}
