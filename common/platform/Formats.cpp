#include "common/platform/Formats.h"

#include "common/platform/DateTimeDays.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace qz {

namespace {

// std::to_chars is used throughout because it ignores the C locale, which a Qt application
// sets from the environment; the separator is put in afterwards.

QString nonFinite(double x)
{
    if (std::isnan(x))
        return QStringLiteral("NAN");
    return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// "-0.00" -> "0.00": a value that rounds to zero has no sign.
void dropSignOfZero(std::string& text)
{
    if (!text.empty() && text.front() == '-' &&
        text.find_first_of("123456789", 1) == std::string::npos)
        text.erase(0, 1);
}

QString withSeparator(std::string_view text, const QString& decimalPoint)
{
    QString out = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const qsizetype dot = out.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        out.replace(dot, 1, decimalPoint);
    return out;
}

std::string fixedText(double x, int decimals)
{
    decimals = std::clamp(decimals, 0, 40);
    // The largest double has 309 digits before the separator.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    dropSignOfZero(text);
    return text;
}

struct Scientific {
    bool negative = false;
    std::string digits; // mantissa digits without the separator
    int exponent = 0;
};

// x in scientific notation with `decimals` mantissa decimals, split into its parts.
Scientific scientific(double x, int decimals)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, decimals);
    const std::string_view text(buffer, size_t(result.ptr - buffer));
    Scientific s;
    size_t i = 0;
    if (text[i] == '-') {
        s.negative = true;
        ++i;
    }
    const size_t e = text.find('e');
    for (; i < e; ++i) {
        if (text[i] != '.')
            s.digits.push_back(text[i]);
    }
    s.exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    if (s.digits.find_first_not_of('0') == std::string::npos) {
        s.negative = false;
        s.exponent = 0;
    }
    return s;
}

QString scientificText(double x, int decimals, int exponentDigits, const QString& decimalPoint)
{
    if (!std::isfinite(x))
        return nonFinite(x);
    const Scientific s = scientific(x, decimals);
    QString out;
    if (s.negative)
        out += QLatin1Char('-');
    out += QLatin1Char(s.digits[0]);
    if (s.digits.size() > 1) {
        out += decimalPoint;
        out += QString::fromLatin1(s.digits.data() + 1, qsizetype(s.digits.size() - 1));
    }
    out += QLatin1Char('E');
    out += s.exponent < 0 ? QLatin1Char('-') : QLatin1Char('+');
    out += QString::number(std::abs(s.exponent)).rightJustified(exponentDigits, QLatin1Char('0'));
    return out;
}

QString doseText(double x, double wholeFrom, double milliFrom, int wholeLine, int milliLine,
                 int microLine, const LanguageLine& line, const QString& decimalPoint)
{
    if (x >= wholeFrom)
        return formatD2(x, decimalPoint) + QLatin1Char(' ') + line(wholeLine);
    if (x >= milliFrom)
        return formatD2(x * 1000.0, decimalPoint) + QLatin1Char(' ') + line(milliLine);
    return formatD2(x * 1000000.0, decimalPoint) + QLatin1Char(' ') + line(microLine);
}

} // namespace

QString systemDecimalPoint()
{
    return QLocale::system().decimalPoint();
}

QString systemShortDateFormat()
{
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

QString PadRight(const QString& text, int n)
{
    return text.leftJustified(n, QLatin1Char(' '), false);
}

QString formatG(double x, const QString& decimalPoint)
{
    if (!std::isfinite(x))
        return nonFinite(x);
    if (x == 0.0)
        return QStringLiteral("0");
    Scientific s = scientific(x, 14); // 15 significant digits, correctly rounded
    while (s.digits.size() > 1 && s.digits.back() == '0')
        s.digits.pop_back();
    const int digitCount = int(s.digits.size());
    QString out;
    if (s.negative)
        out += QLatin1Char('-');
    if (s.exponent >= 15 || s.exponent < -4) {
        out += QLatin1Char(s.digits[0]);
        if (digitCount > 1) {
            out += decimalPoint;
            out += QString::fromLatin1(s.digits.data() + 1, digitCount - 1);
        }
        out += QLatin1Char('E');
        out += QString::number(s.exponent);
        return out;
    }
    if (s.exponent >= 0) {
        const int whole = s.exponent + 1;
        out += QString::fromLatin1(s.digits.data(), std::min(whole, digitCount));
        for (int i = digitCount; i < whole; ++i)
            out += QLatin1Char('0');
        if (digitCount > whole) {
            out += decimalPoint;
            out += QString::fromLatin1(s.digits.data() + whole, digitCount - whole);
        }
        return out;
    }
    out += QLatin1Char('0');
    out += decimalPoint;
    out += QString(-s.exponent - 1, QLatin1Char('0'));
    out += QString::fromLatin1(s.digits.data(), digitCount);
    return out;
}

QString formatFixed(double x, int decimals, const QString& decimalPoint)
{
    if (!std::isfinite(x))
        return nonFinite(x);
    return withSeparator(fixedText(x, decimals), decimalPoint);
}

QString formatD2(double x, const QString& decimalPoint)
{
    return formatFixed(x, 2, decimalPoint);
}

QString formatF2(double x, const QString& decimalPoint)
{
    if (!std::isfinite(x))
        return nonFinite(x);
    std::string text = fixedText(x, 2);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    dropSignOfZero(text); // "-0.001" -> "-0" -> "0"
    return withSeparator(text, decimalPoint);
}

QString formatT1(double x, const QString& decimalPoint)
{
    return formatFixed(x, 1, decimalPoint);
}

QString formatE3(double x, const QString& decimalPoint)
{
    return scientificText(x, 2, 3, decimalPoint);
}

QString formatScientific3(double x, const QString& decimalPoint)
{
    return scientificText(x, 3, 2, decimalPoint);
}

QString FormatDose(DoseFamily family, double x, const LanguageLine& line,
                   const QString& decimalPoint)
{
    if (family == DoseFamily::R)
        return doseText(x, 1.0, 0.001, 121, 120, 95, line, decimalPoint);
    return doseText(x, 1.0, 0.001, 98, 97, 96, line, decimalPoint);
}

QString FormatDoseK(double x, const LanguageLine& line, const QString& decimalPoint)
{
    return doseText(x, 0.01, 0.00001, 98, 97, 96, line, decimalPoint);
}

QString DoseText(double v, const QString& curUnitsText, const LanguageLine& line,
                 const QString& decimalPoint)
{
    if (curUnitsText == line(96))
        return FormatDose(DoseFamily::S, v / 100.0, line, decimalPoint);
    return FormatDose(DoseFamily::R, v, line, decimalPoint);
}

QString formatEventDateTime(double days, const QString& dateFormat)
{
    const WallClock wall = daysToWallClock(days);
    // Latin digits whatever the system's language, like every other number of the lines.
    const QLocale c = QLocale::c();
    return c.toString(wall.date, dateFormat) + QLatin1Char('/') +
           c.toString(wall.time, QStringLiteral("hh:mm"));
}

} // namespace qz
