// Checks of the shipped language file data/Lang.txt: its block layout, its encoding, and the
// texts that the program joins into fixed-width columns or compares with each other.

#include "tray/shell/LangTable.h"

#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kLangFile = QStringLiteral(QZ_SOURCE_DIR "/data/Lang.txt");
constexpr int kLanguages = 2; // 0 Russian, 1 English

// Lines that the program never shows; they only keep the numbering.
const QSet<int> kUnusedLines{1, 2, 19, 20, 21, 22, 50, 51, 70, 77, 78, 80};

// The device card and the history lines pad their name column to 30 characters and put the
// value right behind it, so a name of 30 or more characters runs into its value.
constexpr int kColumn = 30;

QByteArray fileBytes()
{
    QFile f(kLangFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

qz::LangTable loaded(int language)
{
    qz::LangTable table;
    EXPECT_TRUE(table.load(kLangFile, language)) << kLangFile.toStdString();
    return table;
}

bool hasCyrillic(const QString& text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    }
    return false;
}

TEST(LangFile, IsUtf8WithTwoBlocksOf128LinesEachUnderAHeading)
{
    const QByteArray bytes = fileBytes();
    ASSERT_FALSE(bytes.isEmpty()) << kLangFile.toStdString();

    // Invalid UTF-8 would silently be read as Windows-1251 and show as garbage.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"))
        << "a byte order mark would become part of the heading";
    EXPECT_FALSE(bytes.contains('\r'));
    ASSERT_TRUE(text.endsWith(QLatin1Char('\n')));

    const QStringList lines = text.chopped(1).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), kLanguages * qz::LangTable::kBlockLines);
    // A line too many or too few in the first block moves the second heading off its place.
    for (int block = 0; block < kLanguages; ++block) {
        const QString heading = lines[block * qz::LangTable::kBlockLines];
        EXPECT_TRUE(heading.startsWith(QLatin1Char('[')) && heading.endsWith(QLatin1Char(']')))
            << "block " << block << ": " << heading.toStdString();
    }
}

TEST(LangFile, EveryUsedLineHasATextWithoutStrayBlanks)
{
    for (int language = 0; language < kLanguages; ++language) {
        const qz::LangTable table = loaded(language);
        for (int n = 1; n <= qz::LangTable::kLines; ++n) {
            const QString& text = table.line(n);
            if (!kUnusedLines.contains(n)) {
                EXPECT_FALSE(text.trimmed().isEmpty()) << "language " << language << " line " << n;
            }
            // Line 16 follows line 15 directly in the title, so it carries its own leading blank.
            const QString expected = n == 16 ? QLatin1Char(' ') + text.trimmed() : text.trimmed();
            EXPECT_EQ(text, expected) << "language " << language << " line " << n;
        }
    }
}

TEST(LangFile, NamesFitTheirThirtyCharacterColumn)
{
    struct Case {
        const char* what;
        std::vector<int> lines; // joined with ", " as the program joins them
    };
    const std::vector<Case> cases{
        // device card labels
        {"device", {37}},
        {"number", {24}},
        {"holder", {34}},
        {"date and time", {25}},
        {"history interval", {26}},
        {"gamma threshold", {28, 93}},
        {"neutron threshold", {28, 92}},
        {"gamma rate threshold, micro-sievert", {123, 96}},
        {"gamma rate threshold, micro-roentgen", {123, 95}},
        {"neutron rate threshold", {124}},
        {"dose rate threshold", {107, 103}},
        {"auto calibration, gamma", {47, 93}},
        {"measurement mode", {54}},
        {"on/off signal", {31}},
        {"sound", {32}},
        {"vibration", {33}},
        {"threshold alarm", {63}},
        {"threshold alarm, newer instruments", {106}},
        {"gamma recording", {109}},
        {"quick switch-off", {110}},
        // event names with their channel texts
        {"alarm, gamma", {38, 93}},
        {"alarm, neutron", {38, 92}},
        {"alarm, dose rate", {38, 103}},
        {"measurement, gamma", {39, 93}},
        {"measurement, neutron", {39, 92}},
        {"measurement, dose rate", {39, 103}},
        {"threshold exceeded, dose rate", {104, 103}},
        {"threshold exceeded, gamma", {104, 93}},
        {"threshold exceeded, neutron", {104, 92}},
        {"threshold change, gamma", {40, 93}},
        {"threshold change, neutron", {40, 92}},
        {"new threshold, dose rate", {105, 103}},
        {"neutron threshold change", {125}},
        {"calibration", {41}},
        {"switched on", {42}},
        {"switched off", {43}},
        {"sound/vibration change", {86}},
        {"service record 1", {99}},
        {"service record 2", {100}},
        {"header of count-rate events", {126}},
        {"header of dose-rate events", {127}},
        {"instrument issued", {85}},
        {"instrument returned", {91}},
    };
    for (int language = 0; language < kLanguages; ++language) {
        const qz::LangTable table = loaded(language);
        for (const Case& c : cases) {
            QStringList parts;
            for (const int n : c.lines)
                parts << table.line(n);
            const QString joined = parts.join(QStringLiteral(", "));
            EXPECT_LT(joined.size(), kColumn) << "language " << language << ", " << c.what << ": \""
                                              << joined.toStdString() << "\"";
        }
        // The tray icon shows at most 63 characters of its hint.
        EXPECT_LE(table.line(3).size(), 63) << "language " << language;
    }
}

TEST(LangFile, TextsTheProgramComparesOrPairsDiffer)
{
    // The unit of an instrument is recognised by comparing its unit text with line 96, and
    // yes/no, OK/Cancel and the two languages must be told apart by the operator.
    const std::vector<std::vector<int>> groups{
        {44, 95, 96}, {97, 98, 120, 121}, {29, 30}, {5, 6}, {11, 12}};
    for (int language = 0; language < kLanguages; ++language) {
        const qz::LangTable table = loaded(language);
        for (const auto& group : groups) {
            QSet<QString> texts;
            for (const int n : group)
                texts.insert(table.line(n));
            EXPECT_EQ(texts.size(), qsizetype(group.size()))
                << "language " << language << ", lines from " << group[0];
        }
    }
}

TEST(LangFile, RussianBlockIsCyrillicAndEnglishBlockIsNot)
{
    // Names that stay the same in every language: the program name and the language names.
    const QSet<int> anyScript{11, 12, 15};
    const qz::LangTable russian = loaded(0);
    const qz::LangTable english = loaded(1);
    for (int n = 1; n <= qz::LangTable::kLines; ++n) {
        if (anyScript.contains(n))
            continue;
        EXPECT_TRUE(hasCyrillic(russian.line(n)))
            << "Russian line " << n << ": " << russian.line(n).toStdString();
        EXPECT_FALSE(hasCyrillic(english.line(n)))
            << "English line " << n << ": " << english.line(n).toStdString();
    }
    EXPECT_TRUE(hasCyrillic(russian.line(11)));
    EXPECT_FALSE(hasCyrillic(russian.line(12)));
}

} // namespace
