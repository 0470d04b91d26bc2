#include "common/platform/Formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qz {
namespace {

const QString kPoint = QStringLiteral(".");
const QString kComma = QStringLiteral(",");

struct NumberCase {
    double x;
    const char* point; // with "." as the separator
    const char* comma; // with ","
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << c.x;
}

class GeneralFormat : public testing::TestWithParam<NumberCase> {};

TEST_P(GeneralFormat, ShortestTextUpTo15Digits)
{
    const NumberCase& c = GetParam();
    EXPECT_EQ(formatG(c.x, kPoint).toStdString(), c.point);
    EXPECT_EQ(formatG(c.x, kComma).toStdString(), c.comma);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralFormat,
    testing::Values(
        NumberCase{0.0, "0", "0"}, NumberCase{-0.0, "0", "0"}, NumberCase{3.0, "3", "3"},
        NumberCase{100.0, "100", "100"}, NumberCase{0.5, "0.5", "0,5"},
        NumberCase{-12.25, "-12.25", "-12,25"}, NumberCase{12.34, "12.34", "12,34"},
        // 0.1 + 0.2 is 0.30000000000000004: 15 digits hide the binary error
        NumberCase{0.1 + 0.2, "0.3", "0,3"},
        NumberCase{1.0 / 3.0, "0.333333333333333", "0,333333333333333"},
        // fixed down to 0.0001, scientific below
        NumberCase{0.0001, "0.0001", "0,0001"}, NumberCase{0.00012345, "0.00012345", "0,00012345"},
        NumberCase{0.00005, "5E-5", "5E-5"}, NumberCase{1.5e-5, "1.5E-5", "1,5E-5"},
        NumberCase{-2.5e-7, "-2.5E-7", "-2,5E-7"},
        // up to 15 digits before the separator, scientific from 1e15 on
        NumberCase{123456789012345.0, "123456789012345", "123456789012345"},
        NumberCase{1e15, "1E15", "1E15"}, NumberCase{999999999999999.9, "1E15", "1E15"},
        NumberCase{1e20, "1E20", "1E20"},
        NumberCase{1267650600228229401496703205376.0, "1.26765060022823E30", "1,26765060022823E30"},
        NumberCase{std::numeric_limits<double>::infinity(), "INF", "INF"},
        NumberCase{std::nan(""), "NAN", "NAN"}));

struct FixedCase {
    double x;
    int decimals;
    const char* text;
};

TEST(FixedFormat, RoundsTheBinaryValueCorrectly)
{
    const FixedCase cases[] = {
        {2.675, 2, "2.67"},   // stored as 2.67499999...
        {12.345, 2, "12.35"}, // stored as 12.34500000000000064
        {0.125, 2, "0.12"},   // an exact half: to the even neighbour
        {0.375, 2, "0.38"},
        {2.5, 0, "2"},
        {3.5, 0, "4"},
        {1234.5, 0, "1234"},
        {5.0, 2, "5.00"},
        {-1.25, 1, "-1.2"},
        {-0.01, 1, "0.0"}, // no "-0.0"
        {1e20, 1, "100000000000000000000.0"},
        {0.05, 1, "0.1"},
    };
    for (const FixedCase& c : cases)
        EXPECT_EQ(formatFixed(c.x, c.decimals, kPoint).toStdString(), c.text)
            << c.x << " with " << c.decimals << " decimals";
    EXPECT_EQ(formatFixed(1.5, 2, kComma), QStringLiteral("1,50"));
}

TEST(FixedFormat, NamedPatterns)
{
    const struct {
        QString (*format)(double, const QString&);
        double x;
        const char* text;
    } cases[] = {
        {formatD2, 500.0, "500.00"}, {formatD2, 0.004, "0.00"}, {formatD2, 2.5, "2.50"},
        {formatF2, 2.5, "2.5"},      {formatF2, 3.0, "3"},      {formatF2, 2.345, "2.35"},
        {formatF2, 0.004, "0"},      {formatF2, -0.001, "0"},   {formatF2, 1.005, "1"},
        {formatF2, 10.1, "10.1"},    {formatF2, 100.0, "100"},  {formatT1, 1.125, "1.1"},
        {formatT1, 3.5, "3.5"},      {formatT1, 0.0, "0.0"},    {formatT1, 25.5, "25.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.format(c.x, kPoint).toStdString(), c.text) << c.x;
    EXPECT_EQ(formatF2(2.5, kComma), QStringLiteral("2,5"));
    EXPECT_EQ(formatT1(3.5, kComma), QStringLiteral("3,5"));
}

TEST(ScientificFormat, ThreeDigitsAndThreeExponentDigits)
{
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {123.0, "1.23E+002"},       {0.0, "0.00E+000"},    {-5e-7, "-5.00E-007"},
        {1.23456e123, "1.23E+123"}, {1e-300, "1.00E-300"}, {99999.0, "1.00E+005"},
        {9.995, "9.99E+000"}, // stored as 9.99499999...
        {3.0, "3.00E+000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatE3(c.x, kPoint).toStdString(), c.text) << c.x;
    EXPECT_EQ(formatE3(123.0, kComma), QStringLiteral("1,23E+002"));
}

TEST(ScientificFormat, FourDigitsAndTwoExponentDigits)
{
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {1234.5, "1.234E+03"}, // exact half, even neighbour
        {0.0, "0.000E+00"},
        {1e-100, "1.000E-100"},
        {-0.00025, "-2.500E-04"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatScientific3(c.x, kPoint).toStdString(), c.text) << c.x;
    EXPECT_EQ(formatScientific3(1234.5, kComma), QStringLiteral("1,234E+03"));
}

TEST(PadRight, PadsButNeverCuts)
{
    EXPECT_EQ(PadRight(QStringLiteral("abc"), 5), QStringLiteral("abc  "));
    EXPECT_EQ(PadRight(QStringLiteral("abcdef"), 3), QStringLiteral("abcdef"));
    EXPECT_EQ(PadRight(QString(), 2), QStringLiteral("  "));
    // Cyrillic names count characters, not bytes.
    EXPECT_EQ(PadRight(QStringLiteral("Тревога"), 10).size(), 10);
}

const LanguageLine kLines = [](int n) { return QStringLiteral("L%1").arg(n); };

TEST(DoseFormats, UnitBySize)
{
    const struct {
        QString (*format)(double);
        double x;
        const char* text;
    } cases[] = {
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 2.5, "2.50 L121"},
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 1.0, "1.00 L121"},
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 0.5, "500.00 L120"},
        // exactly on the lower boundary: the milli unit, as family S does
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 0.001, "1.00 L120"},
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 0.0005,
         "500.00 L95"},
        {[](double x) { return FormatDose(DoseFamily::R, x, kLines, kPoint); }, 0.0, "0.00 L95"},
        {[](double x) { return FormatDose(DoseFamily::S, x, kLines, kPoint); }, 1.0, "1.00 L98"},
        {[](double x) { return FormatDose(DoseFamily::S, x, kLines, kPoint); }, 0.001, "1.00 L97"},
        {[](double x) { return FormatDose(DoseFamily::S, x, kLines, kPoint); }, 0.0009,
         "900.00 L96"},
        {[](double x) { return FormatDoseK(x, kLines, kPoint); }, 0.005, "5.00 L97"},
        {[](double x) { return FormatDoseK(x, kLines, kPoint); }, 0.01, "0.01 L98"},
        {[](double x) { return FormatDoseK(x, kLines, kPoint); }, 12.5, "12.50 L98"},
        {[](double x) { return FormatDoseK(x, kLines, kPoint); }, 0.00001, "0.01 L97"},
        {[](double x) { return FormatDoseK(x, kLines, kPoint); }, 0.000005, "5.00 L96"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.format(c.x).toStdString(), c.text) << c.x;
    EXPECT_EQ(FormatDose(DoseFamily::R, 2.5, kLines, kComma), QStringLiteral("2,50 L121"));
}

