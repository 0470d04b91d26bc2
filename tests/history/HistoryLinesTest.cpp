#include "tray/history/HistoryLines.h"

#include "HistoryTestSupport.h"

#include <gtest/gtest.h>

namespace qz {

void PrintTo(const HistoryLine& l, std::ostream* os)
{
    *os << "{\"" << l.text.toStdString() << "\", " << l.width << ", " << l.colour << "}";
}

namespace {

const LangTable kLang = test::numberedLang();
const HistoryTextFormat kFormat = test::fixedFormat();

// 2024-03-05 14:07 as a day count, and its text.
const double kWhen = 45356.0 + (14 * 60 + 7) / 1440.0;
const QString kDT = QStringLiteral("05.03.2024/14:07");
const QString kGap = QStringLiteral("   ");

QString pad(const QString& s, int n = EventColumn)
{
    return s.leftJustified(n, QLatin1Char(' '));
}

HistoryEvent ev(char kind, uint16_t word = 0, double value = 0.0, uint8_t aux = 0,
                double neutron = 0.0, bool pager = false)
{
    return HistoryEvent{kind, kWhen, word, aux, neutron, value, pager};
}

HistorySessionValues session(const char* units = "L95", bool gnFamily = false,
                             bool gnNewGen = false, bool newFirmware = false, bool med = false)
{
    return HistorySessionValues{QString::fromLatin1(units), gnFamily, gnNewGen, newFirmware, med};
}

HistoryLine line(const QString& text, int colour, int width = EventColumn)
{
    return HistoryLine{text, width, colour};
}

struct LinesCase {
    const char* name;
    HistorySessionValues session;
    QList<HistoryEvent> events;
    QList<HistoryLine> lines;
};

void PrintTo(const LinesCase& c, std::ostream* os)
{
    *os << c.name;
}

class EventLines : public testing::TestWithParam<LinesCase> {};

TEST_P(EventLines, TextWidthAndColour)
{
    const LinesCase& c = GetParam();
    EXPECT_EQ(historyLines(c.events, c.session, kLang, kFormat), c.lines);
}

const QString kAlarmName = pad(QStringLiteral("L38, L93")) + kDT + kGap;
const QString kMeasureName = pad(QStringLiteral("L39, L93")) + kDT + kGap;
// The neutron line of 'F': blanks as wide as line 39 ("L39"), the channel, the value column.
const QString kNeutronCont = pad(QStringLiteral("   , L92"), int(kDT.size()) + EventColumn) + kGap;

INSTANTIATE_TEST_SUITE_P(
    Kinds, EventLines,
    testing::Values(
        LinesCase{"no_events", session(), {}, {}},
        LinesCase{"threshold_gamma",
                  session(),
                  {ev('S', 0x2319)},
                  {line(pad("L40") + kDT + kGap + "L28 3.5 -> 2.5", LineColourGreen)}},
        LinesCase{"threshold_neutron",
                  session(),
                  {ev('S', 0x0A14, 0, 1)},
                  {line(pad("L125") + kDT + kGap + "L28 1.0 -> 2.0", LineColourGreen)}},
        LinesCase{"sound_and_vibration",
                  session(),
                  {ev('s', 0x0102)},
                  {line(pad("L86") + kDT + kGap + "L32 -> L30", LineColourGreen),
                   line(QString(int(kDT.size()) + EventColumn, ' ') + kGap + "L33 -> L29",
                        LineColourGreen, 0)}},
        LinesCase{"vibration_only_keeps_the_name",
                  session(),
                  {ev('s', 0x0002)},
                  {line(pad("L86") + kDT + kGap + "L33 -> L29", LineColourGreen)}},
        LinesCase{"sound_on",
                  session(),
                  {ev('s', 0x0001)},
                  {line(pad("L86") + kDT + kGap + "L32 -> L29", LineColourGreen)}},
        LinesCase{"sound_unchanged", session(), {ev('s', 0x0303)}, {}},
        LinesCase{"neutron_without_gn_family", session(), {ev('N', 0, 0, 4), ev('n')}, {}},
        LinesCase{"neutron_old_generation",
                  session("L95", true, false),
                  {ev('N', 0, 0, 4, 2.5), ev('n', 0, 0, 0)},
                  {line(pad("L38, L92") + kDT + kGap + "4 L44", LineColourRed),
                   line(pad("L38, L92") + kDT + kGap + "0 L44", LineColourRed)}},
        LinesCase{"neutron_new_generation",
                  session("L95", true, true),
                  {ev('N', 0, 0, 4, 2.345)},
                  {line(pad("L38, L92") + kDT + kGap + "2.35 L44", LineColourRed)}},
        LinesCase{"measurement_gn_family_two_lines",
                  session("L95", true, true),
                  {ev('F', 120, 0, 0, 0.5)},
                  {line(kMeasureName + "120 L95", LineColourNone),
                   line(kNeutronCont + "0.5 L44", LineColourNone)}},
        LinesCase{"measurement_lower_case",
                  session("L95"),
                  {ev('f', 120)},
                  {line(kMeasureName + "120 L95", LineColourNone)}},
        // value texts of the alarms and measurements
        LinesCase{"count_in_hundredths",
                  session("L96"),
                  {ev('A', 1234), ev('a', 5)},
                  {line(kAlarmName + "12.34 L96", LineColourRed),
                   line(kAlarmName + "0.05 L96", LineColourRed)}},
        LinesCase{"count_new_firmware_raw",
                  session("L96", false, false, true),
                  {ev('A', 1234), ev('F', 7), ev('a', 1234)},
                  {line(kAlarmName + "1234 L44", LineColourRed),
                   line(kMeasureName + "7 L44", LineColourNone),
                   line(kAlarmName + "12.34 L96", LineColourRed)}},
        LinesCase{"pager_dose",
                  session("L95"),
                  {ev('A', 0, 0.5, 0, 0, true), ev('f', 0, 2.5, 0, 0, true)},
                  {line(kAlarmName + "500.00 L120", LineColourRed),
                   line(kMeasureName + "2.50 L121", LineColourNone)}},
        LinesCase{"pager_dose_in_hundredths",
                  session("L96"),
                  {ev('a', 0, 50.0, 0, 0, true)},
                  {line(kAlarmName + "500.00 L97", LineColourRed)}},
        LinesCase{"pager_new_firmware_raw_value",
                  session("L95", false, false, true),
                  {ev('A', 0, 1.5e-5, 0, 0, true), ev('F', 0, 2.0 / 3.0, 0, 0, true)},
                  {line(kAlarmName + "1.5E-5 L44", LineColourRed),
                   line(kMeasureName + "0.67 L44", LineColourNone)}},
        LinesCase{"calibration",
                  session("L95"),
                  {ev('C', 0, 12.5), ev('c', 0, 0.002)},
                  {line(pad("L41") + kDT + kGap + "12.5 L44", LineColourGreen),
                   line(pad("L41") + kDT + kGap + "2.00 L120", LineColourGreen)}},
        LinesCase{"off_and_on",
                  session(),
                  {ev('0'), ev('1')},
                  {line(pad("L43") + kDT + kGap, LineColourGreen),
                   line(pad("L42") + kDT, LineColourGreen)}},
        LinesCase{"unknown_kinds", session(), {ev('X'), ev('\0'), ev('G'), ev('b')}, {}}),
    [](const testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

TEST(EventLinesHeaders, MedModeOpensEachRunOfCase)
{
    const HistorySessionValues med = session("L95", false, false, false, true);
    const QList<HistoryEvent> events{ev('A', 1), ev('A', 2), ev('a', 3),      ev('F', 4),
                                     ev('X'),    ev('F', 5), ev('S', 0x0102), ev('f', 6)};
    const QList<HistoryLine> lines = historyLines(events, med, kLang, kFormat);
    QStringList heads;
    for (const HistoryLine& l : lines)
        heads << l.text.left(8).trimmed();
    EXPECT_EQ(heads, (QStringList{"L126", "L38, L93", "L38, L93", "L127", "L38, L93", "L126",
                                  "L39, L93", "L39, L93", "L40", "L127", "L39, L93"}));
    EXPECT_EQ(lines[0], line(QStringLiteral("L126"), LineColourGreen));
    EXPECT_EQ(lines[3], line(QStringLiteral("L127"), LineColourGreen));

    // Without MEDMode: no header line at all.
    const QList<HistoryLine> plain = historyLines(events, session(), kLang, kFormat);
    EXPECT_EQ(plain.size(), 7);
    for (const HistoryLine& l : plain)
        EXPECT_FALSE(l.text.startsWith(QLatin1String("L12"))) << l.text.toStdString();
}

TEST(EventLinesHeaders, MedModeShowsTheUnitEvenWithNewFirmware)
{
    const QList<HistoryLine> lines =
        historyLines(QList<HistoryEvent>{ev('A', 1234)}, session("L96", false, false, true, true),
                     kLang, kFormat);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].text, kAlarmName + "12.34 L96");
}

TEST(EventLines, NeutronValueStandsInTheMeasurementsColumn)
{
    LangTable lang = test::numberedLang();
    lang.setLine(39, QStringLiteral("Measurement"));
    const QList<HistoryLine> lines = historyLines(QList<HistoryEvent>{ev('F', 9, 0, 0, 1.0)},
                                                  session("L95", true, true), lang, kFormat);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].text, pad("Measurement, L93") + kDT + kGap + "9 L95");
    EXPECT_EQ(lines[1].text, QString(11, ' ') + pad(", L92", 35) + kGap + "1 L44");
    EXPECT_EQ(lines[1].text.indexOf(QLatin1String("1 L44")), lines[0].text.indexOf("9 L95"));
}

