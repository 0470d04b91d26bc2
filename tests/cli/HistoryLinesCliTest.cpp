// qz55xx-cli history-lines, run as the support engineer runs it.
#include "cli/CliRun.h"
#include "history/GoldenCases.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFixtures = QStringLiteral(QZ_FIXTURES_DIR "/history/");
const QString kProgram = qz::test::kCliProgram;
using qz::test::CliRun;

CliRun run(const QStringList& args, const QString& program = kProgram,
           const QString& locale = QStringLiteral("C"), const QString& timeZone = {})
{
    return qz::test::runCli(QStringList{QStringLiteral("history-lines")} + args, program, locale,
                            timeZone);
}

QStringList goldenArgs(const qz::test::GoldenCase& c)
{
    QStringList args{QStringLiteral("--layout"), QLatin1String(c.layout),
                     QStringLiteral("--date-format"), QLatin1String(qz::test::kGoldenDateFormat)};
    args += QString::fromLatin1(c.cliFlags).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return args;
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class HistoryLinesCli : public testing::TestWithParam<qz::test::GoldenCase> {};

TEST_P(HistoryLinesCli, DumpGivesTheWindowLines)
{
    const qz::test::GoldenCase& c = GetParam();
    const CliRun r =
        run(goldenArgs(c) +
            QStringList{QStringLiteral("--lang-file"), kFixtures + QStringLiteral("Lang.txt"),
                        kFixtures + QLatin1String(c.name) + QStringLiteral(".bin")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString expected = readText(kFixtures + QLatin1String(c.name) + QStringLiteral(".lines"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(r.out.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Histories, HistoryLinesCli, testing::ValuesIn(qz::test::kGoldenCases),
                         [](const testing::TestParamInfo<qz::test::GoldenCase>& info) {
                             return QString::fromLatin1(info.param.name)
                                 .replace(QLatin1Char('-'), QLatin1Char('_'))
                                 .toStdString();
                         });

TEST(HistoryLinesCliDefaults, ProgramFolderLanguageFileAndSystemSeparator)
{
    // The program in a folder of its own with a Lang.txt beside it, as it is installed.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath(QStringLiteral("qz55xx-cli"));
    ASSERT_TRUE(QFile::copy(kProgram, program));
    ASSERT_TRUE(QFile::copy(kFixtures + QStringLiteral("Lang.txt"),
                            dir.filePath(QStringLiteral("Lang.txt"))));
    const QString dump = kFixtures + QStringLiteral("pager.bin");
    const QStringList args{QStringLiteral("--layout"),       QStringLiteral("P"),
                           QStringLiteral("--date-format"),  QStringLiteral("dd.MM.yyyy"),
                           QStringLiteral("--new-firmware"), dump};

    const CliRun english = run(args, program);
    ASSERT_EQ(english.status, 0) << english.err.toStdString();
    const QStringList lines = english.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    // language 1 by default; units 44 ("cps") by default
    EXPECT_EQ(lines[1].toStdString(),
              "30\t0\tReading, gamma                30.05.2025/08:10   0.35 cps");

    const CliRun german = run(args, program, QStringLiteral("de_DE.UTF-8"));
    ASSERT_EQ(german.status, 0) << german.err.toStdString();
    EXPECT_TRUE(german.out.contains(QStringLiteral("08:10   0,35 cps")))
        << german.out.toStdString();

    const CliRun russian =
        run(QStringList{QStringLiteral("--language"), QStringLiteral("0")} + args, program);
    ASSERT_EQ(russian.status, 0) << russian.err.toStdString();
    EXPECT_TRUE(russian.out.contains(QStringLiteral("Измерение, гамма")))
        << russian.out.toStdString();
}

TEST(HistoryLinesCliDefaults, WallClockTimeInADaylightSavingGap)
{
    // 2024-03-31 02:30 does not exist in Central European local time; the instrument counted
    // it all the same and the line shows what it counted (not an empty or shifted time).
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString dump = dir.filePath(QStringLiteral("gap.bin"));
    {
        QFile f(dump);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("b69cca00 0000 31 00")); // '1', minutes 13278390
    }
    const CliRun r = run({QStringLiteral("--layout"), QStringLiteral("O"),
                          QStringLiteral("--lang-file"), kFixtures + QStringLiteral("Lang.txt"),
                          QStringLiteral("--date-format"), QStringLiteral("dd.MM.yyyy"), dump},
                         kProgram, QStringLiteral("C"), QStringLiteral("Europe/Berlin"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), "30\t2\tPower on                      31.03.2024/02:30\n");
}

TEST(HistoryLinesCliErrors, OneLineOnStderrAndStatus2)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tooLong = dir.filePath(QStringLiteral("big.bin"));
    {
        QFile f(tooLong);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8193, '\0'));
    }
    const QString lang = kFixtures + QStringLiteral("Lang.txt");
    const QString dump = kFixtures + QStringLiteral("classic.bin");
    const QStringList common{QStringLiteral("--lang-file"), lang};
    const struct {
        const char* name;
        QStringList args;
    } cases[] = {
        {"no arguments", {}},
        {"no layout", common + QStringList{dump}},
        {"unknown layout", common + QStringList{"--layout", "Q", dump}},
        {"bad units", common + QStringList{"--layout", "O", "--units", "45", dump}},
        {"bad coefficient", common + QStringList{"--layout", "O", "--coef", "abc", dump}},
        {"infinite coefficient", common + QStringList{"--layout", "O", "--coef", "inf", dump}},
        {"bad language", common + QStringList{"--layout", "O", "--language", "-1", dump}},
        {"language not in the file",
         common + QStringList{"--layout", "O", "--language", "5", dump}},
        {"unknown option", common + QStringList{"--layout", "O", "--verbose", dump}},
        {"two dump files", common + QStringList{"--layout", "O", dump, dump}},
        {"layout given twice", common + QStringList{"--layout", "O", "--layout", "K", dump}},
        {"missing dump", common + QStringList{"--layout", "O", dir.filePath("none.bin")}},
        {"dump larger than the memory", common + QStringList{"--layout", "O", tooLong}},
        {"missing language file",
         QStringList{"--lang-file", dir.filePath("Lang.txt"), "--layout", "O", dump}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
    }
}

} // namespace
