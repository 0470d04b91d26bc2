// Routines on the personnel database, run on each engine.
#include "DbTestSupport.h"

#include "common/db/DbNames.h"
#include "common/db/PersonnelDb.h"

#include <QSqlQuery>

namespace qz::db::test {
namespace {

class PersonnelTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_conn = openOrFail(createFresh(DbKind::Main, QStringLiteral("main")));
    }
    void TearDown() override
    {
        m_conn.close();
        EngineTest::TearDown();
    }

    int addPerson(const PersonName& name, int oldPersId = NoId)
    {
        int persId = NoId;
        QString error;
        EXPECT_TRUE(insertPerson(m_conn, name, oldPersId, &persId, &error)) << error.toStdString();
        return persId;
    }
    QList<HistoryRow> history(int persId, const QString& type = QString())
    {
        QList<HistoryRow> rows;
        QString error;
        EXPECT_TRUE(listHistory(m_conn, persId, type, &rows, &error)) << error.toStdString();
        return rows;
    }
    Person holder(int deviceId, const QString& type)
    {
        Person person;
        QString error;
        EXPECT_TRUE(findHolder(m_conn, deviceId, type, &person, &error)) << error.toStdString();
        return person;
    }
    Person person(int persId)
    {
        QList<Person> all;
        EXPECT_TRUE(listPersons(m_conn, &all));
        for (const Person& p : all)
            if (p.persId == persId)
                return p;
        ADD_FAILURE() << "no person " << persId;
        return {};
    }
    int historyCount()
    {
        int count = -1;
        EXPECT_TRUE(countHistory(m_conn, &count));
        return count;
    }

    DbConnection m_conn;
};

// Names that break statements built as text, and letters outside ASCII.
TEST_P(PersonnelTest, HostileNamesAreStoredAndFoundExactly)
{
    const PersonName names[] = {
        {"O'Brien", "D'Arcy", ""},
        {"Say \"Hi\"", "\"", "'"},
        {"a; DROP TABLE UserName; --", "--", ";"},
        {"100%", "%", "_"},
        {"back\\slash", "\\", "\\'"},
        {"Müller", "Jürgen", "ß"},
        {"Жуков", "Георгий", "Константинович"},
        {"Ж'\"; -- %\\ü", "x", "y"},
    };
    const int plain = addPerson({"Plain", "Person", ""});
    QList<int> ids;
    for (const PersonName& name : names)
        ids << addPerson(name);

    QList<Person> all;
    ASSERT_TRUE(listPersons(m_conn, &all));
    ASSERT_EQ(all.size(), int(std::size(names)) + 1);
    for (size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i].fullName().toStdString());
        const Person& stored = all[qsizetype(i) + 1];
        EXPECT_EQ(stored.persId, ids[qsizetype(i)]);
        EXPECT_EQ(stored.name.fam, names[i].fam);
        EXPECT_EQ(stored.name.im, names[i].im);
        EXPECT_EQ(stored.name.otch, names[i].otch);
        QList<int> found;
        ASSERT_TRUE(findPersonsByName(m_conn, names[i], &found));
        EXPECT_EQ(found, QList<int>{ids[qsizetype(i)]});

        // The instrument type is text from the instrument; it may carry quotes as well.
        const QString type = QStringLiteral("55'20\"%1").arg(i);
        QString error;
        ASSERT_TRUE(
            bindDevice(m_conn, ids[qsizetype(i)], 1000 + int(i), type, "back", "issued", nullptr,
                       &error))
            << error.toStdString();
        EXPECT_EQ(holder(1000 + int(i), type).persId, ids[qsizetype(i)]);
        EXPECT_EQ(history(ids[qsizetype(i)], type).size(), 1);
    }
    // A wildcard character is a letter like any other: it matches nobody else.
    QList<int> found;
    ASSERT_TRUE(findPersonsByName(m_conn, {"%", "%", "%"}, &found));
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(person(plain).name.fam, "Plain");
}

