// The discovery tick and the automatic session, driven on simulated instruments.
#include "SessionTestSupport.h"

namespace qz::test {
namespace {

using sim::Family;

void addEvents(sim::SimInstrument& inst, int count, char kind = 'A')
{
    for (int i = 0; i < count; ++i) {
        sim::HistoryRecord r;
        r.kind = kind;
        r.when = QDateTime(QDate(2025, 6, 1), QTime(8, 0)).addSecs(60 * 7 * i);
        r.word = uint16_t(100 + i);
        r.value = 0.5;
        inst.appendHistory(r);
    }
}

// The label column of the card lines, up to the separator.
QStringList cardLabels(const QStringList& lines)
{
    QStringList labels;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('-')))
            break;
        labels.append(line.left(30).trimmed());
    }
    return labels;
}

QList<int> registersOf(const QList<sim::TranscriptEntry>& transfers)
{
    QList<int> regs;
    for (const sim::TranscriptEntry& t : transfers) {
        const int reg = t.request.size() > 4 ? uint8_t(t.request.at(4)) : -1;
        if (regs.isEmpty() || regs.last() != reg)
            regs.append(reg);
    }
    return regs;
}

class DeviceSessionTest : public SessionFixture {};

const QStringList kCommon{"L37", "L24", "L34", "L25", "L26"};

struct PathCase {
    const char* label;
    Family family;
    const char* model;
    const char* announced; // empty: model#number
    bool advanced;
    bool unitFlag;
    QStringList labels; // after the common ones
};

TEST_F(DeviceSessionTest, EachReadPathWritesItsCard)
{
    const PathCase cases[] = {
        {"M",
         Family::MBasic,
         "QZ5520M",
         "",
         false,
         false,
         {"L28, L93", "L47", "L54", "L31", "L32", "L33", "L63"}},
        {"M2",
         Family::MExtended,
         "5520MO",
         "",
         false,
         false,
         {"L28, L93", "L47", "L109", "L110", "L31", "L32", "L33", "L106"}},
        {"M2 advanced, line 96",
         Family::MExtended,
         "6610MA",
         "",
         true,
         false,
         {"L123, L96", "L110", "L31", "L32", "L33", "L106"}},
        {"M2 advanced, line 95",
         Family::MExtended,
         "5530A",
         "",
         true,
         true,
         {"L123, L95", "L110", "L31", "L32", "L33", "L106"}},
        {"GN2",
         Family::GNExtended,
         "5520GNO",
         "",
         false,
         false,
         {"L28, L93", "L28, L92", "L47", "L110", "L31", "L32", "L33", "L106"}},
        {"GN2 advanced",
         Family::GNExtended,
         "6610GNA",
         "",
         true,
         false,
         {"L123", "L124", "L110", "L31", "L32", "L33", "L106"}},
        {"K",
         Family::K,
         "QZ6610K",
         "",
         false,
         false,
         {"L28, L93", "L28, L92", "L107, L103", "L47", "L31", "L32", "L33", "L106"}},
        {"K without vibration",
         Family::K,
         "QZ5520K",
         "",
         false,
         false,
         {"L28, L93", "L28, L92", "L107, L103", "L47", "L31", "L32", "L106"}},
        {"GN",
         Family::GNBasic,
         "QZ5520GN",
         "",
         false,
         false,
         {"L28, L93", "L28, L92", "L47, L93", "L31", "L32", "L33", "L63"}},
        {"pager GN",
         Family::GNExtended,
         "5520GNO",
         "QZ_pager_GN",
         false,
         false,
         {"L28, L93", "L28, L92", "L47", "L110", "L31", "L32", "L33", "L106"}},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.label);
        sim::SimulatedLink fresh;
        ctx.link = &fresh;
        fresh.InitIrDAEx();
        sim::SimInstrument& inst = fresh.addInstrument(
            sim::SimInstrument(c.family, QLatin1String(c.model), 321, QLatin1String(c.announced)));
        if (c.advanced) {
            inst.setMemoryWord(52, 0x2007);
            inst.setMemoryWord(54, 1234);
        }
        inst.setUnitFlag(c.unitFlag);
        DeviceSession tick(ctx, state, window, *sessionDb, *journal);
        tick.TimerFindDevIrDATimer();
        ASSERT_EQ(tick.lastOutcome(), DeviceSession::Outcome::Shown);
        EXPECT_EQ(cardLabels(window.text), kCommon + c.labels);
        for (int i = 0; i < c.labels.size() + kCommon.size(); ++i)
            EXPECT_EQ(window.widths.value(i), 30);
        EXPECT_EQ(window.text.value(kCommon.size() + c.labels.size()), QString(55, '-'));
        EXPECT_EQ(state.MEDMode, c.advanced);
    }
    ctx.link = &link;
}

