// Shape of the main and archive databases on each engine, and of the shipped files.
#include "DbTestSupport.h"

#include "common/db/DbNames.h"
#include "common/db/DbSetup.h"
#include "common/db/PersonnelDb.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

namespace qz::db::test {
namespace {

QStringList columnsOf(const DbConnection& conn, const QString& table)
{
    QSqlQuery query(conn.database());
    if (!query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table))) {
        ADD_FAILURE() << query.lastError().text().toStdString();
        return {};
    }
    QStringList names;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toLower(); // PostgreSQL reports folded names
    return names;
}

QStringList lower(QStringList names)
{
    for (QString& name : names)
        name = name.toLower();
    return names;
}

class SchemaTest : public EngineTest {};

TEST_P(SchemaTest, TablesHaveTheirColumnsInTheFixedOrder)
{
    const QStringList history = lower({"HistID", "PersID", "DeviceID", "Event", "DeviceType"});
    struct Case {
        DbKind kind;
        QStringList userName;
    };
    const Case cases[] = {
        {DbKind::Main,
         lower({"PersID", "Fam", "Im", "Otch", "DeviceID", "DeviceType", "OldPersID"})},
        {DbKind::Archive, lower({"PersID", "Fam", "Im", "Otch", "DeviceID"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind == DbKind::Main ? "main" : "archive");
        DbConnection conn = openOrFail(createFresh(c.kind, c.kind == DbKind::Main
                                                               ? QStringLiteral("shapemain")
                                                               : QStringLiteral("shapearchive")));
        EXPECT_EQ(columnsOf(conn, QLatin1String(names::History)), history);
        EXPECT_EQ(columnsOf(conn, QLatin1String(names::UserName)), c.userName);
    }
}

TEST_P(SchemaTest, MainDatabaseGeneratesKeysAndNeverReusesThem)
{
    DbConnection conn = openOrFail(createFresh(DbKind::Main, QStringLiteral("keys")));
    int first = 0, second = 0, third = 0;
    QString error;
    ASSERT_TRUE(insertPerson(conn, {"A", "B", ""}, NoId, &first, &error)) << error.toStdString();
    ASSERT_TRUE(insertPerson(conn, {"C", "D", ""}, NoId, &second, &error));
    EXPECT_GT(second, first);
    ASSERT_TRUE(insertHistoryLines(conn, second, 5, "5520MO", {"one", "two"}, &error));
    const int lastHist = scalar(conn, "SELECT MAX(HistID) FROM History").toInt();

    // Archives keep HistID and OldPersID keeps an old PersID: a deleted row's number must
    // never come back.
    ASSERT_TRUE(deletePerson(conn, second, &error)) << error.toStdString();
    ASSERT_TRUE(insertPerson(conn, {"E", "F", ""}, NoId, &third, &error));
    EXPECT_GT(third, second);
    ASSERT_TRUE(insertHistoryLines(conn, third, 5, "5520MO", {"three"}, &error));
    EXPECT_GT(scalar(conn, "SELECT MAX(HistID) FROM History").toInt(), lastHist);
}

TEST_P(SchemaTest, MainDatabaseDefaultsAndNulls)
{
    DbConnection conn = openOrFail(createFresh(DbKind::Main, QStringLiteral("defaults")));
    exec(conn, "INSERT INTO UserName (Fam, Im, Otch) VALUES ('A', 'B', 'C')");
    QSqlQuery query(conn.database());
    ASSERT_TRUE(query.exec("SELECT DeviceID, DeviceType, OldPersID, PersID FROM UserName"));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), -1);
    EXPECT_TRUE(query.value(1).isNull());
    EXPECT_EQ(query.value(2).toInt(), -1);
    const int persId = query.value(3).toInt();
    query.finish();

    exec(conn, QStringLiteral("INSERT INTO History (PersID, DeviceID, Event) VALUES (%1, 7, 'x')")
                   .arg(persId));
    EXPECT_TRUE(scalar(conn, "SELECT DeviceType FROM History").isNull());

    // An event line of any length and script is kept whole.
    const QString longLine = QString(4000, QChar(u'Ж')) + QStringLiteral(" ü ' \" end");
    QString error;
    ASSERT_TRUE(insertHistoryLines(conn, persId, 7, "QZ6610K", {longLine}, &error))
        << error.toStdString();
    QList<HistoryRow> rows;
    ASSERT_TRUE(listHistory(conn, persId, "QZ6610K", &rows, &error));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].event, longLine);
}

