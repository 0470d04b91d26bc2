#include "tray/history/HistoryRead.h"

#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace qz {
namespace {

using test::hexBytes;
using test::ScriptedLink;

const QByteArray kFirst = hexBytes("830005B140");
const QByteArray kNext = hexBytes("830003B140");

QByteArray filler(int n, char seed)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(seed + i);
    return b;
}

TEST(FetchHistoryMemory, CollectsThePartsInOrder)
{
    CountingProgress progress;
    ScriptedLink link(&progress);
    link.addPart(0x90, filler(10, 'a'));
    link.addPart(0x90, filler(6, 'A'));
    link.addPart(0xA0, filler(5, '0'));

    QByteArray memory;
    ASSERT_TRUE(FetchHistoryMemory(link, progress, 200, 64, memory));
    EXPECT_EQ(memory, filler(10, 'a') + filler(6, 'A') + filler(5, '0'));

    ASSERT_EQ(link.exchanges.size(), 3);
    EXPECT_EQ(progress.steps, 3);
    for (int i = 0; i < 3; ++i) {
        const ScriptedLink::Exchange& x = link.exchanges[i];
        EXPECT_EQ(x.request, i == 0 ? kFirst : kNext) << "exchange " << i;
        EXPECT_EQ(x.requestLength, 5);
        EXPECT_EQ(x.capacity, 200);
        // The link reports the received length in the same variable; the loop hands the
        // expected length over again each time.
        EXPECT_EQ(x.expectedLength, 64) << "exchange " << i;
        EXPECT_EQ(x.stepsBefore, i + 1) << "progress steps before exchange " << i;
    }
}