TEST_F(DeviceSessionTest, CardValuesOfARegisteredGammaNeutronInstrument)
{
    const int holder = addPerson("Ivanov", "Ivan", "Ivanovich");
    issue(holder, 1234, "QZ5520GN");
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    inst.setWord(0xD1, 30);
    addEvents(inst, 3);
    session->TimerFindDevIrDATimer();
    ASSERT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    const QStringList expectedStart{
        PadRight("L37", 30) + "QZ5520GN",
        PadRight("L24", 30) + "1234",
        PadRight("L34", 30) + "Ivanov Ivan Ivanovich",
        PadRight("L25", 30) + "02.06.2025 / 09:00",
        PadRight("L26", 30) + "30 L35",
    };
    EXPECT_EQ(window.text.mid(0, 5), expectedStart);
    EXPECT_EQ(state.CurUnitsText, "L95"); // unit code 0
    EXPECT_TRUE(state.IsGNFamily);
    EXPECT_FALSE(state.GNNewGen);
    EXPECT_EQ(window.shown, 1);
    EXPECT_TRUE(window.unsaved);
    EXPECT_EQ(inst.clearHistoryCount, 1);
    EXPECT_EQ(inst.commandD0Count, 1);
    EXPECT_TRUE(timerActive);
    EXPECT_TRUE(trayMouse);
}

TEST_F(DeviceSessionTest, KHistoryIntervalIsRoundedHalfToEven)
{
    sim::SimInstrument& inst = addInstrument(Family::K, "QZ6610K", 5);
    inst.setWord(0x98, 150); // 2.5 minutes
    session->TimerFindDevIrDATimer();
    ASSERT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    EXPECT_EQ(window.text.value(4), PadRight("L26", 30) + "2 L35");
}

// Identify, block, history, erase, clock, D0, in this order; then the link is reset.
TEST_F(DeviceSessionTest, ExchangeOrderOfARegisteredInstrument)
{
    issue(addPerson("A"), 1234, "QZ5520GN");
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 40);
    session->TimerFindDevIrDATimer();
    ASSERT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);

    const QList<sim::TranscriptEntry> transfers = link.transfers();
    const QList<int> regs = registersOf(transfers);
    ASSERT_GE(regs.size(), 8);
    EXPECT_EQ(regs.mid(0, 2), (QList<int>{0x82, 0x80})); // version text: the classic probe
    EXPECT_EQ(regs.mid(regs.size() - 5), (QList<int>{0x40, 0x42, 0xD5, 0xD6, 0xD0}));
    EXPECT_EQ(regs.count(0x40), 1); // one history read, its parts in a row
    for (const sim::TranscriptEntry& t : transfers) {
        if (uint8_t(t.request.at(4)) == 0x40) {
            EXPECT_EQ(t.expectedLength, 64);
        }
    }
    // The instrument's clock was set to the PC's time.
    EXPECT_EQ(link.instrumentClock(0),
              clock.nowDateTime().addSecs(-clock.nowDateTime().time().second()));
    const QList<sim::TranscriptEntry>& all = link.transcript();
    ASSERT_GE(all.size(), 2);
    EXPECT_EQ(all.at(all.size() - 2).call, sim::TranscriptEntry::Call::Close);
    EXPECT_EQ(all.last().call, sim::TranscriptEntry::Call::Init);
}