TEST(DoseFormats, DoseTextFollowsTheInstrumentsUnit)
{
    // Unit line 96: the value counts hundredths, family S.
    EXPECT_EQ(DoseText(50.0, QStringLiteral("L96"), kLines, kPoint), QStringLiteral("500.00 L97"));
    EXPECT_EQ(DoseText(250.0, QStringLiteral("L96"), kLines, kPoint), QStringLiteral("2.50 L98"));
    // Any other unit: family R on the value itself.
    EXPECT_EQ(DoseText(0.5, QStringLiteral("L95"), kLines, kPoint), QStringLiteral("500.00 L120"));
    EXPECT_EQ(DoseText(0.5, QStringLiteral("L44"), kLines, kPoint), QStringLiteral("500.00 L120"));
}

TEST(EventDateTime, ShortDateSlashHoursMinutes)
{
    const QString fmt = QStringLiteral("dd.MM.yyyy");
    EXPECT_EQ(formatEventDateTime(36161.0, fmt), QStringLiteral("01.01.1999/00:00"));
    EXPECT_EQ(formatEventDateTime(1441 / 1440.0 + 36161.0, fmt),
              QStringLiteral("02.01.1999/00:01"));
    // 5 / 1440 + 36161 lies a hair below 00:05; cutting instead of rounding shows 00:04.
    EXPECT_EQ(formatEventDateTime(5 / 1440.0 + 36161.0, fmt), QStringLiteral("01.01.1999/00:05"));
    EXPECT_EQ(formatEventDateTime(45000.75, QStringLiteral("yyyy-MM-dd")),
              QStringLiteral("2023-03-15/18:00"));
    // Before day 0 the time of day still counts forward from midnight.
    EXPECT_EQ(formatEventDateTime(-0.25, fmt), QStringLiteral("29.12.1899/18:00"));
}

} // namespace
} // namespace qz