TEST(FetchHistoryMemory, EmptyHistoryAndEmptyParts)
{
    const struct {
        const char* name;
        QList<QByteArray> answers;
        QByteArray memory;
    } cases[] = {
        {"empty history: length field 3", {hexBytes("A00006720003")}, {}},
        {"length field 0 adds nothing",
         {hexBytes("900006720000"), hexBytes("A00007720004AA")},
         hexBytes("AA")},
        {"length field 2 adds nothing", {hexBytes("900006720002"), hexBytes("A00006720003")}, {}},
        {"bytes after the announced data are ignored",
         {hexBytes("A00009720004BBCCDD")},
         hexBytes("BB")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullProgress progress;
        ScriptedLink link;
        for (const QByteArray& a : c.answers)
            link.add(a);
        QByteArray memory;
        EXPECT_TRUE(FetchHistoryMemory(link, progress, 200, 64, memory));
        EXPECT_EQ(memory, c.memory);
        EXPECT_EQ(link.exchanges.size(), c.answers.size());
    }
}

TEST(FetchHistoryMemory, Failures)
{
    const QByteArray part = hexBytes("900009720006010203");
    const struct {
        const char* name;
        QList<std::optional<QByteArray>> answers;
        int capacity;
        qsizetype exchanges;
    } cases[] = {
        {"first exchange fails", {std::nullopt}, 200, 1},
        {"continuation fails", {part, std::nullopt}, 200, 2},
        {"status neither A0 nor 90", {hexBytes("800006720003")}, 200, 1},
        {"status 80 after a part", {part, hexBytes("800006720003")}, 200, 2},
        {"answer too short for its length field", {hexBytes("A00003")}, 200, 1},
        {"length field beyond the bytes received", {hexBytes("A0000972000A010203")}, 200, 1},
        {"data cut by the capacity", {hexBytes("A0000C72000901020304050607")}, 10, 1},
        // 4100 + 4100 bytes do not fit in 8192
        {"memory overflow",
         {hexBytes("9000FF721007") + QByteArray(4100, 'x'),
          hexBytes("A000FF721007") + QByteArray(4100, 'y')},
         8192,
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullProgress progress;
        ScriptedLink link;
        for (const auto& a : c.answers)
            link.add(a);
        QByteArray memory("stale");
        EXPECT_FALSE(FetchHistoryMemory(link, progress, c.capacity, 64, memory));
        EXPECT_TRUE(memory.isEmpty());
        EXPECT_EQ(link.exchanges.size(), c.exchanges);
    }
}

TEST(FetchHistoryMemory, MemoryOfExactlyTheLimit)
{
    NullProgress progress;
    ScriptedLink link;
    link.add(hexBytes("900000721003") + QByteArray(4096, 'x'));
    link.add(hexBytes("900000721003") + QByteArray(4096, 'y'));
    link.add(hexBytes("A00006720003"));
    QByteArray memory;
    EXPECT_TRUE(FetchHistoryMemory(link, progress, 8192, 128, memory));
    EXPECT_EQ(memory.size(), kHistoryMemoryLimit);
}

TEST(FetchHistoryMemory, AtMost500Continuations)
{
    for (const bool lastIsFinal : {true, false}) {
        SCOPED_TRACE(lastIsFinal ? "0xA0 on exchange 501" : "0x90 on exchange 501");
        CountingProgress progress;
        ScriptedLink link;
        for (int i = 0; i < 500; ++i)
            link.addPart(0x90, {});
        link.addPart(lastIsFinal ? 0xA0 : 0x90, {});
        link.addPart(0xA0, {}); // never reached
        QByteArray memory;
        EXPECT_EQ(FetchHistoryMemory(link, progress, 200, 64, memory), lastIsFinal);
        EXPECT_EQ(link.exchanges.size(), 501);
        EXPECT_EQ(progress.steps, 501);
    }
}

TEST(ReadHistory, DecodesWhatTheLinkDelivered)
{
    auto events = std::make_unique<HistoryEvents>();
    CountingProgress progress;
    ScriptedLink link;
    // Two layout O records over two parts, the second record split between them, plus a
    // remainder of 5 bytes.
    const QByteArray memory = hexBytes("00000000 E803 41 00  A0050000 0A00 46 02  0102030405");
    link.addPart(0x90, memory.left(11));
    link.addPart(0xA0, memory.mid(11));
    int count = -1;
    ASSERT_TRUE(ReadHistory(link, progress, *events, 128, count, false, false, 0.00024));
    EXPECT_EQ(count, 2);
    EXPECT_EQ((*events)[0].Word, 1240);
    EXPECT_EQ((*events)[1].Kind, 'F');
    EXPECT_DOUBLE_EQ((*events)[1].When, 36162.0);
    EXPECT_EQ((*events)[1].Aux, 2);
    EXPECT_FALSE((*events)[1].PagerFormat);
    EXPECT_EQ(link.exchanges[0].capacity, 200);
    EXPECT_EQ(link.exchanges[0].expectedLength, 128);
    EXPECT_EQ(progress.steps, 2);
}

TEST(ReadHistory, FailureLeavesNoEvents)
{
    auto events = std::make_unique<HistoryEvents>();
    events->fill(HistoryEvent{'A', 1.0, 1, 1, 1.0, 1.0, true});
    NullProgress progress;
    ScriptedLink link;
    link.addPart(0x90, hexBytes("00000000 E803 41 00"));
    link.add(std::nullopt);
    int count = 7;
    EXPECT_FALSE(ReadHistory(link, progress, *events, 64, count, true, false, 0.0));
    EXPECT_EQ(count, 0);
    EXPECT_EQ((*events)[0].Kind, 0);
}

TEST(ReadHistory6610, SixteenByteRecordsWithItsOwnSizes)
{
    auto events = std::make_unique<HistoryEvents6610>();
    NullProgress progress;
    ScriptedLink link;
    link.addPart(0xA0, hexBytes("80510100 0C00 40810000 40800000 00 46") + QByteArray(15, 'z'));
    int count = -1;
    ASSERT_TRUE(ReadHistory6610(link, progress, *events, count));
    EXPECT_EQ(count, 1);
    EXPECT_EQ((*events)[0].Kind, 'F');
    EXPECT_DOUBLE_EQ((*events)[0].NeutronValue, 3.0);
    ASSERT_EQ(link.exchanges.size(), 1);
    EXPECT_EQ(link.exchanges[0].capacity, 8192);
    EXPECT_EQ(link.exchanges[0].expectedLength, 128);
}

} // namespace
} // namespace qz
