// Runs the built tray program as the operator's desktop would: a second start, and a stop
// by SIGTERM.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QCoreApplication(argc, argv);
    return *instance;
}

TEST(TrayProgramProcess, SecondStartEndsSilentlyAndSigtermSavesTheSettings)
{
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("QZ55xx");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QZ_PROGRAM_DIR "/QZ55xx"), program));
    QFile::copy(QStringLiteral(QZ_PROGRAM_DIR "/Lang.txt"), dir.filePath("Lang.txt"));
    {
        QFile ini(dir.filePath("QZ55xx.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Parameters]\nEnabledAll=1\nLink=simulator:\n");
    }
    // A runtime folder of its own, so that no other running copy interferes.
    const QString runtime = dir.filePath("runtime");
    ASSERT_TRUE(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    // Up once it holds its lock; the signal handler is in place before that.
    const QString lock = QDir(runtime).filePath("QZMutex.lock");
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(lock) && !deadline.hasExpired())
        ASSERT_FALSE(first.waitForFinished(20)) << "the first copy ended on its own";
    ASSERT_TRUE(QFile::exists(lock));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(2000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardOutput(), QByteArray());
    EXPECT_EQ(second.readAllStandardError(), QByteArray());
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate(); // SIGTERM
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    QFile ini(dir.filePath("QZ55xx.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString expected =
        "[Parameters]\nLanguage=%1\nCOM Port=COM2\nIR Adapter=0\nFind device=1\n"
        "Protocol exchange=1\nSecurity password=53362\nEnabledAll=0\n"
        "Read unregistered device=1\nAdd params DB=0\nPrint device setting=1\n"
        "Link=simulator:\n\n[Data Base]\nADOFile=%2\n";
    const QString text = QString::fromUtf8(ini.readAll());
    // The language comes from the system's locale on a fresh installation.
    const QString language = text.section('\n', 1, 1).section('=', 1);
    EXPECT_TRUE(language == "0" || language == "1") << text.toStdString();
    EXPECT_EQ(text, expected.arg(language, dir.filePath("DB/Vorlex.db"))) << text.toStdString();
}

} // namespace
