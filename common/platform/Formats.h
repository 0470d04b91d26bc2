#pragma once

#include <QString>

#include <functional>

namespace qz {

// Number, date and text formats of the history lines, the device card and the settings
// windows, in one place so that every window and the database show the same text.
//
// Every number format takes the decimal separator as a parameter; it defaults to the
// system's. Digits are always Latin and no group separators are written.
//
// Rounding: the fixed and scientific formats round the binary value correctly to the
// requested digits, halves to even on the exact binary value (printf style). A value whose
// decimal text ends in 5 is usually not a half in binary: 2.675 is stored as 2.67499999...
// and gives "2.67", 0.125 is exact and gives "0.12". A result that rounds to zero is written
// without a minus sign ("0.0", not "-0.0").

// The system's decimal separator (QLocale::system()).
QString systemDecimalPoint();
// The system's short date format, as a Qt date format string.
QString systemShortDateFormat();

// Appends blanks until the text has n characters; a longer text is kept whole.
QString PadRight(const QString& text, int n);

// General form: the shortest text that gives the value back at 15 significant digits,
// trailing zeros dropped, no separator for whole values ("3", "0.5", "-12.25").
// The value is first rounded to 15 significant digits; scientific notation is used when
// the rounded magnitude is below 0.0001 or has more than 15 digits before the separator
// (1e15 and above). Scientific notation is the shortest mantissa, a capital E, a minus sign
// for negative exponents only and no leading zeros: "1.5E-5", "1E20", "-2.5E-7".
// So 0.0001 gives "0.0001" but 0.00005 gives "5E-5". Zero is "0"; NaN and infinities are
// "NAN", "INF", "-INF".
QString formatG(double x, const QString& decimalPoint = systemDecimalPoint());

// x with the given number of decimals, e.g. decimals 1 for "%1.1f" and "%0.1f", 2 for
// "%1.2f" and "%3.2f", 0 for "%1.0f" and "%0.0f" (the widths of those patterns are
// minimum widths that every result exceeds).
QString formatFixed(double x, int decimals, const QString& decimalPoint = systemDecimalPoint());

// Pattern "0.00": exactly two decimals.
QString formatD2(double x, const QString& decimalPoint = systemDecimalPoint());
// Pattern "0.##": up to two decimals, trailing zeros and a trailing separator dropped.
QString formatF2(double x, const QString& decimalPoint = systemDecimalPoint());
// Pattern "%1.1f": exactly one decimal.
QString formatT1(double x, const QString& decimalPoint = systemDecimalPoint());
// Three significant digits, capital E, the exponent's sign and at least three exponent
// digits: "1.23E+002", "-5.00E-007", "0.00E+000".
QString formatE3(double x, const QString& decimalPoint = systemDecimalPoint());
// Pattern "0.000E+00": three decimals in the mantissa, capital E, the exponent's sign and
// at least two exponent digits: "1.235E+03", "0.000E+00".
QString formatScientific3(double x, const QString& decimalPoint = systemDecimalPoint());

// A language line by number (1..127); the dose formats take their unit texts through it.
using LanguageLine = std::function<QString(int)>;

enum class DoseFamily { R, S };

// A dose-rate value with the unit that suits its size:
//   family R: x >= 1: D2(x) " " line 121; 0.001 <= x < 1: D2(x * 1000) " " line 120;
//             below: D2(x * 1000000) " " line 95.
//   family S: x >= 1: D2(x) " " line 98; 0.001 <= x < 1: D2(x * 1000) " " line 97;
//             below: D2(x * 1000000) " " line 96.
// Family R treats exactly 0.001 like family S does (1.00 of the milli unit): a value exactly
// on the boundary must not come out as an empty text. Negative values and NaN take the
// millionth branch.
QString FormatDose(DoseFamily family, double x, const LanguageLine& line,
                   const QString& decimalPoint = systemDecimalPoint());

// The dose-rate text of the K instruments, thresholds differ from FormatDose:
//   x >= 0.01: two decimals " " line 98; 0.00001 <= x < 0.01: x * 1000, two decimals,
//   " " line 97; below: x * 1000000, two decimals, " " line 96.
QString FormatDoseK(double x, const LanguageLine& line,
                    const QString& decimalPoint = systemDecimalPoint());

// A dose value as the instrument's unit shows it: when the unit text is language line 96,
// the value counts hundredths and is written in family S; otherwise family R.
QString DoseText(double v, const QString& curUnitsText, const LanguageLine& line,
                 const QString& decimalPoint = systemDecimalPoint());

// An event's date and time: the date in dateFormat (a Qt date format, by default the
// system's short one), "/", and the time as "hh:mm", e.g. "05.03.2024/14:07".
// The day count is rounded to the millisecond first, so a whole minute never shows as the
// minute before. Date and time are the wall-clock values the instrument counted; they are
// not moved by daylight-saving changes of the PC's time zone.
QString formatEventDateTime(double days, const QString& dateFormat = systemShortDateFormat());

} // namespace qz