TEST_P(PersonnelTest, HolderLookupNeedsSerialAndTypeToMatch)
{
    const int a = addPerson({"A", "A", "A"});
    const int b = addPerson({"B", "B", "B"});
    ASSERT_TRUE(bindDevice(m_conn, a, 77, "5520MO", "", "issued"));
    ASSERT_TRUE(bindDevice(m_conn, b, 77, "QZ5520GN", "", "issued"));
    struct Case {
        int deviceId;
        QString type;
        int expected;
    };
    const Case cases[] = {
        {77, "5520MO", a},    {77, "QZ5520GN", b}, {77, "5520mo", NoId},
        {78, "5520MO", NoId}, {77, "", NoId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type.toStdString());
        EXPECT_EQ(holder(c.deviceId, c.type).persId, c.expected);
    }
    EXPECT_EQ(holder(77, "5520MO").name.fullName(), "A A A");
}

TEST_P(PersonnelTest, PersonsWithoutInstrumentAreExactlyThoseWithMinusOne)
{
    const int free1 = addPerson({"Free", "One", ""});
    const int holding = addPerson({"Holds", "One", ""});
    const int nullDevice = addPerson({"Null", "Device", ""});
    const int cancelled = addPerson({"Cancelled", "Registration", ""});
    const int free2 = addPerson({"Free", "Two", ""});
    ASSERT_TRUE(bindDevice(m_conn, holding, 5, "5520MO", "", "issued"));
    exec(m_conn,
         QStringLiteral("UPDATE UserName SET DeviceID = NULL WHERE PersID = %1").arg(nullDevice));
    // A registration cancelled in the database window keeps its DeviceType.
    exec(m_conn, QStringLiteral("UPDATE UserName SET DeviceID = -1, DeviceType = 'QZ6610K' "
                                "WHERE PersID = %1")
                     .arg(cancelled));
    QList<Person> persons;
    ASSERT_TRUE(listPersonsWithoutInstrument(m_conn, &persons));
    QList<int> ids;
    for (const Person& p : persons)
        ids << p.persId;
    EXPECT_EQ(ids, (QList<int>{free1, cancelled, free2}));
    EXPECT_FALSE(ids.contains(holding));
}

TEST_P(PersonnelTest, BindingMovesTheInstrumentAndWritesBothEvents)
{
    const int a = addPerson({"Alpha", "A", ""});
    const int b = addPerson({"Beta", "B", ""});
    BindResult result;
    QString error;
    ASSERT_TRUE(bindDevice(m_conn, a, 42, "QZ5520GN", "taken back", "issued A",
                           &result, &error))
        << error.toStdString();
    EXPECT_TRUE(result.previousHolders.isEmpty());
    EXPECT_EQ(historyCount(), 1);

    ASSERT_TRUE(bindDevice(m_conn, b, 42, "QZ5520GN", "taken back", "issued B",
                           &result, &error))
        << error.toStdString();
    EXPECT_EQ(result.previousHolders, QList<int>{a});
    EXPECT_EQ(result.newHolder, b);

    const Person alpha = person(a);
    EXPECT_EQ(alpha.deviceId, NoId);
    EXPECT_TRUE(alpha.deviceType.isNull());
    const Person beta = person(b);
    EXPECT_EQ(beta.deviceId, 42);
    EXPECT_EQ(beta.deviceType, "QZ5520GN");

    const QList<HistoryRow> aRows = history(a);
    const QList<HistoryRow> bRows = history(b);
    ASSERT_EQ(aRows.size(), 2);
    ASSERT_EQ(bRows.size(), 1);
    EXPECT_EQ(aRows[0].event, "issued A");
    EXPECT_EQ(aRows[1].event, "taken back");
    EXPECT_EQ(bRows[0].event, "issued B");
    EXPECT_LT(aRows[1].histId, bRows[0].histId); // the old holder's line comes first
    EXPECT_EQ(bRows[0].deviceId, 42);
    EXPECT_EQ(bRows[0].deviceType, "QZ5520GN");
}

