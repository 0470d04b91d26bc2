#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace qz::sim;
using namespace qz::sim::test;

namespace {

// Instruments with values that differ from the defaults, so that an answer taken from the
// wrong place shows.
SimInstrument mBasic()
{
    SimInstrument s(Family::MBasic, "QZ5520M", 77, "QZ5520M n: 77");
    s.setWord(0x91, 0x1234);
    s.setWord(0xD3, 0x0220);
    s.setMemoryWord(52, 0x2007);
    s.setMemoryWord(53, 0xBEEF);
    s.versionText = "#V.2.01 qz5520";
    return s;
}

SimInstrument gnPager()
{
    SimInstrument s(Family::GNExtended, "5520GNO", 1234, "QZ_Pager_GN");
    s.nameText = "QZ_pager_GN";
    s.setWord(0xC9, 0x03E8);
    return s;
}

SimInstrument kInstrument()
{
    SimInstrument s(Family::K, "QZ6610K", 5, "QZ6610K#5");
    s.setWord(0x98, 0x0078);
    s.setLong(0xDC, 0x00008816); // 300.0 as a device float
    s.settingsBlock = QByteArray(53, '\0');
    for (int i = 0; i < 53; ++i)
        s.settingsBlock[i] = char(i);
    return s;
}

// An instrument that answers every history request with the same part, as a test of a
// reader's limit on continuations needs.
SimInstrument endlessHistory()
{
    SimInstrument s = mBasic();
    s.rawAnswers[0x40] = QByteArray::fromHex("9000087200050102");
    return s;
}

struct Step {
    const char* request;
    const char* answer; // nullptr: no answer, the transfer fails
    int capacity = 20;
    int expected = 8;
};

struct FrameCase {
    const char* name;
    SimInstrument (*make)();
    std::vector<Step> steps;
};

const char* const kBlock59 = "A0 00 3B 72 00 38 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 "
                             "11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 "
                             "28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34";

const FrameCase kCases[] = {
    {"word read and write back",
     mBasic,
     {{"83 00 05 B1 91", "A0 00 08 72 00 05 34 12"},
      {"82 00 0A B1 91 72 00 05 78 56", "A0 00 03"},
      {"83 00 05 B1 91", "A0 00 08 72 00 05 78 56"}}},
    {"flag word keeps what was written, unit bit included",
     mBasic,
     {{"83 00 05 B1 D3", "A0 00 08 72 00 05 20 02"},
      {"82 00 0A B1 D3 72 00 05 00 06", "A0 00 03"},
      {"83 00 05 B1 D3", "A0 00 08 72 00 05 00 06"}}},
    {"memory window: address, read, write without a new address, read",
     mBasic,
     {{"82 00 0A B1 00 72 00 05 34 00", "A0 00 03"},
      {"83 00 05 B1 9C", "A0 00 08 72 00 05 07 20"},
      {"82 00 0A B1 9C 72 00 05 AA 55", "A0 00 03"},
      {"83 00 05 B1 9C", "A0 00 08 72 00 05 AA 55"},
      {"82 00 0A B1 00 72 00 05 35 00", "A0 00 03"},
      {"83 00 05 B1 9C", "A0 00 08 72 00 05 EF BE"}}},
    {"version text only after its selection",
     mBasic,
     {{"83 00 05 B1 80", nullptr, 25, 22},
      {"82 00 0A B1 82 F2 00 C0 10 00", "A0 00 03", 20, 3},
      {"83 00 05 B1 80", "A0 00 16 72 00 13 23 56 2E 32 2E 30 31 20 71 7A 35 35 32 30 00 00", 25,
       22}}},
    {"another selection hides the version text",
     mBasic,
     {{"82 00 0A B1 82 F2 00 C0 10 01", "A0 00 03", 20, 3}, {"83 00 05 B1 80", nullptr, 25, 22}}},
    {"commands",
     mBasic,
     {{"82 00 05 B1 42", "A0 00 03", 20, 3},
      {"82 00 05 B1 D0", "A0 00 03", 20, 3},
      {"82 00 05 B1 91", nullptr, 20, 3}}},
    {"registers of other families and identity of a classic instrument go unanswered",
     mBasic,
     {{"83 00 05 B1 98", nullptr},
      {"83 00 05 B1 11", nullptr},
      {"83 00 05 B1 D7", nullptr, 50, 20},
      {"83 00 05 B1 01", nullptr, 30, 20}}},
    {"malformed frames go unanswered",
     mBasic,
     {{"83 00 05 B2 91", nullptr},                       // not addressed with B1
      {"83 01 05 B1 91", nullptr},                       // byte 1 not zero
      {"83 00 0A B1 91", nullptr},                       // length byte differs from what was sent
      {"84 00 05 B1 91", nullptr},                       // no such operation
      {"83 00 05 B1", nullptr},                          // too short
      {"82 00 0A B1 91 F2 01 02 03 04", nullptr, 20, 3}, // long written to a word register
      {"82 00 0A B1 D5 72 00 05 01 02", nullptr, 20, 3}, // word written to the clock
      {"82 00 0A B1 91 72 00 04 01 02", nullptr, 20, 3}, // count not 00 05
      {"83 00 03 B1 91", nullptr}}},                     // short length byte only for history
    {"pager-type identity texts",
     gnPager,
     {{"83 00 05 B1 D7", "A0 00 11 72 00 0E 51 5A 5F 70 61 67 65 72 5F 47 4E", 50, 20},
      {"83 00 05 B1 D8", "A0 00 0D 72 00 0A 35 35 32 30 47 4E 4F", 50, 20},
      {"83 00 05 B1 01", "A0 00 0A 72 00 07 31 32 33 34", 30, 20},
      {"83 00 05 B1 C9", "A0 00 08 72 00 05 E8 03"}}},
    {"an answer is cut to the capacity",
     gnPager,
     {{"83 00 05 B1 D7", "A0 00 11 72 00 0E 51 5A 5F 70", 10, 20}}},
    {"K registers",
     kInstrument,
     {{"83 00 05 B1 98", "A0 00 08 72 00 05 78 00"},
      {"82 00 0A B1 98 72 00 05 2C 01", "A0 00 03", 20, 3},
      {"83 00 05 B1 98", "A0 00 08 72 00 05 2C 01"},
      {"83 00 05 B1 DC", "A0 00 08 F2 16 88 00 00"},
      {"82 00 0A B1 DC F2 40 80 00 00", "A0 00 03", 20, 3},
      {"83 00 05 B1 DC", "A0 00 08 F2 40 80 00 00"},
      {"82 00 0A B1 99 72 00 05 01 00", "A0 00 03", 20, 3},
      {"82 00 05 B1 42", "A0 00 03", 20, 3},
      {"82 00 05 B1 D0", "A0 00 03", 20, 3}}},
    {"K has no memory window, version or minutes clock",
     kInstrument,
     {{"82 00 0A B1 00 72 00 05 34 00", nullptr, 20, 3},
      {"83 00 05 B1 9C", nullptr},
      {"82 00 0A B1 82 F2 00 C0 10 00", nullptr, 20, 3},
      {"83 00 05 B1 D5", nullptr}}},
    {"raw answers replace the history parts",
     endlessHistory,
     {{"83 00 05 B1 40", "90 00 08 72 00 05 01 02", 200, 64},
      {"83 00 03 B1 40", "90 00 08 72 00 05 01 02", 200, 64},
      {"83 00 03 B1 40", "90 00 08 72 00 05 01 02", 200, 64},
      {"83 00 04 B1 40", nullptr, 200, 64}}},
    {"K settings block read", kInstrument, {{"83 00 05 B1 D1", kBlock59, 70, 59}}},
};

} // namespace

