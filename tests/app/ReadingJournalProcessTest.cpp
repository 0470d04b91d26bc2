// The tray program killed between the erase of an instrument and the operator's close of the
// history window: the reading must not be lost, and must not be stored twice.
#include "common/db/DbConnection.h"
#include "common/db/DbLocator.h"
#include "common/db/PersonnelDb.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QCoreApplication(argc, argv);
    return *instance;
}

bool copyFolder(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
}

QByteArray iniText(bool findDevice)
{
    return QByteArray("[Parameters]\nLanguage=1\nLink=simulator:scenario.json\nFind device=") +
           (findDevice ? "1" : "0") + "\n";
}

QStringList journalEntries(const QString& programFolder)
{
    return QDir(QDir(programFolder).filePath("Journal"))
        .entryList({QStringLiteral("*.json")}, QDir::Files);
}

TEST(TrayProgramReading, KilledAfterTheEraseStoresEveryLineOnceAtTheNextStart)
{
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    ASSERT_TRUE(copyFolder(QStringLiteral(QZ_PROGRAM_DIR), folder));

    // Only the demo's gamma-neutron instrument in range, so that the tray program and the
    // command-line reader meet the same instrument.
    {
        QFile demo(QDir(folder).filePath("demo/scenario.json"));
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        QJsonObject scenario = QJsonDocument::fromJson(demo.readAll()).object();
        const QJsonArray instruments = scenario.value("instruments").toArray();
        ASSERT_FALSE(instruments.isEmpty());
        ASSERT_EQ(instruments.first().toObject().value("announcedName").toString(),
                  "QZ5520GN#1234");
        scenario.insert("instruments", QJsonArray{instruments.first()});
        writeFile(QDir(folder).filePath("scenario.json"), QJsonDocument(scenario).toJson());
    }

    const QString takenBack = QStringLiteral("taken back");
    const QString issued = QStringLiteral("issued 01.06.25/08:00");
    int holder = qz::db::NoId;
    {
        QString error;
        const auto conn = qz::db::DbConnection::open(
            qz::db::DbLocator::fromText(QDir(folder).filePath("DB/Vorlex.db"), folder), &error);
        ASSERT_TRUE(conn.isOpen()) << error.toStdString();
        int other = qz::db::NoId;
        ASSERT_TRUE(qz::db::insertPerson(conn, {"Petrov", "Petr", "Petrovich"}, qz::db::NoId,
                                         &other, &error))
            << error.toStdString();
        ASSERT_TRUE(qz::db::insertPerson(conn, {"Ivanov", "Ivan", "Ivanovich"}, qz::db::NoId,
                                         &holder, &error))
            << error.toStdString();
        ASSERT_TRUE(
            qz::db::bindDevice(conn, holder, 1234, "QZ5520GN", takenBack, issued, nullptr, &error))
            << error.toStdString();
    }
    writeFile(QDir(folder).filePath("QZ55xx.ini"), iniText(true));

    // The lines the history window will hold, from the command-line reader, which changes
    // nothing on the (simulated) instrument or in the database.
    QStringList windowLines;
    {
        QProcess read;
        read.start(QDir(folder).filePath("qz55xx-cli"),
                   {"read", "--program-folder", folder, "--link", "simulator:scenario.json"});
        ASSERT_TRUE(read.waitForFinished(15000));
        ASSERT_EQ(read.exitCode(), 0) << read.readAllStandardError().toStdString();
        windowLines = QString::fromUtf8(read.readAllStandardOutput()).split('\n');
        if (!windowLines.isEmpty() && windowLines.last().isEmpty())
            windowLines.removeLast();
    }
    // Stored are the event lines: those after the card's closing line of dashes.
    qsizetype dashes = -1;
    for (qsizetype i = 0; i < windowLines.size() && dashes < 0; ++i)
        if (windowLines[i].startsWith('-'))
            dashes = i;
    ASSERT_GE(dashes, 0) << windowLines.join('\n').toStdString();
    const QStringList eventLines = windowLines.mid(dashes + 1);
    ASSERT_GE(eventLines.size(), 10);

    const QString runtime = QDir(folder).filePath("runtime");
    ASSERT_TRUE(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    const QString program = QDir(folder).filePath("QZ55xx");

    // First run: the splash (3 s + 1 s) and one discovery interval pass before the reading.
    {
        QProcess tray;
        tray.setProcessEnvironment(env);
        tray.setProcessChannelMode(QProcess::ForwardedChannels);
        tray.start(program, {});
        ASSERT_TRUE(tray.waitForStarted(5000));
        QDeadlineTimer deadline(20000);
        while (journalEntries(folder).isEmpty() && !deadline.hasExpired())
            ASSERT_FALSE(tray.waitForFinished(50)) << "the tray program ended on its own";
        ASSERT_EQ(journalEntries(folder).size(), 1) << "no journal entry within 20 s";
        // The entry is written just before the erase; whether the kill comes before or after
        // the erase, the lines exist only in the journal now.
        ::kill(pid_t(tray.processId()), SIGKILL);
        ASSERT_TRUE(tray.waitForFinished(5000));
        EXPECT_EQ(tray.exitStatus(), QProcess::CrashExit);
    }
    {
        QString error;
        const auto conn = qz::db::DbConnection::open(
            qz::db::DbLocator::fromText(QDir(folder).filePath("DB/Vorlex.db"), folder), &error);
        ASSERT_TRUE(conn.isOpen()) << error.toStdString();
        QList<qz::db::HistoryRow> rows;
        ASSERT_TRUE(qz::db::listHistory(conn, holder, QString(), &rows, &error));
        ASSERT_EQ(rows.size(), 1) << "nothing is stored before the window closes";
    }

    // Second run, without discovery so that it does not read the instrument again: the
    // start-up stores what the journal holds.
    writeFile(QDir(folder).filePath("QZ55xx.ini"), iniText(false));
    {
        QProcess tray;
        tray.setProcessEnvironment(env);
        tray.setProcessChannelMode(QProcess::ForwardedChannels);
        tray.start(program, {});
        ASSERT_TRUE(tray.waitForStarted(5000));
        QDeadlineTimer deadline(15000);
        while (!journalEntries(folder).isEmpty() && !deadline.hasExpired())
            ASSERT_FALSE(tray.waitForFinished(50)) << "the tray program ended on its own";
        EXPECT_TRUE(journalEntries(folder).isEmpty()) << "the journal entry was not stored";
        tray.terminate();
        ASSERT_TRUE(tray.waitForFinished(15000));
        EXPECT_EQ(tray.exitStatus(), QProcess::NormalExit);
    }

    QString error;
    const auto conn = qz::db::DbConnection::open(
        qz::db::DbLocator::fromText(QDir(folder).filePath("DB/Vorlex.db"), folder), &error);
    ASSERT_TRUE(conn.isOpen()) << error.toStdString();
    QList<qz::db::HistoryRow> rows;
    ASSERT_TRUE(qz::db::listHistory(conn, holder, QString(), &rows, &error)) << error.toStdString();
    QStringList stored;
    for (const qz::db::HistoryRow& row : std::as_const(rows)) {
        stored.append(row.event);
        if (row.event != issued) {
            EXPECT_EQ(row.deviceId, 1234);
            EXPECT_EQ(row.deviceType, "QZ5520GN");
        }
    }
    // Each line once, in the order read, after the registration's line.
    EXPECT_EQ(stored.join('\n').toStdString(),
              (QStringList{issued} + eventLines).join('\n').toStdString());
    EXPECT_TRUE(journalEntries(folder).isEmpty());
    EXPECT_TRUE(QDir(QDir(folder).filePath("Journal"))
                    .entryList(QDir::Files | QDir::NoDotAndDotDot)
                    .isEmpty());
}

} // namespace