TEST_P(PersonnelTest, BindingToAnUnknownPersonChangesNothing)
{
    const int a = addPerson({"Alpha", "A", ""});
    ASSERT_TRUE(bindDevice(m_conn, a, 42, "5520MO", "back", "issued"));
    QString error;
    EXPECT_FALSE(bindDevice(m_conn, a + 1000, 42, "5520MO", "back", "issued", nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(holder(42, "5520MO").persId, a);
    EXPECT_EQ(historyCount(), 1);
}

// Persons are told apart by key: a namesake keeps what he holds, and names longer than any
// list shows bind as well.
TEST_P(PersonnelTest, BindingByKeyLeavesNamesakesAlone)
{
    const int first = addPerson({"Same", "Name", ""});
    const int second = addPerson({"Same", "Name", ""});
    const QString longName = QString(35, QLatin1Char('L'));
    const int longNamed = addPerson({longName, longName, longName});
    ASSERT_TRUE(bindDevice(m_conn, second, 9, "5520MO", "back", "issued"));
    EXPECT_EQ(person(first).deviceId, NoId);
    EXPECT_EQ(person(second).deviceId, 9);
    EXPECT_EQ(history(first).size(), 0);
    EXPECT_EQ(history(second).size(), 1);

    QString error;
    ASSERT_TRUE(bindDevice(m_conn, longNamed, 10, "5520MO", "back", "issued", nullptr, &error))
        << error.toStdString();
    EXPECT_EQ(holder(10, "5520MO").persId, longNamed);
}

TEST_P(PersonnelTest, CancellingARegistrationKeepsTheTypeAndLogsTheInstrument)
{
    const int a = addPerson({"Alpha", "A", ""});
    const int free = addPerson({"Free", "F", ""});
    ASSERT_TRUE(bindDevice(m_conn, a, 77, "5530", "back", "issued"));
    bool done = false;
    QString error;
    ASSERT_TRUE(cancelRegistration(m_conn, a, "The instrument handed", &done, &error))
        << error.toStdString();
    EXPECT_TRUE(done);
    const Person alpha = person(a);
    EXPECT_EQ(alpha.deviceId, NoId);
    EXPECT_EQ(alpha.deviceType, "5530");
    const QList<HistoryRow> rows = history(a);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].event, "The instrument handed");
    EXPECT_EQ(rows[1].deviceId, 77);
    EXPECT_TRUE(rows[1].deviceType.isNull());

    for (int persId : {free, a, 999999}) {
        ASSERT_TRUE(cancelRegistration(m_conn, persId, "again", &done));
        EXPECT_FALSE(done);
    }
    EXPECT_EQ(historyCount(), 2);
}

TEST_P(PersonnelTest, HistoryLinesAreStoredInOrderAllOrNothing)
{
    const int a = addPerson({"Alpha", "A", ""});
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("line %1   with  spaces ").arg(i, 3, 10, QLatin1Char('0'));
    QString error;
    ASSERT_TRUE(insertHistoryLines(m_conn, a, 1234, "QZ5520GN", lines, &error))
        << error.toStdString();
    const QList<HistoryRow> rows = history(a);
    ASSERT_EQ(rows.size(), 300);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(rows[i].event, lines[i]);
        EXPECT_EQ(rows[i].deviceId, 1234);
        EXPECT_EQ(rows[i].deviceType, "QZ5520GN");
    }

    // A failure in the middle of a list stores none of it.
    if (engine() == DbEngine::Sqlite) {
        exec(m_conn, "CREATE TRIGGER Boom BEFORE INSERT ON History WHEN NEW.Event = 'boom' "
                     "BEGIN SELECT RAISE(ABORT, 'boom'); END");
    } else {
        exec(m_conn, "CREATE FUNCTION boom() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "IF NEW.Event = 'boom' THEN RAISE EXCEPTION 'boom'; END IF; RETURN NEW; "
                     "END $$");
        exec(m_conn, "CREATE TRIGGER Boom BEFORE INSERT ON History FOR EACH ROW "
                     "EXECUTE FUNCTION boom()");
    }
    EXPECT_FALSE(insertHistoryLines(m_conn, a, 1234, "QZ5520GN", {"fine", "boom", "late"}, &error));
    EXPECT_TRUE(error.contains("boom")) << error.toStdString();
    EXPECT_EQ(historyCount(), 300);
    // So does a person that does not exist.
    EXPECT_FALSE(insertHistoryLines(m_conn, a + 1000, 1, "x", {"orphan"}, &error));
    EXPECT_EQ(historyCount(), 300);
}