TEST_P(SchemaTest, ArchiveKeysAreSuppliedNotGenerated)
{
    DbConnection conn = openOrFail(createFresh(DbKind::Archive, QStringLiteral("archkeys")));
    QSqlQuery query(conn.database());
    EXPECT_FALSE(query.exec("INSERT INTO History (PersID, DeviceID, Event) VALUES (1, 2, 'x')"));
    EXPECT_FALSE(
        query.exec("INSERT INTO UserName (Fam, Im, Otch, DeviceID) VALUES ('a', 'b', 'c', -1)"));
    exec(conn, "INSERT INTO History (HistID, PersID, DeviceID, Event, DeviceType) "
               "VALUES (4711, 12, 2, 'x', NULL)");
    exec(conn,
         "INSERT INTO UserName (PersID, Fam, Im, Otch, DeviceID) VALUES (12, 'a', 'b', 'c', -1)");
    EXPECT_EQ(scalar(conn, "SELECT HistID FROM History").toInt(), 4711);
    // Events stand without a person row: moves copy the events before making the person.
    exec(conn, "INSERT INTO History (HistID, PersID, DeviceID, Event) VALUES (4712, 99, 2, 'y')");
}

TEST_P(SchemaTest, NewConnectionsAreSetUpForSharing)
{
    const DbLocator loc = createFresh(DbKind::Main, QStringLiteral("pragmas"));
    DbConnection conn = openOrFail(loc);
    if (engine() == DbEngine::Sqlite) {
        EXPECT_EQ(scalar(conn, "PRAGMA journal_mode").toString(), "wal");
        EXPECT_EQ(scalar(conn, "PRAGMA foreign_keys").toInt(), 1);
        EXPECT_GE(scalar(conn, "PRAGMA busy_timeout").toInt(), 5000);
    } else {
        EXPECT_EQ(scalar(conn, "SELECT current_database()").toString(), loc.databaseName());
    }
}

QZ_DB_ENGINES(SchemaTest);

// The files the build ships are made from the same source: a fresh database of each kind
// has exactly their tables, indexes and stored queries, and they hold no rows.
TEST(ShippedFiles, HaveTheSchemaAndNoRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* shipped;
        DbKind kind;
    };
    const Case cases[] = {{DefaultMainPath, DbKind::Main}, {ArchiveTemplatePath, DbKind::Archive}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shipped);
        const QString source = QStringLiteral(QZ_PROGRAM_DIR "/") + QLatin1String(c.shipped);
        ASSERT_TRUE(QFile::exists(source)) << "build the qz_db_files target first";
        // Opened from a copy: a connection switches the file to its shared log mode.
        const QString copy = dir.filePath(QStringLiteral("shipped.db"));
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(source, copy));
        const DbLocator fresh = DbLocator::fromText(QStringLiteral("fresh.db"), dir.path());
        dropDatabase(fresh);
        QString error;
        ASSERT_TRUE(createDatabase(fresh, c.kind, &error)) << error.toStdString();

        auto describe = [](const QString& path) {
            QStringList lines;
            DbConnection conn = DbConnection::open(DbLocator::fromText(path, QString()));
            EXPECT_TRUE(conn.isOpen());
            QSqlQuery query(conn.database());
            EXPECT_TRUE(query.exec("SELECT type, name, sql FROM sqlite_master ORDER BY name"));
            while (query.next())
                lines << query.value(0).toString() + " " + query.value(1).toString() + " " +
                             query.value(2).toString();
            EXPECT_TRUE(query.exec("SELECT Name, Body FROM StoredQuery ORDER BY Name"));
            while (query.next())
                lines << query.value(0).toString() + ": " + query.value(1).toString();
            for (const char* table : {names::UserName, names::History}) {
                EXPECT_TRUE(query.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)));
                EXPECT_TRUE(query.next());
                lines << QStringLiteral("%1 rows: %2").arg(table).arg(query.value(0).toInt());
            }
            return lines;
        };
        const QStringList shipped = describe(copy);
        EXPECT_TRUE(shipped.contains("UserName rows: 0"));
        EXPECT_TRUE(shipped.contains("History rows: 0"));
        EXPECT_EQ(shipped, describe(fresh.filePath()));
    }
}

} // namespace
} // namespace qz::db::test
