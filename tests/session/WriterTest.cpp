// Storing the window's lines, the journal and the registration.
#include "SessionTestSupport.h"

namespace qz::test {
namespace {

class WriterTest : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        state.CurSerial = 1234;
        state.CurModel = QStringLiteral("QZ5520GN");
        store->refreshDataBase = [this] {
            ++refreshes;
            refreshThreads.append(QThread::currentThread());
        };
    }
    // A card of two lines, the separator and the events.
    void fill(const QStringList& events)
    {
        window.text = QStringList{PadRight("L37", 30) + "QZ5520GN", PadRight("L24", 30) + "1234",
                                  QString(55, '-')} +
                      events;
        window.unsaved = true;
    }
    int refreshes = 0;
    QList<QThread*> refreshThreads;
};

TEST_F(WriterTest, TakesTheLinesAfterTheFirstDashLine)
{
    const int holder = addPerson("A");
    issue(holder, 1234, "QZ5520GN");
    struct Case {
        const char* label;
        QStringList lines;
        bool addParams;
        int selection;
        QStringList stored; // after the issue event
        bool unsavedAfter;
        int refreshes;
    };
    const QString dashes(55, '-');
    const Case cases[] = {
        {"card only", {"card 1", "card 2", dashes}, false, 0, {}, false, 0},
        {"events", {"card 1", dashes, "e1", "e2"}, false, 0, {"e1", "e2"}, false, 1},
        {"Add params DB", {"card 1", dashes, "e1"}, true, 0, {"card 1", dashes, "e1"}, false, 1},
        {"a selection takes all",
         {"card 1", dashes, "e1"},
         false,
         1,
         {"card 1", dashes, "e1"},
         false,
         1},
        {"first '-' line ends the card",
         {"card", "-x", "e1", "-later", "e2"},
         false,
         0,
         {"e1", "-later", "e2"},
         false,
         1},
        {"no dash line", {"card 1", "card 2"}, false, 0, {}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        exec("DELETE FROM History");
        refreshes = 0;
        progress.steps = 0;
        ini.AddParamsDB = c.addParams;
        window.text = c.lines;
        window.selLength = c.selection;
        window.unsaved = true;
        store->storeWindowHistory(window);
        EXPECT_EQ(events(holder), c.stored);
        EXPECT_EQ(window.unsaved, c.unsavedAfter);
        EXPECT_EQ(refreshes, c.refreshes);
        EXPECT_EQ(progress.steps, c.stored.size());
    }
}

TEST_F(WriterTest, ThreeHundredLinesInWindowOrder)
{
    const int holder = addPerson("A");
    issue(holder, 1234, "QZ5520GN");
    exec("DELETE FROM History");
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << PadRight(QStringLiteral("L38, L93"), 30) + QStringLiteral("line %1  ").arg(i);
    fill(lines);
    EXPECT_EQ(store->storeWindowHistory(window), THistDBThread::Result::Stored);
    QList<db::HistoryRow> rows;
    ASSERT_TRUE(db::listHistory(conn, holder, QString(), &rows));
    ASSERT_EQ(rows.size(), 300);
    // The writer ran on its own thread; the Roster refresh was handed back to this one.
    EXPECT_EQ(refreshThreads, QList<QThread*>{QThread::currentThread()});
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(rows[i].event, lines[i]);
        EXPECT_EQ(rows[i].deviceId, 1234);
        EXPECT_EQ(rows[i].deviceType, "QZ5520GN");
    }
}

