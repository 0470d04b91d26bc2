// Archives: created from the template, filled by copies from the main database.
#include "DbTestSupport.h"

#include "common/db/DbNames.h"
#include "common/db/DbSetup.h"
#include "common/db/PersonnelDb.h"

#include <QFile>
#include <QSqlQuery>

namespace qz::db::test {
namespace {

class ArchiveTest : public EngineTest {};

TEST_P(ArchiveTest, ArchiveIsCreatedFromTheTemplate)
{
    const DbLocator templ = createFresh(DbKind::Archive, QStringLiteral("templ"));
    const DbLocator archive = freshLocator(QStringLiteral("arch"));
    QString error;
    ASSERT_TRUE(createArchiveFromTemplate(templ, archive, ExistingArchive::Fail, &error))
        << error.toStdString();
    {
        DbConnection conn = openOrFail(archive);
        ASSERT_TRUE(ensureArchivePerson(conn, 12, {"A", "B", "C"}, &error)) << error.toStdString();
        exec(conn, "INSERT INTO History (HistID, PersID, DeviceID, Event, DeviceType) "
                   "VALUES (1, 12, 5, 'kept', '5520MO')");
        QStringList types;
        ASSERT_TRUE(deviceTypes(conn, NoId, &types, &error)) << error.toStdString();
        EXPECT_EQ(types, QStringList{"5520MO"});
    }

    // An archive of that name exists now: it is kept unless replacing was asked for.
    EXPECT_FALSE(createArchiveFromTemplate(templ, archive, ExistingArchive::Fail, &error));
    {
        DbConnection conn = openOrFail(archive);
        EXPECT_EQ(scalar(conn, "SELECT COUNT(*) FROM History").toInt(), 1);
    }
    ASSERT_TRUE(createArchiveFromTemplate(templ, archive, ExistingArchive::Replace, &error))
        << error.toStdString();
    DbConnection conn = openOrFail(archive);
    EXPECT_EQ(scalar(conn, "SELECT COUNT(*) FROM History").toInt(), 0);
    EXPECT_EQ(scalar(conn, "SELECT COUNT(*) FROM UserName").toInt(), 0);

    // The template itself stays empty.
    DbConnection templConn = openOrFail(templ);
    EXPECT_EQ(scalar(templConn, "SELECT COUNT(*) FROM History").toInt(), 0);
}

TEST_P(ArchiveTest, MissingTemplateCreatesNothing)
{
    const DbLocator templ = freshLocator(QStringLiteral("missingtempl"));
    const DbLocator archive = freshLocator(QStringLiteral("arch"));
    QString error;
    EXPECT_FALSE(createArchiveFromTemplate(templ, archive, ExistingArchive::Fail, &error));
    EXPECT_FALSE(error.isEmpty());
    bool exists = true;
    ASSERT_TRUE(databaseExists(archive, &exists, &error)) << error.toStdString();
    EXPECT_FALSE(exists);
}

TEST_P(ArchiveTest, EventsAreCopiedWithTheirHistIdOnce)
{
    DbConnection main = openOrFail(createFresh(DbKind::Main, QStringLiteral("main")));
    DbConnection archive = openOrFail(createFresh(DbKind::Archive, QStringLiteral("arch")));
    int a = NoId, b = NoId;
    ASSERT_TRUE(insertPerson(main, {"O'Neil", "Ж", ""}, 12, &a));
    ASSERT_TRUE(insertPerson(main, {"Other", "O", ""}, NoId, &b));
    ASSERT_TRUE(insertHistoryLines(main, a, 7, "5520MO", {"first", "second"}));
    ASSERT_TRUE(insertHistoryLines(main, b, 8, "5520MO", {"not this"}));
    ASSERT_TRUE(insertHistoryLines(main, a, 7, QString(), {"third, no type"}));
    QList<HistoryRow> source;
    ASSERT_TRUE(listHistory(main, a, QString(), &source));

    int copied = -1;
    QString error;
    ASSERT_TRUE(copyHistoryToArchive(main, archive, a, 12, &copied, &error)) << error.toStdString();
    EXPECT_EQ(copied, 3);
    ASSERT_TRUE(ensureArchivePerson(archive, 12, {"O'Neil", "Ж", ""}, &error));

    QList<HistoryRow> copies;
    ASSERT_TRUE(listHistory(archive, 12, QString(), &copies));
    ASSERT_EQ(copies.size(), source.size());
    for (qsizetype i = 0; i < copies.size(); ++i) {
        EXPECT_EQ(copies[i].histId, source[i].histId);
        EXPECT_EQ(copies[i].event, source[i].event);
        EXPECT_EQ(copies[i].deviceId, source[i].deviceId);
        EXPECT_EQ(copies[i].deviceType, source[i].deviceType);
    }

    // Repeating an interrupted move adds nothing twice.
    ASSERT_TRUE(copyHistoryToArchive(main, archive, a, 12, &copied, &error));
    EXPECT_EQ(copied, 0);
    ASSERT_TRUE(ensureArchivePerson(archive, 12, {"O'Neil", "Ж", ""}, &error));
    EXPECT_EQ(scalar(archive, "SELECT COUNT(*) FROM History").toInt(), 3);
    QList<Person> persons;
    ASSERT_TRUE(listPersons(archive, &persons));
    ASSERT_EQ(persons.size(), 1);
    EXPECT_EQ(persons[0].name.fam, "O'Neil");
    EXPECT_EQ(persons[0].deviceId, NoId);

    // Back into the main database: new numbers after the existing ones, same contents.
    int back = NoId;
    ASSERT_TRUE(insertPerson(main, {"O'Neil", "Ж", ""}, 12, &back));
    ASSERT_TRUE(insertHistoryRows(main, back, copies, &error)) << error.toStdString();
    QList<HistoryRow> returned;
    ASSERT_TRUE(listHistory(main, back, QString(), &returned));
    ASSERT_EQ(returned.size(), copies.size());
    for (qsizetype i = 0; i < returned.size(); ++i) {
        EXPECT_GT(returned[i].histId, source.last().histId);
        EXPECT_EQ(returned[i].event, copies[i].event);
        EXPECT_EQ(returned[i].deviceId, copies[i].deviceId);
        EXPECT_EQ(returned[i].deviceType, copies[i].deviceType);
    }
}

QZ_DB_ENGINES(ArchiveTest);

TEST(ArchiveNaming, NewArchivesAreNamedByTheLocalTime)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(9, 5, 7));
    EXPECT_EQ(newArchiveName(when), "QZ55xxArh090507_10_12_26");
    EXPECT_EQ(newArchiveName(QDateTime(QDate(2031, 1, 2), QTime(23, 59, 0))),
              "QZ55xxArh235900_02_01_31");

