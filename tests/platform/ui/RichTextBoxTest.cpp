#include "common/platform/ui/RichTextBox.h"

#include "PlatformUiTestApp.h"

#include <gtest/gtest.h>

namespace qz {
namespace {

constexpr RtfColour kText{108, 12, 116};
constexpr RtfColour kRed{255, 0, 0};
constexpr RtfColour kBrown{105, 79, 24};

void setUp(RichTextBox& box)
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(16);
    font.setBold(true);
    box.setFont(font);
    box.setTextColour(QColor(kText.red, kText.green, kText.blue));
}

TEST(RichTextBox, LinesAreAppendedAtTheEnd)
{
    test::testApp();
    RichTextBox box;
    setUp(box);
    EXPECT_EQ(box.lineCount(), 0);
    EXPECT_TRUE(box.lines().isEmpty());
    box.appendLine(QString());
    EXPECT_EQ(box.lines(), QStringList{QString()}); // an empty line is still a line
    box.appendLine(QStringLiteral("two"));
    box.appendLine(QStringLiteral("three\nstill three"));
    EXPECT_EQ(box.lines(),
              (QStringList{QString(), QStringLiteral("two"), QStringLiteral("three still three")}));
    box.clearLines();
    EXPECT_EQ(box.lineCount(), 0);
    box.appendLine(QStringLiteral("again"));
    EXPECT_EQ(box.lines(), QStringList{QStringLiteral("again")});
}

TEST(RichTextBox, PositionsMapToLinesAndSelectionsCountLineEnds)
{
    test::testApp();
    RichTextBox box;
    for (const char* l : {"abc", "", "defgh"})
        box.appendLine(QLatin1String(l));
    // "abc\n\ndefgh": a line end belongs to the line it ends.
    const struct {
        int position;
        int line;
    } cases[] = {{0, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 2}, {9, 2}, {10, 2}, {11, -1}, {-1, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(box.lineAt(c.position), c.line) << c.position;
    EXPECT_EQ(box.lineStart(2), 5);

    box.select(2, 4);
    EXPECT_EQ(box.selectionStart(), 2);
    EXPECT_EQ(box.selectionLength(), 4);
    EXPECT_EQ(box.textCursor().selectedText(), QStringLiteral("c\u2029\u2029d"));
    box.select(8, 100); // cut to the text
    EXPECT_EQ(box.selectionLength(), 2);
    box.moveCaretToEnd();
    EXPECT_EQ(box.selectionStart(), 10);
    EXPECT_EQ(box.selectionLength(), 0);
}

TEST(RichTextBox, RangesColourAndItaliciseOnlyTheirLineAndGoIntoTheRuns)
{
    test::testApp();
    RichTextBox box;
    setUp(box);
    box.appendLine(QStringLiteral("NAME  value"));
    box.appendLine(QStringLiteral("other line"));
    box.colourRange(0, 0, 4, Qt::red);
    box.colourRange(0, 6, 100, QColor(kBrown.red, kBrown.green, kBrown.blue)); // cut at line end
    box.italicRange(0, 6, 5, true);
    box.italicRange(5, 0, 3, true);     // no such line
    box.colourRange(1, 20, 3, Qt::red); // beyond the line: nothing

    const RtfDocument doc = box.toRtfDocument();
    EXPECT_EQ(doc.fontSizeHalfPoints, 24); // 16 px
    ASSERT_EQ(doc.lines.size(), 2);
    EXPECT_EQ(doc.lines[0], (RtfLine{{QStringLiteral("NAME"), kRed, false, true},
                                     {QStringLiteral("  "), kText, false, true},
                                     {QStringLiteral("value"), kBrown, true, true}}));
    EXPECT_EQ(doc.lines[1], (RtfLine{{QStringLiteral("other line"), kText, false, true}}));
    EXPECT_EQ(box.lines()[0], QStringLiteral("NAME  value"));
}

} // namespace
} // namespace qz