TEST_F(WriterTest, NoHolderStoresNothingAndKeepsTheMark)
{
    addPerson("A"); // holds nothing
    fill({"e1"});
    EXPECT_EQ(store->storeWindowHistory(window), THistDBThread::Result::NoHolder);
    int count = -1;
    ASSERT_TRUE(db::countHistory(conn, &count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(window.unsaved);
    EXPECT_EQ(refreshes, 0);
}

// A database that refuses one insert stores none of the lines, says why, and keeps the
// journal entry until a later store succeeds.
TEST_F(WriterTest, RefusedInsertLosesNothing)
{
    const int holder = addPerson("A");
    issue(holder, 1234, "QZ5520GN");
    exec("DELETE FROM History");
    exec("CREATE TRIGGER refuse BEFORE INSERT ON History WHEN NEW.Event = 'e3' "
         "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END");
    fill({"e1", "e2", "e3", "e4"});
    JournalEntry entry;
    entry.serial = 1234;
    entry.model = "QZ5520GN";
    entry.persId = holder;
    entry.lines = window.text;
    entry.readAt = clock.nowDateTime();
    ASSERT_TRUE(journal->write(entry));
    state.JournalEntry = entry.id;

    EXPECT_EQ(store->storeWindowHistory(window), THistDBThread::Result::Failed);
    EXPECT_TRUE(events(holder).isEmpty());
    EXPECT_TRUE(window.unsaved);
    EXPECT_EQ(refreshes, 0);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_TRUE(dialogs.asked().at(0).text.contains("the disk is full"));
    EXPECT_EQ(dialogs.asked().at(0).caption, "L7");
    EXPECT_EQ(journal->entries().size(), 1);

    exec("DROP TRIGGER refuse");
    EXPECT_EQ(store->storeWindowHistory(window), THistDBThread::Result::Stored);
    EXPECT_EQ(events(holder), (QStringList{"e1", "e2", "e3", "e4"}));
    EXPECT_TRUE(journal->entries().isEmpty());
    EXPECT_FALSE(window.unsaved);
}

// What the journal holds is stored under the person recorded in it, once, also when it had
// been stored before the entry could be removed; a successful store stores it as well.
TEST_F(WriterTest, JournalIsStoredOnceUnderItsPerson)
{
    const int a = addPerson("A");
    const int b = addPerson("B");
    issue(a, 1234, "QZ5520GN");
    exec("DELETE FROM History");
    JournalEntry old;
    old.serial = 1234;
    old.model = "QZ5520GN";
    old.persId = a;
    old.lines = {"card", QString(55, '-'), "old 1", "old 2"};
    old.readAt = clock.nowDateTime();
    ASSERT_TRUE(journal->write(old));
    JournalEntry again = old; // the same reading, committed before the process ended
    ASSERT_TRUE(db::insertHistoryLines(conn, a, 1234, "QZ5520GN", {"old 1", "old 2"}));
    clock.advance(1000);
    again.readAt = clock.nowDateTime();
    ASSERT_TRUE(journal->write(again));
    ASSERT_EQ(journal->entries().size(), 2);

    // The instrument went to B meanwhile; the window's store goes to B, the journal to A.
    issue(b, 1234, "QZ5520GN");
    exec("DELETE FROM History");
    ASSERT_TRUE(db::insertHistoryLines(conn, a, 1234, "QZ5520GN", {"old 1", "old 2"}));
    fill({"new 1"});
    EXPECT_EQ(store->storeWindowHistory(window), THistDBThread::Result::Stored);
    EXPECT_EQ(events(a), (QStringList{"old 1", "old 2"}));
    EXPECT_EQ(events(b), QStringList{"new 1"});
    EXPECT_TRUE(journal->entries().isEmpty());

    // An entry that cannot be stored stays (its person is gone).
    JournalEntry orphan = old;
    orphan.persId = 999999;
    orphan.lines = {QString(55, '-'), "orphan"};
    ASSERT_TRUE(journal->write(orphan));
    EXPECT_EQ(store->storeJournal(false), 1);
    EXPECT_EQ(journal->entries().size(), 1);
}

TEST_F(WriterTest, JournalEntriesSurviveAsWritten)
{
    JournalEntry e;
    e.serial = 42;
    e.model = "5520GNO";
    e.persId = 7;
    e.holder = QStringLiteral("Жуков Георгий Константинович");
    e.lines = {PadRight("L37", 30) + "5520GNO", QString(55, '-'), "  spaced  "};
    e.addParamsDB = true;
    e.rawHistory = QByteArray("\x00\x01\xFF\x80", 4);
    e.readAt = QDateTime(QDate(2025, 6, 2), QTime(9, 30, 1, 5));
    ASSERT_TRUE(journal->write(e));
    // A file cut short by a crash of another writer is left alone.
    QFile broken(journal->folder() + "/00000000-broken.json");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"serial\": 4");
    broken.close();
    const QList<JournalEntry> read = journal->entries();
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].id, e.id);
    EXPECT_EQ(read[0].serial, 42);
    EXPECT_EQ(read[0].model, e.model);
    EXPECT_EQ(read[0].persId, 7);
    EXPECT_EQ(read[0].holder, e.holder);
    EXPECT_EQ(read[0].lines, e.lines);
    EXPECT_TRUE(read[0].addParamsDB);
    EXPECT_EQ(read[0].rawHistory, e.rawHistory);
    EXPECT_EQ(read[0].readAt, e.readAt);
    EXPECT_TRUE(
        QDir(journal->folder()).entryList({"*.tmp*", ".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

class RegistrationTest : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        state.CurSerial = 555;
        state.CurModel = QStringLiteral("5520MO");
        registration->window.setItems = [this](const QStringList& items) { shownItems = items; };
        registration->runJob0 = [this] { ++jobs; };
    }
    // The operator picks the item at `index` and presses OK.
    void chooseOnShow(int index)
    {
        registration->window.showModal = [this, index] {
            ++windows;
            return registration->sbOkClick(index);
        };
    }
    QStringList shownItems;
    int windows = 0;
    int jobs = 0;
};

const QString kStamp = QStringLiteral("02.06.25/09:30");

TEST_F(RegistrationTest, NobodyHoldsIt)
{
    addPerson("Holds", "X", "");
    issue(1, 1, "QZ5520GN");
    const int free = addPerson("Free", "F", "");
    chooseOnShow(0);
    registration->StartRegistration();
    EXPECT_TRUE(dialogs.asked().isEmpty());
    EXPECT_EQ(shownItems, QStringList{"Free F "});
    EXPECT_EQ(state.CurUserName, kNobody);
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(events(free), QStringList{PadRight("L85", 30) + kStamp});
    db::Person holder;
    ASSERT_TRUE(db::findHolder(conn, 555, "5520MO", &holder));
    EXPECT_EQ(holder.persId, free);
}

TEST_F(RegistrationTest, FromHolderAToB)
{
    const int a = addPerson("Alpha", "A", "A");
    const int b = addPerson("Beta", "B", "B");
    issue(a, 555, "5520MO");
    exec("DELETE FROM History");
    dialogs.answerMessage(DialogResult::Ok);
    chooseOnShow(0);
    registration->StartRegistration();
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked().at(0).text, "L72 Alpha A A. L73");
    EXPECT_EQ(dialogs.asked().at(0).caption, "L53");
    EXPECT_EQ(state.CurUserName, "Alpha A A");
    EXPECT_EQ(events(a), QStringList{PadRight("L91", 30) + kStamp});
    EXPECT_EQ(events(b), QStringList{PadRight("L85", 30) + kStamp});
    QList<db::HistoryRow> rows;
    ASSERT_TRUE(db::listHistory(conn, a, QString(), &rows));
    QList<db::HistoryRow> rowsB;
    ASSERT_TRUE(db::listHistory(conn, b, QString(), &rowsB));
    EXPECT_LT(rows[0].histId, rowsB[0].histId);
    QList<db::Person> free;
    ASSERT_TRUE(db::listPersonsWithoutInstrument(conn, &free));
    ASSERT_EQ(free.size(), 1);
    EXPECT_EQ(free[0].persId, a);
    EXPECT_TRUE(free[0].deviceType.isNull());
}

