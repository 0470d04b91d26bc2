// qz55xx-cli read: one session on the simulated instruments, as a script runs it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kProgram = QStringLiteral(QZ_PROGRAM_DIR "/qz55xx-cli");
const QString kLang = QStringLiteral(QZ_FIXTURES_DIR "/history/Lang.txt");

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun runRead(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(kProgram, QStringList{QStringLiteral("read")} + args);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A program folder with a scenario of one instrument; `extra` goes into the instrument.
class ReadCli : public testing::Test {
protected:
    void writeScenario(const QByteArray& instrumentExtra, const QByteArray& top = {})
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile f(m_dir.filePath(QStringLiteral("s.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"now\": \"2025-06-02T09:00:00\", " + top +
                "\"instruments\": [{\"model\": \"QZ5520GN\", \"number\": 1234, "
                "\"registers\": {\"0xD1\": 30}, \"history\": ["
                "{\"kind\": \"C\", \"time\": \"2025-06-01T07:30:00\"}, "
                "{\"kind\": \"A\", \"time\": \"2025-06-01T10:12:00\", \"word\": 420}]" +
                instrumentExtra + "}]}");
    }
    QStringList args(const QStringList& more = {}) const
    {
        return QStringList{QStringLiteral("--program-folder"), m_dir.path(),
                           QStringLiteral("--link"),           QStringLiteral("simulator:s.json"),
                           QStringLiteral("--lang-file"),      kLang,
                           QStringLiteral("--date-format"),    QStringLiteral("dd.MM.yyyy")} +
               more;
    }
    QTemporaryDir m_dir;
};

TEST_F(ReadCli, PrintsTheWindowLines)
{
    writeScenario({});
    const CliRun r = runRead(args());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString expected =
        QStringLiteral("Line 37                       QZ5520GN\n"
                       "Line 24                       1234\n"
                       "Line 34                       --\n"
                       "Line 25                       02.06.2025 / 09:00\n"
                       "Line 26                       30 Line 35\n"
                       "Threshold, gamma              1.0\n"
                       "Threshold, neutron            1.0\n"
                       "Line 47, gamma                off\n"
                       "Line 31                       on\n"
                       "Sound                         on\n"
                       "Vibration                     on\n"
                       "Line 63                       off\n"
                       "-------------------------------------------------------\n"
                       "Check source                  01.06.2025/07:30   0 cps\n"
                       "Alarm, gamma                  01.06.2025/10:12   420 \u00b5R/h\n");
    EXPECT_EQ(r.out.toStdString(), expected.toStdString());
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

// An instrument issued to nobody is neither erased nor stored, whatever is asked.
TEST_F(ReadCli, UnregisteredInstrumentIsNotErasedOrStored)
{
    writeScenario({});
    QDir(m_dir.path()).mkpath(QStringLiteral("DB"));
    QFile::copy(QStringLiteral(QZ_PROGRAM_DIR "/DB/Vorlex.db"), m_dir.filePath("DB/Vorlex.db"));
    const CliRun r = runRead(args({QStringLiteral("--erase"), QStringLiteral("--store")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("nothing stored"))) << r.err.toStdString();
    EXPECT_FALSE(QDir(m_dir.filePath(QStringLiteral("Journal"))).exists());
}

TEST_F(ReadCli, ExitStatuses)
{
    const struct {
        const char* name;
        QByteArray instrumentExtra;
        QByteArray top;
        QStringList more;
        int status;
    } cases[] = {
        {"history read fails",
         ", \"faults\": [{\"kind\": \"noAnswer\", \"register\": \"0x40\"}]",
         {},
         {},
         4},
        {"block read fails",
         ", \"faults\": [{\"kind\": \"wrongStatus\", \"register\": \"0xD1\"}]",
         {},
         {},
         4},
        {"link cannot start", {}, "\"initFails\": true, ", {}, 4},
        {"out of range", ", \"inRange\": false", {}, {}, 3},
        {"unknown argument", {}, {}, {"--bogus"}, 2},
        {"bad language", {}, {}, {"--language", "x"}, 2},
        {"option without value", {}, {}, {"--date-format"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeScenario(c.instrumentExtra, c.top);
        const CliRun r = runRead(args(c.more));
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    const CliRun missingLang =
        runRead({QStringLiteral("--program-folder"), m_dir.path(), QStringLiteral("--link"),
                 QStringLiteral("simulator:"), QStringLiteral("--lang-file"),
                 m_dir.filePath(QStringLiteral("none.txt"))});
    EXPECT_EQ(missingLang.status, 2);
}

} // namespace
