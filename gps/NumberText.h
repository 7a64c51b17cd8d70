#pragma once

#include <QString>
#include <string>

// Locale-independent number formatting with printf's rounding. The program's texts (APRS fields,
// display values) must always use '.' as the decimal point, whatever the user's locale is; the C
// library's printf follows the locale that the Qt application object selects, so it is not used.
namespace NumberText {

// Like "%.Nf": fixed notation, rounded half to even on the exact binary value.
std::string fixed(double value, int decimals);
// Like "%d".
std::string integer(long long value);
// Pads on the left to width with the given character (after a leading '-' for '0', as printf does).
std::string padLeft(std::string text, int width, char fill);
// Like "%W.d" (a precision of zero): space padded, and a value of 0 prints no digits at all.
std::string integerNoZero(long long value, int width);

inline QString q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace NumberText