TEST(FrameAnswers, RequestsAnswerAsTheInstrumentsDo)
{
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SimulatedLink link;
        connectTo(link, c.make());
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SCOPED_TRACE(step.request);
            const auto answer =
                exchange(link, hexBytes(step.request), step.capacity, step.expected);
            if (!step.answer) {
                EXPECT_FALSE(answer.has_value()) << hexText(*answer);
                continue;
            }
            ASSERT_TRUE(answer.has_value());
            EXPECT_EQ(hexText(*answer), hexText(hexBytes(step.answer)));
        }
    }
}

TEST(FrameAnswers, SettingsBlockWriteChangesTheFirst51Bytes)
{
    SimulatedLink link;
    SimInstrument& k = connectTo(link, kInstrument());
    QByteArray frame = hexBytes("82 00 3B B1 D1 72 00 36");
    const QByteArray written(51, char(0xEE));
    ASSERT_EQ(hexText(exchange(link, frame + written, 70, 3).value_or("none")), "A0 00 03");

    const QByteArray read =
        exchange(link, hexBytes("83 00 05 B1 D1"), 70, 59).value_or(QByteArray());
    ASSERT_EQ(read.size(), 59);
    EXPECT_EQ(read.mid(6, 51), written);
    // The last two block bytes lie beyond the write frame and keep their values.
    EXPECT_EQ(uint8_t(read[57]), 51);
    EXPECT_EQ(uint8_t(read[58]), 52);
    EXPECT_EQ(k.settingsBlock.left(51), written);

    // A frame with another length field is not a block write.
    frame[7] = 0x35;
    EXPECT_FALSE(exchange(link, frame + written, 70, 3));
}

