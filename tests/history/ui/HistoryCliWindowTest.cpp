// A saved dump turns into the same lines through the command-line tool as in the window.
#include "HistWindowTestSupport.h"
#include "common/platform/ui/RichTextBox.h"
#include "history/GoldenCases.h"
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryLineThread.h"
#include "tray/history/ui/TFormHist.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace qz {
namespace {

const QString kFixtures = QStringLiteral(QZ_FIXTURES_DIR "/history/");
const QString kCli = QStringLiteral(QZ_PROGRAM_DIR "/qz55xx-cli");

class CliAndWindow : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(CliAndWindow, DumpGivesTheSameLines)
{
    const test::GoldenCase& g = GetParam();
    const QString dump = kFixtures + QLatin1String(g.name) + QStringLiteral(".bin");
    ASSERT_TRUE(QFileInfo(kCli).isExecutable()) << "build qz55xx-cli first";

    // The tool, as a support engineer runs it on the saved dump.
    QStringList args{QStringLiteral("history-lines"),
                     QStringLiteral("--layout"),
                     QLatin1String(g.layout),
                     QStringLiteral("--date-format"),
                     QLatin1String(test::kGoldenDateFormat),
                     QStringLiteral("--lang-file"),
                     kFixtures + QStringLiteral("Lang.txt")};
    args += QString::fromLatin1(g.cliFlags).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args.append(dump);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(kCli, args);
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList cliTexts;
    RtfDocument cliLooks;
    for (const QString& row : QString::fromUtf8(p.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = row.split(QLatin1Char('\t'));
        ASSERT_EQ(f.size(), 3) << row.toStdString();
        cliTexts.append(f[2]);
        cliLooks.lines.append(test::expectedLook(f[2], f[0].toInt(), f[1].toInt()));
    }
    ASSERT_FALSE(cliTexts.isEmpty());

    // The window, filled by the line thread from the same dump and session values.
    test::HistWindowContext c;
    ASSERT_TRUE(c.lang.load(kFixtures + QStringLiteral("Lang.txt"), 1));
    QFile file(dump);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray memory = file.readAll();
    HistoryTextFormat format;
    format.decimalPoint = QStringLiteral(".");
    format.dateFormat = QLatin1String(test::kGoldenDateFormat);
    TFormHist form(c.ctx);
    const QString layout = QLatin1String(g.layout);
    if (layout == QLatin1String("K")) {
        auto events = std::make_unique<HistoryEvents6610>();
        const int count = decodeHistoryMemory6610(bytesOf(memory), *events);
        TInsHistThread6610K thread(std::span(events->data(), size_t(count)), c.lang, form, format);
        runHistoryLineThread(thread);
    } else {
        const HistoryDecodeParams params{layout.startsWith(QLatin1Char('P')),
                                         layout.endsWith(QLatin1Char('G')), g.coef};
        auto events = std::make_unique<HistoryEvents>();
        const int count = decodeHistoryMemory(bytesOf(memory), params, *events);
        const HistorySessionValues session{c.lang.line(g.units), g.gnFamily, params.GNNewGen,
                                           g.newFirmware, g.medMode};
        TInsHistThread thread(std::span(events->data(), size_t(count)), session, c.lang, form,
                              format);
        runHistoryLineThread(thread);
    }

    EXPECT_EQ(form.lines().join(u'\n').toStdString(), cliTexts.join(u'\n').toStdString());
    const RtfDocument shown = form.reHist->toRtfDocument();
    ASSERT_EQ(shown.lines.size(), cliLooks.lines.size());
    for (qsizetype i = 0; i < shown.lines.size(); ++i)
        EXPECT_EQ(shown.lines[i], cliLooks.lines[i]) << "line " << i;
}

INSTANTIATE_TEST_SUITE_P(Histories, CliAndWindow, testing::ValuesIn(test::kGoldenCases),
                         [](const testing::TestParamInfo<test::GoldenCase>& info) {
                             return QString::fromLatin1(info.param.name)
                                 .replace(QLatin1Char('-'), QLatin1Char('_'))
                                 .toStdString();
                         });

} // namespace

namespace test {
void PrintTo(const GoldenCase& c, std::ostream* os)
{
    *os << c.name;
}
} // namespace test

} // namespace qz
