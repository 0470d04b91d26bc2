// Golden files: histories read from the simulated instruments are committed as raw dumps,
// and each dump's window lines as text. Set QZ_UPDATE_GOLDEN=1 to rewrite both after a
// deliberate change, then review the difference before committing it.
#include "common/platform/Progress.h"
#include "sim/SimulatedLink.h"
#include "tray/history/HistoryDecode.h"
#include "tray/history/HistoryLines.h"
#include "tray/history/HistoryRead.h"
#include "tray/shell/LangTable.h"

#include "GoldenCases.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace qz {
namespace {

const QString kDir = QStringLiteral(QZ_FIXTURES_DIR "/history/");

bool updating()
{
    return qEnvironmentVariableIntValue("QZ_UPDATE_GOLDEN") == 1;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray linesText(const QList<HistoryLine>& lines)
{
    QByteArray out;
    for (const HistoryLine& l : lines)
        out += QStringLiteral("%1\t%2\t%3\n").arg(l.width).arg(l.colour).arg(l.text).toUtf8();
    return out;
}

} // namespace

namespace test {
void PrintTo(const GoldenCase& c, std::ostream* os)
{
    *os << c.name;
}
} // namespace test

namespace {

class Golden : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(Golden, SimulatorDumpMatchesTheCommittedOne)
{
    const test::GoldenCase& c = GetParam();
    QString error;
    const auto link =
        sim::SimulatedLink::fromScenarioFile(kDir + QStringLiteral("golden-scenario.json"), &error);
    ASSERT_TRUE(link) << error.toStdString();
    QStringList names;
    ASSERT_TRUE(link->InitIrDAEx());
    ASSERT_TRUE(link->FindDeviceEx(names));
    ASSERT_TRUE(link->ConnectDevIrDAEx(c.instrument));

    const bool k = QLatin1String(c.layout) == QLatin1String("K");
    NullProgress progress;
    QByteArray memory;
    ASSERT_TRUE(FetchHistoryMemory(*link, progress, k ? kHistoryCapacity6610 : kHistoryCapacity,
                                   c.answerLength, memory));
    const QString path = kDir + QLatin1String(c.name) + QStringLiteral(".bin");
    if (updating())
        writeFile(path, memory);
    EXPECT_EQ(memory, readFile(path));
}

TEST_P(Golden, DumpGivesTheCommittedLines)
{
    const test::GoldenCase& c = GetParam();
    const QByteArray memory = readFile(kDir + QLatin1String(c.name) + QStringLiteral(".bin"));
    ASSERT_FALSE(memory.isEmpty());
    LangTable lang;
    ASSERT_TRUE(lang.load(kDir + QStringLiteral("Lang.txt"), 1));
    HistoryTextFormat format;
    format.decimalPoint = QStringLiteral(".");
    format.dateFormat = QLatin1String(test::kGoldenDateFormat);

    QList<HistoryLine> lines;
    const QString layout = QLatin1String(c.layout);
    if (layout == QLatin1String("K")) {
        auto events = std::make_unique<HistoryEvents6610>();
        const int count = decodeHistoryMemory6610(bytesOf(memory), *events);
        lines = historyLines6610(std::span(events->data(), size_t(count)), lang, format);
    } else {
        const HistoryDecodeParams params{layout.startsWith(QLatin1Char('P')),
                                         layout.endsWith(QLatin1Char('G')), c.coef};
        auto events = std::make_unique<HistoryEvents>();
        const int count = decodeHistoryMemory(bytesOf(memory), params, *events);
        const HistorySessionValues session{lang.line(c.units), c.gnFamily, params.GNNewGen,
                                           c.newFirmware, c.medMode};
        lines = historyLines(std::span(events->data(), size_t(count)), session, lang, format);
    }
    const QString path = kDir + QLatin1String(c.name) + QStringLiteral(".lines");
    if (updating())
        writeFile(path, linesText(lines));
    EXPECT_EQ(QString::fromUtf8(linesText(lines)).toStdString(),
              QString::fromUtf8(readFile(path)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Histories, Golden, testing::ValuesIn(test::kGoldenCases),
                         [](const testing::TestParamInfo<test::GoldenCase>& info) {
                             return QString::fromLatin1(info.param.name)
                                 .replace(QLatin1Char('-'), QLatin1Char('_'))
                                 .toStdString();
                         });

} // namespace
} // namespace qz
