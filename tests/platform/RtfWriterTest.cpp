#include "common/platform/RtfWriter.h"

#include "platform/ui/UnrtfReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qz {
namespace {

constexpr RtfColour kRed{255, 0, 0};
constexpr RtfColour kBrown{105, 79, 24};
constexpr RtfColour kPurple{108, 12, 116};

RtfDocument plainDocument(const QStringList& lines)
{
    RtfDocument doc;
    for (const QString& text : lines)
        doc.lines.append(text.isEmpty() ? RtfLine{} : RtfLine{RtfRun{text, kPurple, false, true}});
    return doc;
}

test::ReadBack roundTrip(const RtfDocument& doc)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.rtf"));
    QString error;
    if (!saveRtf(path, doc, &error))
        return {QStringLiteral("save failed: ") + error, {}};
    return test::readWithUnrtf(path);
}

QStringList folded(const QStringList& lines)
{
    QStringList out;
    for (const QString& l : lines)
        out.append(l.simplified());
    return out;
}

struct TextCase {
    const char* name;
    QStringList lines;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class RtfText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfText, ReaderGetsTheTextBack)
{
    const RtfDocument doc = plainDocument(GetParam().lines);
    const QByteArray rtf = writeRtf(doc);
    for (const char c : rtf)
        ASSERT_EQ(uchar(c) & 0x80, 0) << "RTF must be 7-bit: " << rtf.constData();

    const test::ReadBack back = roundTrip(doc);
    ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    EXPECT_EQ(back.foldedText().join(u'\n').toStdString(),
              folded(GetParam().lines).join(u'\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RtfText,
    testing::Values(
        TextCase{"Escapes", {QStringLiteral("back\\slash {braces} \\par {\\b no}")}},
        TextCase{"Cyrillic", {QStringLiteral("Доза гамма, мкЗв/ч   Ёё №")}},
        TextCase{"OutsideTheCodePage", {QStringLiteral("Ω → ü 😀 end")}},
        TextCase{"EmptyLinesKept",
                 {QStringLiteral("a"), QString(), QString(), QStringLiteral("b")}},
        TextCase{"Columns",
                 {QStringLiteral("Alarm, gamma                  01.02.2024/10:00   1.5 uSv/h"),
                  QStringLiteral("-------------------------------------------------------")}}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(RtfWriter, ColoursItalicsAndWeightReachTheReader)
{
    RtfDocument doc;
    doc.lines = {
        {{QStringLiteral("Alarm, gamma                  "), kRed, false, true},
         {QStringLiteral("01.02.2024/10:00   1.5"), kBrown, true, true}},
        {{QStringLiteral("Model                         "), kPurple, false, true},
         {QStringLiteral("QZ5520GN"), kBrown, true, true}},
        {},
        {{QStringLiteral("plain"), kPurple, false, false},
         {QStringLiteral("Ярко"), kRed, true, false},
         {QStringLiteral("{x}"), kPurple, false, true}},
    };
    const test::ReadBack back = roundTrip(doc);
    ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    ASSERT_EQ(back.lines.size(), doc.lines.size());
    EXPECT_EQ(test::readLooks(back).join(u'\n').toStdString(),
              test::documentLooks(doc).join(u'\n').toStdString());

    const QByteArray rtf = writeRtf(doc);
    // A fixed-pitch font, and blanks of the name column written as they are.
    EXPECT_TRUE(rtf.contains("\\fmodern\\fprq1"));
    EXPECT_TRUE(rtf.contains("Alarm, gamma                  "));
    // Readers without \u take the code-page byte: 0xDF is "Я" in Windows-1251.
    EXPECT_TRUE(rtf.contains("\\u1071\\'df"));
}

TEST(RtfWriter, SaveReplacesTheFileOrReportsWhy)
{
    QTemporaryDir dir;
    const RtfDocument doc = plainDocument({QStringLiteral("one"), QStringLiteral("two")});
    const QString path = dir.filePath(QStringLiteral("h.rtf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
    }
    QString error;
    ASSERT_TRUE(saveRtf(path, doc, &error)) << error.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), writeRtf(doc));

    for (const QString& bad : {dir.filePath(QStringLiteral("missing/h.rtf")), dir.path()}) {
        error.clear();
        EXPECT_FALSE(saveRtf(bad, doc, &error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty()) << bad.toStdString();
    }
}

} // namespace
} // namespace qz