TEST_F(DeviceSessionTest, PagerInstrumentReadsItsIdentityAndLongAnswers)
{
    issue(addPerson("P"), 77, "5520GNO");
    sim::SimInstrument& inst =
        addInstrument(Family::GNExtended, "5520GNO", 77, QStringLiteral("QZ_Pager_GN"));
    inst.nameText = "QZ_pager_GN";
    addEvents(inst, 5);
    session->TimerFindDevIrDATimer();
    ASSERT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    EXPECT_EQ(state.CurPagerName, "QZ_PAGER_GN");
    EXPECT_EQ(state.CurModel, "5520GNO");
    EXPECT_EQ(state.CurSerial, 77);
    EXPECT_TRUE(state.GNNewGen);
    const QList<int> regs = registersOf(link.transfers());
    EXPECT_EQ(regs.mid(0, 3), (QList<int>{0xD7, 0xD8, 0x01}));
    EXPECT_FALSE(regs.contains(0x82)); // no classic probe
    for (const sim::TranscriptEntry& t : link.transfers()) {
        if (uint8_t(t.request.at(4)) == 0x40) {
            EXPECT_EQ(t.expectedLength, 128);
        }
    }
    EXPECT_EQ(inst.clearHistoryCount, 1);
}

// An instrument no read path knows is issued to nobody, whoever held the one before.
TEST_F(DeviceSessionTest, UnknownPagerModelCountsAsIssuedToNobody)
{
    state.CurUserName = QStringLiteral("Previous Holder Name");
    sim::SimInstrument& inst =
        addInstrument(Family::MExtended, "ZZ999", 12, QStringLiteral("QZ_pager_X"));
    addEvents(inst, 2);
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(state.CurUserName, kNobody);
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    EXPECT_EQ(inst.clearHistoryCount, 0);
    EXPECT_TRUE(journal->entries().isEmpty());
}

TEST_F(DeviceSessionTest, WaysOutOfATick)
{
    // Nothing in range: no connection tried, the instrument forgotten.
    state.CurSerial = 5;
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::NoDevice);
    EXPECT_EQ(state.CurSerial, -1);
    EXPECT_TRUE(link.transfers().isEmpty());
    EXPECT_TRUE(timerActive);
    EXPECT_EQ(progress.dones, 1);

    // A failed classic probe resets the link.
    sim::SimInstrument& inst = addInstrument(Family::MBasic, "QZ5520M", 9);
    sim::Fault fault;
    fault.reg = 0x80;
    fault.times = 1;
    inst.faults.push_back(fault);
    link.clearTranscript();
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::LinkReset);
    EXPECT_EQ(state.CurSerial, -1);
    EXPECT_TRUE(state.CurModel.isEmpty());
    EXPECT_EQ(link.transcript().last().call, sim::TranscriptEntry::Call::Init);
    EXPECT_EQ(window.shown, 0);
    EXPECT_TRUE(timerActive);
    EXPECT_TRUE(trayMouse);
}

TEST_F(DeviceSessionTest, UnregisteredWithReadUnregisteredOffOffersRegistration)
{
    ini.ReadUnregistered = false;
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 3);
    int windows = 0;
    registration->window.showModal = [&windows] {
        ++windows;
        return false;
    };
    dialogs.answerMessage(DialogResult::Cancel);
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::Registration);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked().at(0).text, "L84");
    EXPECT_EQ(dialogs.asked().at(0).caption, "L53");
    EXPECT_EQ(windows, 0);
    EXPECT_FALSE(registersOf(link.transfers()).contains(0x40));
    EXPECT_EQ(window.shown, 0);
    EXPECT_EQ(inst.historyRecordCount(), 3);

    // OK opens the registration window; the history is still not read.
    dialogs.clear();
    dialogs.answerMessage(DialogResult::Ok);
    link.clearTranscript();
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(windows, 1);
    EXPECT_FALSE(registersOf(link.transfers()).contains(0x40));
    EXPECT_EQ(inst.historyRecordCount(), 3);
    EXPECT_TRUE(timerActive);
}

TEST_F(DeviceSessionTest, UnregisteredWithReadUnregisteredOnIsReadButNotErased)
{
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 3);
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(window.text.size(), 12 + 1 + 3);
    EXPECT_EQ(inst.clearHistoryCount, 0);
    EXPECT_EQ(inst.historyRecordCount(), 3);
    EXPECT_EQ(inst.commandD0Count, 1); // the clock is set all the same
    EXPECT_TRUE(journal->entries().isEmpty());
}