    const QString folder = QStringLiteral("/opt/qz");
    const DbLocator fileArchive = DbLocator::fromText("Archive/ArchDb.db", folder);
    EXPECT_EQ(newArchiveLocator(fileArchive, folder, when).filePath(),
              "/opt/qz/Archive/QZ55xxArh090507_10_12_26.db");
    EXPECT_EQ(archiveTemplateLocator(fileArchive, folder).filePath(),
              "/opt/qz/Template/ArchDb0.db");

    const DbLocator main =
        DbLocator::fromText("postgresql://site@db.example:5433/Vorlex?sslmode=require", folder);
    const DbLocator serverArchive = defaultArchiveLocator(main, folder);
    EXPECT_EQ(serverArchive.databaseName(), "ArchDb");
    const DbLocator fresh = newArchiveLocator(serverArchive, folder, when);
    EXPECT_EQ(fresh.toString(),
              "postgresql://site@db.example:5433/QZ55xxArh090507_10_12_26?sslmode=require");
    EXPECT_EQ(archiveTemplateLocator(fresh, folder).databaseName(), "ArchDb0");
    EXPECT_EQ(defaultArchiveLocator(DbLocator::fromText("DB/Vorlex.db", folder), folder).filePath(),
              "/opt/qz/Archive/ArchDb.db");
}

} // namespace
} // namespace qz::db::test
