// The history read against the simulated instruments: the whole exchange as the instruments
// answer it, including their faults.
#include "common/platform/Progress.h"
#include "sim/SimulatedLink.h"
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryRead.h"

#include <gtest/gtest.h>

#include <memory>

namespace qz {
namespace {

using sim::Family;
using sim::Fault;
using sim::FaultKind;
using sim::HistoryRecord;
using sim::SimInstrument;
using sim::SimulatedLink;

const QDateTime kStart(QDate(2025, 6, 1), QTime(7, 30));

// A connected link with one instrument whose history holds `records` events.
struct Bench {
    SimulatedLink link;
    SimInstrument* instrument = nullptr;

    Bench(Family family, const QString& model, sim::HistoryLayout layout, int records)
    {
        instrument = &link.addInstrument(SimInstrument(family, model, 42));
        instrument->layout = layout;
        for (int i = 0; i < records; ++i)
            instrument->appendHistory(record(i));
        QStringList names;
        link.InitIrDAEx();
        link.FindDeviceEx(names);
        link.ConnectDevIrDAEx(0);
    }

    static HistoryRecord record(int i)
    {
        HistoryRecord r;
        r.kind = "AFSN01Cc"[i % 8];
        r.when = kStart.addSecs(qint64(i) * 60);
        r.word = uint16_t(100 + i);
        r.aux = uint8_t(i % 3);
        r.value = 0.25 * (i % 7 + 1);
        r.neutron = 0.5 * (i % 5);
        return r;
    }
};

double days(const QDateTime& t)
{
    return QDate(1899, 12, 30).daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

TEST(HistoryReadOnSimulator, EveryLayoutRoundTrips)
{
    const struct {
        Family family;
        const char* model;
        sim::HistoryLayout layout;
        bool pager;
        bool gnNewGen;
        int answerLength;
    } cases[] = {
        {Family::MExtended, "5520MO", sim::HistoryLayout::P, true, false, 128},
        {Family::GNExtended, "5520GNO", sim::HistoryLayout::PG, true, true, 128},
        {Family::MBasic, "QZ5520M", sim::HistoryLayout::O, false, false, 64},
        {Family::GNExtended, "6610GNO", sim::HistoryLayout::OG, false, true, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        Bench bench(c.family, c.model, c.layout, 150);
        auto events = std::make_unique<HistoryEvents>();
        int count = 0;
        NullProgress progress;
        ASSERT_TRUE(ReadHistory(bench.link, progress, *events, c.answerLength, count, c.pager,
                                c.gnNewGen, 0.0));
        ASSERT_EQ(count, 150);
        // parts of at most the expected answer length: 6 header bytes and the data
        EXPECT_EQ(bench.link.transfers().size(),
                  (150 * 8 + c.answerLength - 7) / (c.answerLength - 6));
        for (int i = 0; i < count; ++i) {
            const HistoryRecord r = Bench::record(i);
            const HistoryEvent& e = (*events)[size_t(i)];
            ASSERT_EQ(e.Kind, r.kind) << i;
            EXPECT_NEAR(e.When, days(r.when), 1e-9) << i;
            const bool threshold = r.kind == 'S';
            if (c.layout == sim::HistoryLayout::O || c.layout == sim::HistoryLayout::OG ||
                threshold) {
                EXPECT_EQ(e.Word, r.word) << i;
            }
            if (c.pager && !threshold) {
                EXPECT_EQ(e.Value, r.value) << i; // quarters survive the 2-byte float
            }
            if ((c.layout == sim::HistoryLayout::PG && !threshold) ||
                c.layout == sim::HistoryLayout::OG) {
                EXPECT_EQ(e.NeutronValue, r.neutron) << i;
            }
        }
    }
}

TEST(HistoryReadOnSimulator, FullMemoryOfAKInstrument)
{
    Bench bench(Family::K, "QZ6610K", sim::HistoryLayout::K, kHistoryEventCapacity6610);
    auto events = std::make_unique<HistoryEvents6610>();
    int count = 0;
    CountingProgress progress;
    ASSERT_TRUE(ReadHistory6610(bench.link, progress, *events, count));
    EXPECT_EQ(count, kHistoryEventCapacity6610);
    EXPECT_EQ(progress.steps, bench.link.transfers().size());
    const HistoryEvent6610& last = events->back();
    const HistoryRecord r = Bench::record(kHistoryEventCapacity6610 - 1);
    EXPECT_EQ(last.Kind, r.kind);
    EXPECT_EQ(last.Word, r.word);
    EXPECT_EQ(last.Value, r.value);
    EXPECT_EQ(last.NeutronValue, r.neutron);
    EXPECT_NEAR(last.When, days(r.when), 1e-9);
}

TEST(HistoryReadOnSimulator, Faults)
{
    const struct {
        const char* name;
        FaultKind kind;
        int skip;
        int value;
        bool succeeds;
    } cases[] = {
        {"lost first request", FaultKind::NoAnswer, 0, -1, false},
        {"lost continuation", FaultKind::NoAnswer, 3, -1, false},
        {"status 0x80", FaultKind::WrongStatus, 2, -1, false},
        {"status 0xA0 too early", FaultKind::WrongStatus, 1, 0xA0, true},
        {"answer lost its last byte", FaultKind::ShortAnswer, 2, 1, false},
        // the frame length byte is not what the loop relies on: the length field is
        {"frame length byte wrong", FaultKind::WrongLength, 1, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench(Family::MBasic, "QZ5520M", sim::HistoryLayout::O, 40);
        Fault f;
        f.kind = c.kind;
        f.reg = 0x40;
        f.skip = c.skip;
        f.times = 1;
        f.value = c.value;
        bench.instrument->faults.push_back(f);
        auto events = std::make_unique<HistoryEvents>();
        int count = -1;
        NullProgress progress;
        EXPECT_EQ(ReadHistory(bench.link, progress, *events, 64, count, false, false, 0.0),
                  c.succeeds);
        if (!c.succeeds) {
            EXPECT_EQ(count, 0);
        }
    }
    // An early 0xA0 ends the read with what came so far: two parts of 58 bytes, 14 records.
    Bench bench(Family::MBasic, "QZ5520M", sim::HistoryLayout::O, 40);
    Fault early;
    early.kind = FaultKind::WrongStatus;
    early.reg = 0x40;
    early.skip = 1;
    early.times = 1;
    early.value = 0xA0;
    bench.instrument->faults.push_back(early);
    auto events = std::make_unique<HistoryEvents>();
    int count = 0;
    NullProgress progress;
    ASSERT_TRUE(ReadHistory(bench.link, progress, *events, 64, count, false, false, 0.0));
    EXPECT_EQ(count, 116 / 8);
}

TEST(HistoryReadOnSimulator, InstrumentLeavingRangeFailsTheRead)
{
    Bench bench(Family::MBasic, "QZ5520M", sim::HistoryLayout::O, 100);
    bench.instrument->leavesRangeAfter = bench.instrument->exchanges + 4;
    auto events = std::make_unique<HistoryEvents>();
    int count = -1;
    NullProgress progress;
    EXPECT_FALSE(ReadHistory(bench.link, progress, *events, 64, count, false, false, 0.0));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(bench.link.transfers().size(), 5);
}

TEST(HistoryReadOnSimulator, MemoryBeyondTheLimitFails)
{
    Bench bench(Family::MBasic, "QZ5520M", sim::HistoryLayout::O, kHistoryEventCapacity);
    auto events = std::make_unique<HistoryEvents>();
    int count = 0;
    NullProgress progress;
    ASSERT_TRUE(ReadHistory(bench.link, progress, *events, 128, count, false, false, 0.0));
    EXPECT_EQ(count, kHistoryEventCapacity);

    bench.instrument->history.append(QByteArray(8, '\0'));
    EXPECT_FALSE(ReadHistory(bench.link, progress, *events, 128, count, false, false, 0.0));
}

} // namespace
} // namespace qz