TEST(EventLines, SystemSeparatorAndDateFormat)
{
    HistoryTextFormat format;
    format.decimalPoint = QStringLiteral(",");
    format.dateFormat = QStringLiteral("M/d/yy");
    const QList<HistoryLine> lines =
        historyLines(QList<HistoryEvent>{ev('S', 0x2319)}, session(), kLang, format);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].text, pad("L40") + "3/5/24/14:07" + kGap + "L28 3,5 -> 2,5");
}

// ---- K instruments ----

HistoryEvent6610 kev(char kind, uint16_t word = 0, double neutron = 0.0, double value = 0.0)
{
    return HistoryEvent6610{kind, kWhen, word, neutron, value};
}

struct KCase {
    const char* name;
    QList<HistoryEvent6610> events;
    QList<HistoryLine> lines;
};

void PrintTo(const KCase& c, std::ostream* os)
{
    *os << c.name;
}

class EventLines6610 : public testing::TestWithParam<KCase> {};

TEST_P(EventLines6610, TextWidthAndColour)
{
    EXPECT_EQ(historyLines6610(GetParam().events, kLang, kFormat), GetParam().lines);
}

// A continuation line for a name of three characters ("L38" etc.).
QString cont(const char* channel)
{
    return pad(QStringLiteral("   , ") + channel, int(kDT.size()) + EventColumn) + kGap;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EventLines6610,
    testing::Values(
        KCase{"measurement_three_channels",
              {kev('F', 12, 3.0, 0.005)},
              {line(pad("L39, L93") + kDT + kGap + "12 L44", LineColourNone),
               line(cont("L103") + "5.00 L97", LineColourNone),
               line(cont("L92") + "3.00E+000 L44", LineColourNone)}},
        KCase{"alarm_all_red",
              {kev('A', 12, 3.0, 0.02)},
              {line(pad("L38, L93") + kDT + kGap + "12 L44", LineColourRed),
               line(cont("L103") + "0.02 L98", LineColourRed),
               line(cont("L92") + "3.00E+000 L44", LineColourRed)}},
        KCase{"neutron_alarm_neutron_first",
              {kev('N', 12, 1234.0, 0.000002)},
              {line(pad("L38, L92") + kDT + kGap + "1.23E+003 L44", LineColourRed),
               line(cont("L93") + "12 L44", LineColourRed),
               line(cont("L103") + "2.00 L96", LineColourRed)}},
        KCase{
            "dose_alarm",
            {kev('G', 0, 0.0, 1.5)},
            {line(pad("L104, L103") + kDT + kGap + "1.50 L98", LineColourRed),
             line(pad(QStringLiteral("    , L93"), int(kDT.size()) + EventColumn) + kGap + "0 L44",
                  LineColourRed),
             line(pad(QStringLiteral("    , L92"), int(kDT.size()) + EventColumn) + kGap +
                      "0.00E+000 L44",
                  LineColourRed)}},
        KCase{"scientific_values",
              {kev('a', 0, 0, 1.5e-7), kev('b', 0, 0, -250.0)},
              {line(pad("L99") + kDT + kGap + "1.50E-007", LineColourNone),
               line(pad("L100") + kDT + kGap + "-2.50E+002", LineColourNone)}},
        KCase{"name_only_kinds",
              {kev('C'), kev('c'), kev('0'), kev('1')},
              {line(pad("L41") + kDT, LineColourGreen), line(pad("L41") + kDT, LineColourNone),
               line(pad("L43") + kDT, LineColourGreen), line(pad("L42") + kDT, LineColourGreen)}},
        KCase{"threshold_neutron_only",
              {kev('S', 0, 4664.0, 0.0)},
              {line(pad("L40, L92") + kDT + kGap + "1.1 -> 3.5", LineColourGreen)}},
        KCase{"threshold_all_three",
              {kev('S', 0x2319, 4664.4, 0.003)},
              {line(pad("L40, L93") + kDT + kGap + "3.5 -> 2.5", LineColourGreen),
               line(pad("L40, L92") + kDT + kGap + "1.1 -> 3.5", LineColourGreen),
               line(pad("L105, L103") + kDT + kGap + "3.00 L97", LineColourGreen)}},
        KCase{"threshold_bytes_wrap_like_the_instrument",
              // 70000 = 0x11170: the third byte is dropped
              {kev('S', 0, 70000.0, 0.0)},
              {line(pad("L40, L92") + kDT + kGap + "1.1 -> 7.0", LineColourGreen)}},
        KCase{"threshold_nothing_changed", {kev('S')}, {}},
        KCase{"sound_no_change_name_only",
              {kev('s', 0x0101)},
              {line(pad("L86") + kDT, LineColourGreen)}},
        KCase{"sound_and_vibration",
              {kev('s', 0x0102)},
              {line(pad("L86") + kDT, LineColourGreen),
               line(QString(EventColumn, ' ') + "L32 -> L30", LineColourGreen, 0),
               line(QString(EventColumn, ' ') + "L33 -> L29", LineColourGreen, 0)}},
        KCase{"unknown_kinds", {kev('Z'), kev('f'), kev('n')}, {}}),
    [](const testing::TestParamInfo<KCase>& info) { return std::string(info.param.name); });

TEST(EventLines6610, ContinuationValuesShareTheFirstLinesColumn)
{
    const QList<HistoryLine> lines =
        historyLines6610(QList<HistoryEvent6610>{kev('F', 12, 3.0, 0.005)}, kLang, kFormat);
    ASSERT_EQ(lines.size(), 3);
    const qsizetype column = lines[0].text.indexOf(QLatin1String("12 L44"));
    EXPECT_EQ(lines[1].text.indexOf(QLatin1String("5.00")), column);
    EXPECT_EQ(lines[2].text.indexOf(QLatin1String("3.00E")), column);
    EXPECT_FALSE(lines[1].text.contains(kDT));
    EXPECT_FALSE(lines[2].text.contains(kDT));
}

} // namespace
} // namespace qz