TEST_P(PersonnelTest, DeletingAPersonDeletesTheEvents)
{
    const int a = addPerson({"Alpha", "A", ""});
    const int b = addPerson({"Beta", "B", ""});
    ASSERT_TRUE(insertHistoryLines(m_conn, a, 1, "5520MO", {"a1", "a2", "a3"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, b, 2, "5520MO", {"b1"}));
    QString error;
    ASSERT_TRUE(deletePerson(m_conn, a, &error)) << error.toStdString();
    EXPECT_EQ(
        scalar(m_conn, QStringLiteral("SELECT COUNT(*) FROM History WHERE PersID = %1").arg(a))
            .toInt(),
        0);
    EXPECT_EQ(history(b).size(), 1);
    // The same holds for a plain statement, as the database window sends it.
    exec(m_conn, QStringLiteral("DELETE FROM UserName WHERE PersID = %1").arg(b));
    EXPECT_EQ(historyCount(), 0);
}

TEST_P(PersonnelTest, DeviceTypeStoredQueries)
{
    const int a = addPerson({"Alpha", "A", ""});
    const int b = addPerson({"Beta", "B", ""});
    ASSERT_TRUE(insertHistoryLines(m_conn, a, 1, "QZ6610K", {"x", "y"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, a, 2, "5520MO", {"x"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, b, 3, "QZ5520GN", {"x"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, b, 4, "qz5520", {"x"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, b, 5, QString(), {"no type"}));
    ASSERT_TRUE(insertHistoryLines(m_conn, b, 6, "", {"empty type"}));

    struct Case {
        int persId;
        QStringList expected;
    };
    const Case cases[] = {
        {NoId, {"5520MO", "QZ5520GN", "QZ6610K", "qz5520"}}, // byte order on every engine
        {a, {"5520MO", "QZ6610K"}},
        {b, {"QZ5520GN", "qz5520"}},
        {999, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.persId);
        QStringList types;
        QString error;
        ASSERT_TRUE(deviceTypes(m_conn, c.persId, &types, &error)) << error.toStdString();
        EXPECT_EQ(types, c.expected);
    }
}

TEST_P(PersonnelTest, UpdateOldPersIdKeepsArchiveIdentities)
{
    const int returned = addPerson({"Returned", "R", ""}, 17);
    const int never = addPerson({"Never", "N", ""});
    const int zero = addPerson({"Zero", "Z", ""}, 0);
    const int negative = addPerson({"Negative", "N", ""}, -5);
    QSqlQuery query;
    QString error;
    ASSERT_TRUE(runStoredQuery(m_conn, names::UpdateOldPersID, {}, &query, &error))
        << error.toStdString();
    query = QSqlQuery();
    EXPECT_EQ(person(returned).oldPersId, 17);
    EXPECT_EQ(person(never).oldPersId, NoId);
    EXPECT_EQ(person(zero).oldPersId, NoId);
    EXPECT_EQ(person(negative).oldPersId, NoId);
}

TEST_P(PersonnelTest, UnknownStoredQueryIsAnError)
{
    QSqlQuery query;
    QString error;
    EXPECT_FALSE(runStoredQuery(m_conn, "NoSuchQuery", {}, &query, &error));
    EXPECT_TRUE(error.contains("NoSuchQuery")) << error.toStdString();
}

QZ_DB_ENGINES(PersonnelTest);

} // namespace
} // namespace qz::db::test