TEST(FrameAnswers, OlderSettingsBlockAnswers56BytesAndDropsThe51stByte)
{
    SimulatedLink link;
    SimInstrument k = kInstrument();
    k.settingsBlock = QByteArray(50, '\x11');
    SimInstrument& added = connectTo(link, std::move(k));
    const QByteArray read =
        exchange(link, hexBytes("83 00 05 B1 D1"), 70, 59).value_or(QByteArray());
    ASSERT_EQ(read.size(), 56);
    EXPECT_EQ(hexText(read.left(6)), "A0 00 38 72 00 35");

    QByteArray written(51, '\x22');
    written[50] = '\x33';
    ASSERT_TRUE(exchange(link, hexBytes("82 00 3B B1 D1 72 00 36") + written, 70, 3));
    EXPECT_EQ(added.settingsBlock, QByteArray(50, '\x22'));
}

TEST(FrameAnswers, MinutesClockFollowsTheSimulationClock)
{
    SimulatedLink link;
    link.clock().setNow(QDateTime(QDate(1999, 1, 2), QTime(0, 1, 30)));
    connectTo(link, mBasic());
    // 1441 minutes = 0x05A1; the half minute does not count yet.
    EXPECT_EQ(hexText(exchange(link, hexBytes("83 00 05 B1 D5")).value_or(QByteArray())),
              "A0 00 08 F2 A1 05 00 00");
    link.clock().advance(30 * 1000);
    EXPECT_EQ(hexText(exchange(link, hexBytes("83 00 05 B1 D5")).value_or(QByteArray())),
              "A0 00 08 F2 A2 05 00 00");

    // 2025-06-02 09:00 as a minutes count, written and read back, then run on an hour.
    const uint32_t n = uint32_t(QDate(1999, 1, 1).daysTo(QDate(2025, 6, 2)) * 1440 + 540);
    QByteArray write = hexBytes("82 00 0A B1 D5 F2");
    for (int i = 0; i < 4; ++i)
        write.append(char((n >> (8 * i)) & 0xFF));
    ASSERT_TRUE(exchange(link, write, 20, 3));
    EXPECT_EQ(link.instrumentClock(0), QDateTime(QDate(2025, 6, 2), QTime(9, 0)));
    EXPECT_EQ(exchange(link, hexBytes("83 00 05 B1 D5")).value_or(QByteArray()).mid(4),
              write.mid(6));
    link.clock().advance(3600 * 1000);
    EXPECT_EQ(link.instrumentClock(0), QDateTime(QDate(2025, 6, 2), QTime(10, 0)));
}

TEST(FrameAnswers, SecondsClockOfK)
{
    SimulatedLink link;
    link.clock().setNow(QDateTime(QDate(2020, 5, 5), QTime(12, 0)));
    connectTo(link, kInstrument());
    link.setInstrumentClock(0, QDateTime(QDate(1999, 1, 2), QTime(0, 0, 1)));
    EXPECT_EQ(hexText(exchange(link, hexBytes("83 00 05 B1 11")).value_or(QByteArray())),
              "A0 00 08 F2 81 51 01 00"); // 86401 seconds
    ASSERT_TRUE(exchange(link, hexBytes("82 00 0A B1 11 F2 00 00 00 00"), 20, 3));
    EXPECT_EQ(link.instrumentClock(0), QDateTime(QDate(1999, 1, 1), QTime(0, 0)));
    link.clock().advance(2500);
    EXPECT_EQ(hexText(exchange(link, hexBytes("83 00 05 B1 11")).value_or(QByteArray())),
              "A0 00 08 F2 02 00 00 00");
}

TEST(FrameAnswers, CommandsAreCountedAndClearHistoryErases)
{
    SimulatedLink link;
    SimInstrument& m = connectTo(link, mBasic());
    m.history = QByteArray(16, 'x');
    ASSERT_TRUE(exchange(link, hexBytes("82 00 05 B1 42"), 20, 3));
    ASSERT_TRUE(exchange(link, hexBytes("82 00 05 B1 D0"), 20, 3));
    ASSERT_TRUE(exchange(link, hexBytes("82 00 05 B1 D0"), 20, 3));
    EXPECT_TRUE(m.history.isEmpty());
    EXPECT_EQ(m.clearHistoryCount, 1);
    EXPECT_EQ(m.commandD0Count, 2);
}