TEST_F(RegistrationTest, NoAnswerChangesNothing)
{
    const int a = addPerson("Alpha");
    addPerson("Beta");
    issue(a, 555, "5520MO");
    dialogs.answerMessage(DialogResult::Cancel);
    chooseOnShow(0);
    registration->StartRegistration();
    EXPECT_EQ(windows, 0);
    EXPECT_EQ(jobs, 0);
    EXPECT_EQ(events(a).size(), 1);
    db::Person holder;
    ASSERT_TRUE(db::findHolder(conn, 555, "5520MO", &holder));
    EXPECT_EQ(holder.persId, a);
}

// Namesakes are told apart, and a name longer than the list shows still binds.
TEST_F(RegistrationTest, SameNamesAndLongNames)
{
    const int first = addPerson("Same", "Name", "");
    const int second = addPerson("Same", "Name", "");
    const QString longFam = QString(35, QLatin1Char('F'));
    const int longNamed = addPerson(longFam, "I", "O");
    chooseOnShow(1);
    registration->StartRegistration();
    ASSERT_EQ(shownItems.size(), 3);
    EXPECT_EQ(shownItems[2], QString(30, QLatin1Char('F')) + " I O");
    EXPECT_EQ(registration->list()[2].PersID, longNamed);
    db::Person holder;
    ASSERT_TRUE(db::findHolder(conn, 555, "5520MO", &holder));
    EXPECT_EQ(holder.persId, second);
    EXPECT_TRUE(events(first).isEmpty());

    state.CurSerial = 556;
    chooseOnShow(1); // the list lost the second "Same Name": the long name is now item 1
    registration->StartRegistration();
    ASSERT_TRUE(db::findHolder(conn, 556, "5520MO", &holder));
    EXPECT_EQ(holder.persId, longNamed);
    EXPECT_EQ(jobs, 2);
}

TEST_F(RegistrationTest, FailedBindingIsReportedAndRunsNoJob)
{
    const int gone = addPerson("Gone");
    registration->window.showModal = [this, gone] {
        ++windows;
        exec(QStringLiteral("DELETE FROM UserName WHERE PersID = %1").arg(gone));
        return registration->sbOkClick(0);
    };
    registration->StartRegistration();
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(jobs, 0);
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.asked().at(0).caption, "L7");
    EXPECT_FALSE(dialogs.asked().at(0).text.isEmpty());
    EXPECT_FALSE(registration->sbOkClick(5)); // nothing selected
}

} // namespace
} // namespace qz::test
