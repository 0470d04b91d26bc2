// qz55xx-cli demo-db: the demo's persons, issued as the registration issues, and a refusal
// to fill a database that already holds persons.
#include "common/db/DbConnection.h"
#include "common/db/DbLocator.h"
#include "common/db/PersonnelDb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& args)
{
    QProcess cli;
    cli.start(QStringLiteral(QZ_PROGRAM_DIR "/qz55xx-cli"), args);
    CliRun run;
    if (!cli.waitForFinished(15000))
        return run;
    run.exitCode = cli.exitCode();
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

TEST(DemoDbCommand, FillsOnceAndShowsTheHolderWithTheInstrument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    ASSERT_TRUE(QDir().mkpath(QDir(folder).filePath("DB")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QZ_PROGRAM_DIR "/DB/Vorlex.db"),
                            QDir(folder).filePath("DB/Vorlex.db")));
    QFile::setPermissions(QDir(folder).filePath("DB/Vorlex.db"),
                          QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(QZ_PROGRAM_DIR "/Lang.txt"), QDir(folder).filePath("Lang.txt")));

    const CliRun fill = runCli({"demo-db", "fill", "--program-folder", folder});
    ASSERT_EQ(fill.exitCode, 0) << fill.err.toStdString();

    {
        QString error;
        const auto conn = qz::db::DbConnection::open(
            qz::db::DbLocator::fromText(QDir(folder).filePath("DB/Vorlex.db"), folder), &error);
        ASSERT_TRUE(conn.isOpen()) << error.toStdString();
        QList<qz::db::Person> persons;
        ASSERT_TRUE(qz::db::listPersons(conn, &persons, &error)) << error.toStdString();
        ASSERT_EQ(persons.size(), 4);
        qz::db::Person holder;
        ASSERT_TRUE(qz::db::findHolder(conn, 1234, "QZ5520GN", &holder, &error))
            << error.toStdString();
        EXPECT_EQ(holder.name.fullName(), "Ivanov Ivan Ivanovich");
        QList<qz::db::Person> free;
        ASSERT_TRUE(qz::db::listPersonsWithoutInstrument(conn, &free, &error));
        EXPECT_EQ(free.size(), 3);
        // The registration's event line, as the tray program writes it.
        QList<qz::db::HistoryRow> rows;
        ASSERT_TRUE(qz::db::listHistory(conn, holder.persId, QString(), &rows, &error));
        ASSERT_EQ(rows.size(), 1);
        EXPECT_FALSE(rows.first().event.isEmpty());
    }

    const CliRun again = runCli({"demo-db", "fill", "--program-folder", folder});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("already holds persons")) << again.err.toStdString();

    const CliRun show = runCli({"demo-db", "show", "--program-folder", folder});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QStringList lines = show.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << show.out.toStdString(); // four persons, one event line
    EXPECT_EQ(lines[0], "Ivanov Ivan Ivanovich  (QZ5520GN 1234)");
    EXPECT_TRUE(lines[1].startsWith("    "));
    EXPECT_EQ(lines[2], "Petrova Anna Sergeevna");

    const CliRun bad = runCli({"demo-db", "--program-folder", folder});
    EXPECT_EQ(bad.exitCode, 2);
}

} // namespace