TEST_F(DeviceSessionTest, FailedHistoryReadResetsTheLink)
{
    issue(addPerson("A"), 1234, "QZ5520GN");
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 3);
    sim::Fault fault;
    fault.reg = 0x40;
    fault.times = 1;
    inst.faults.push_back(fault);
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::LinkReset);
    EXPECT_EQ(state.CurSerial, -1);
    EXPECT_EQ(state.CurModel, "QZ5520GN");
    EXPECT_EQ(window.shown, 0);
    EXPECT_EQ(inst.clearHistoryCount, 0);
    EXPECT_TRUE(journal->entries().isEmpty());
    EXPECT_EQ(link.transcript().last().call, sim::TranscriptEntry::Call::Init);
}

// A lost erase answer: the instrument may or may not be erased, so the journal keeps the
// reading; the next reading that still holds the events replaces it.
TEST_F(DeviceSessionTest, FailedEraseKeepsTheJournalUntilTheNextReading)
{
    const int holder = addPerson("A");
    issue(holder, 1234, "QZ5520GN");
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 4);
    sim::Fault fault;
    fault.reg = 0x42;
    fault.times = 1;
    inst.faults.push_back(fault);
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::LinkReset);
    EXPECT_EQ(window.shown, 0);
    EXPECT_EQ(inst.historyRecordCount(), 4);
    EXPECT_EQ(journal->entries().size(), 1);

    window.onShow = [&] { store->storeWindowHistory(window); };
    session->TimerFindDevIrDATimer();
    EXPECT_EQ(session->lastOutcome(), DeviceSession::Outcome::Shown);
    EXPECT_EQ(inst.historyRecordCount(), 0);
    EXPECT_TRUE(journal->entries().isEmpty());
    EXPECT_EQ(events(holder).size(), 1 + 4); // the issue event and each alarm once
}

// The history is on local disk before the erase command leaves.
class JournalCheckingLink final : public IrdaLink {
public:
    JournalCheckingLink(IrdaLink& inner, HistoryJournal& journal)
        : m_inner(inner), m_journal(journal)
    {
    }
    int entriesAtErase = -1;
    bool InitIrDAEx() override { return m_inner.InitIrDAEx(); }
    bool FindDeviceEx(QStringList& list) override { return m_inner.FindDeviceEx(list); }
    bool ConnectDevIrDAEx(int32_t i) override { return m_inner.ConnectDevIrDAEx(i); }
    bool TransDataIrDAEx(uint8_t* buffer, int32_t capacity, int32_t requestLength,
                         int32_t& answerLength) override
    {
        if (requestLength > 4 && buffer[4] == 0x42)
            entriesAtErase = int(m_journal.entries().size());
        return m_inner.TransDataIrDAEx(buffer, capacity, requestLength, answerLength);
    }
    void CloseIrDAEx() override { m_inner.CloseIrDAEx(); }

private:
    IrdaLink& m_inner;
    HistoryJournal& m_journal;
};

TEST_F(DeviceSessionTest, JournalEntryIsWrittenBeforeTheEraseAndKeptOnCloseAnyway)
{
    const int holder = addPerson("Holder", "H", "");
    issue(holder, 1234, "QZ5520GN");
    sim::SimInstrument& inst = addInstrument(Family::GNBasic, "QZ5520GN", 1234);
    addEvents(inst, 6);
    JournalCheckingLink checking(link, *journal);
    ctx.link = &checking;
    DeviceSession tick(ctx, state, window, *sessionDb, *journal);
    tick.format = session->format;
    tick.TimerFindDevIrDATimer(); // the operator closes anyway: nothing stored
    ctx.link = &link;

    EXPECT_EQ(checking.entriesAtErase, 1);
    EXPECT_EQ(inst.historyRecordCount(), 0);
    const QList<JournalEntry> entries = journal->entries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].persId, holder);
    EXPECT_EQ(entries[0].holder, "Holder H ");
    EXPECT_EQ(entries[0].serial, 1234);
    EXPECT_EQ(entries[0].model, "QZ5520GN");
    EXPECT_EQ(entries[0].lines, window.text);
    EXPECT_EQ(entries[0].rawHistory, tick.lastRawHistory());
    EXPECT_FALSE(entries[0].rawHistory.isEmpty());

    // The next start of the program stores it under the same person, once.
    HistoryStore restarted(ctx, state, *journal);
    EXPECT_EQ(restarted.storeJournal(false), 0);
    EXPECT_EQ(events(holder).mid(1), linesToStore(window.text, false, false));
    EXPECT_TRUE(journal->entries().isEmpty());
}

} // namespace
} // namespace qz::test
