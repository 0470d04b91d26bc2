#include "tray/history/ui/HistoryPrint.h"

#include "HistWindowTestSupport.h"
#include "common/platform/ui/RichTextBox.h"
#include "tray/history/ui/TFormHist.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qz {
namespace {

using test::HistWindowContext;

TEST(HistoryPrintRange, AllLinesOrTheLinesTheSelectionTouches)
{
    // "abcdefghij\nk\nl\nmn": positions 0-9 line 0, 10 its end, 11 "k", 13 "l", 15 "mn".
    const QStringList lines{QStringLiteral("abcdefghij"), QStringLiteral("k"), QStringLiteral("l"),
                            QStringLiteral("mn")};
    const struct {
        const char* name;
        bool selectionOnly;
        int start;
        int length;
        HistoryPrintRange range;
    } cases[] = {
        {"all pages", false, 3, 5, {0, 3}},
        {"inside one line", true, 2, 3, {0, 0}},
        // Starting late in a long line and running over two short ones: all three lines.
        {"late start over short lines", true, 9, 5, {0, 2}},
        // Whole lines with their line ends: no line after them.
        {"whole lines with ends", true, 11, 4, {1, 2}},
        {"up to the last character", true, 13, 4, {2, 3}},
        {"past the end", true, 15, 40, {3, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(historyPrintRange(lines, c.selectionOnly, c.start, c.length), c.range) << c.name;
}

TEST(HistoryPrintRange, DeviceCardEndsAtTheFirstDashLine)
{
    const struct {
        QStringList lines;
        int last;
    } cases[] = {
        {{}, -1},
        {{QStringLiteral("a"), QStringLiteral("b")}, 1}, // no separator: everything
        {{QStringLiteral("a"), QStringLiteral("-x"), QStringLiteral("-----")}, 1},
        {{QStringLiteral(" -"), QStringLiteral("b"), QStringLiteral("---"), QStringLiteral("c")},
         2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(deviceCardLastLine(c.lines), c.last) << c.lines.join(u'|').toStdString();
}

// The window text: a card of four lines, the separator (line 4), then event lines.
QStringList windowText(int events, int longLineAt = -1)
{
    QStringList lines{QStringLiteral("Model                         QZ5520GN"),
                      QStringLiteral("Serial number                 1234"),
                      QStringLiteral("Holder                        Petrov"),
                      QStringLiteral("History interval              10 min"),
                      QString(55, QLatin1Char('-'))};
    for (int i = 0; i < events; ++i)
        lines.append(i == longLineAt
                         ? QStringLiteral("Long%1")
                                   .arg(i, 3, 10, QLatin1Char('0'))
                                   .leftJustified(79, QLatin1Char('.')) +
                               QLatin1Char('|')
                         : QStringLiteral("Event %1                     01.02.2024/10:%2   %3")
                               .arg(i, 3, 10, QLatin1Char('0'))
                               .arg(i % 60, 2, 10, QLatin1Char('0'))
                               .arg(i * 1.5));
    return lines;
}

struct Printed {
    QString error;
    QList<QStringList> pages; // folded, non-empty lines of each page
    QList<QSizeF> pageSizes;  // points
};

Printed readPdf(const QString& path)
{
    Printed out;
    const QString text =
        test::runTool(QStringLiteral("pdftotext"),
                      {QStringLiteral("-layout"), path, QStringLiteral("-")}, &out.error);
    if (!out.error.isEmpty())
        return out;
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (const QString& page : pages) {
        QStringList lines;
        for (const QString& l : page.split(QLatin1Char('\n')))
            if (!l.trimmed().isEmpty())
                lines.append(l.simplified());
        out.pages.append(lines);
    }
    const QString info = test::runTool(QStringLiteral("pdfinfo"),
                                       {QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QString::number(pages.size()), path},
                                       &out.error);
    static const QRegularExpression size(
        QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out.pageSizes.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return out;
}

QStringList folded(const QStringList& lines, int first, int last)
{
    QStringList out;
    for (int i = first; i <= last; ++i)
        out.append(lines[i].simplified());
    return out;
}

QStringList allPrinted(const Printed& p)
{
    QStringList out;
    for (const QStringList& page : p.pages)
        out += page;
    return out;
}

// Fills a window, selects, prints through the print button into a PDF.
struct PrintRun {
    HistWindowContext c;
    QTemporaryDir dir;
    TFormHist form{c.ctx};
    QString pdf = dir.filePath(QStringLiteral("out.pdf"));

    explicit PrintRun(const QStringList& lines)
    {
        for (const QString& l : lines)
            form.PostHistoryLine(l, l.startsWith(QLatin1Char('-')) ? 0 : 30, 0);
    }
    void select(int line, int column, int length)
    {
        form.reHist->select(form.reHist->lineStart(line) + column, length);
    }
    Printed print(bool selectionOnly)
    {
        PrintChoice choice;
        choice.selectionOnly = selectionOnly;
        choice.outputFile = pdf;
        c.dialogs.answerPrint(choice);
        form.tbtnPrint->click();
        return readPdf(pdf);
    }
};

struct SelectionCase {
    const char* name;
    int line; // selection start
    int column;
    int length; // -1: lines `line` and `line + 1` with the line end between them
    bool printDeviceSetting;
    bool answerSelection; // the operator leaves "selection" chosen
    bool offered;
    QList<std::pair<int, int>> printed; // line ranges, in print order
};

void PrintTo(const SelectionCase& c, std::ostream* os)
{
    *os << c.name;
}

class HistoryPrintSelection : public testing::TestWithParam<SelectionCase> {};

TEST_P(HistoryPrintSelection, PrintsTheChosenLines)
{
    const SelectionCase& k = GetParam();
    const QStringList lines = windowText(12);
    PrintRun run(lines);
    run.c.ini.PrintDeviceSetting = k.printDeviceSetting;
    const int length = k.length >= 0
                           ? k.length
                           : int(lines[k.line].size() - k.column + 1 + lines[k.line + 1].size());
    run.select(k.line, k.column, length);

    const Printed printed = run.print(k.answerSelection);
    ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();

    ASSERT_EQ(run.c.dialogs.asked().size(), 1);
    EXPECT_EQ(run.c.dialogs.asked()[0].caption, QStringLiteral("L46"));
    EXPECT_EQ(run.c.dialogs.asked()[0].print.offerSelection, k.offered);
    EXPECT_EQ(run.c.dialogs.asked()[0].print.selectionPreselected, k.offered);
    QStringList expected;
    for (const auto& [first, last] : k.printed)
        expected += folded(lines, first, last);
    EXPECT_EQ(allPrinted(printed).join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryPrintSelection,
    testing::Values(
        SelectionCase{"NoSelectionAllLines", 6, 0, 0, true, false, false, {{0, 16}}},
        SelectionCase{"OneCharacterAllLines", 6, 3, 1, true, true, false, {{0, 16}}},
        SelectionCase{"SelectionAllChosen", 6, 0, -1, true, false, true, {{0, 16}}},
        SelectionCase{"FromLine5DeviceCardFirst", 5, 0, -1, true, true, true, {{0, 4}, {5, 6}}},
        SelectionCase{"DeviceCardSettingOff", 5, 0, -1, false, true, true, {{5, 6}}},
        SelectionCase{"FromLine2NoSeparateCard", 2, 4, -1, true, true, true, {{2, 3}}},
        SelectionCase{"TwoCharactersOneLine", 9, 0, 2, true, true, true, {{0, 4}, {9, 9}}}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

TEST(HistoryPrint, ALineTooWideForPortraitTurnsThePageToLandscape)
{
    for (const int longLine : {-1, 7}) {
        const QStringList lines = windowText(10, longLine);
        PrintRun run(lines);
        const Printed printed = run.print(false);
        ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
        ASSERT_EQ(printed.pageSizes.size(), 1) << longLine;
        const QSizeF page = printed.pageSizes[0];
        EXPECT_EQ(page.width() > page.height(), longLine >= 0) << longLine;
        EXPECT_EQ(allPrinted(printed), folded(lines, 0, int(lines.size()) - 1)) << longLine;
    }
}

TEST(HistoryPrint, LongHistoryRunsOverPagesInOrder)
{
    const QStringList lines = windowText(150);
    PrintRun run(lines);
    const Printed printed = run.print(false);
    ASSERT_TRUE(printed.error.isEmpty()) << printed.error.toStdString();
    ASSERT_GE(printed.pages.size(), 3);
    EXPECT_EQ(printed.pageSizes.size(), printed.pages.size());
    // Every page full but the last, which is not empty; nothing lost or reordered.
    const qsizetype perPage = printed.pages[0].size();
    for (qsizetype p = 0; p + 1 < printed.pages.size(); ++p)
        EXPECT_EQ(printed.pages[p].size(), perPage) << "page " << p;
    EXPECT_GT(printed.pages.last().size(), 0);
    EXPECT_LE(printed.pages.last().size(), perPage);
    EXPECT_EQ(allPrinted(printed).join(u'\n').toStdString(),
              folded(lines, 0, int(lines.size()) - 1).join(u'\n').toStdString());
}

TEST(HistoryPrint, CancelledDialogPrintsNothing)
{
    PrintRun run(windowText(3));
    run.c.dialogs.cancelNext(ScriptedDialogs::Kind::Print);
    run.form.tbtnPrint->click();
    EXPECT_FALSE(QFile::exists(run.pdf));
    EXPECT_EQ(run.c.dialogs.asked().size(), 1);
}

} // namespace
} // namespace qz
