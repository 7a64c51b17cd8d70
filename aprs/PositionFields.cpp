#include "aprs/PositionFields.h"

#include <algorithm>
#include <cmath>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
int digit(QChar c) {
    return c.unicode() - u'0';
}

// Degrees digits, then minutes "mm.mm" whose digits may be blanked from the right (position
// ambiguity). The value is the centre of the box the blanks leave open, as APRS 1.0.1 means it: a
// station at 1 degree of ambiguity sits in the middle of its degree, not at its corner.
// `ambiguity` comes in as the level already set by the other coordinate (the latitude's blanks
// hold for the longitude too, whatever it carries there) and goes out as the level used.
std::optional<double> parseDegreesMinutes(QStringView text, int degreeDigits, int& ambiguity) {
    double degrees = 0;
    for (int i = 0; i < degreeDigits; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        degrees = degrees * 10 + digit(text[i]);
    }
    const QStringView minutes = text.mid(degreeDigits, 5);
    if (minutes[2] != u'.') return std::nullopt;
    static constexpr int kDigitAt[] = {0, 1, 3, 4};
    static constexpr double kWeight[] = {10, 1, 0.1, 0.01};
    static constexpr double kHalfBox[] = {0, 0.05, 0.5, 5, 30}; // minutes, by level
    int level = 0;
    for (int k = 0; k < 4; ++k) {
        const QChar c = minutes[kDigitAt[k]];
        if (c == u' ') {
            if (level == 0) level = 4 - k;
        } else if (!isDigit(c) || level != 0) {
            return std::nullopt; // once blanked, every later digit must be blank
        }
    }
    ambiguity = std::max(ambiguity, level);
    double value = 0;
    for (int k = 0; k < 4 - ambiguity; ++k) value += digit(minutes[kDigitAt[k]]) * kWeight[k];
    return degrees + (value + kHalfBox[ambiguity]) / 60.0;
}

} // namespace

std::optional<double> parseLatitudeText(QStringView text) {
    int ambiguity = 0;
    return parseLatitudeText(text, ambiguity);
}

std::optional<double> parseLatitudeText(QStringView text, int& ambiguity) {
    if (text.size() != 8) return std::nullopt;
    const QChar h = text[7];
    const bool south = h == u'S' || h == u's';
    if (!south && h != u'N' && h != u'n') return std::nullopt;
    const auto v = parseDegreesMinutes(text, 2, ambiguity);
    if (!v || *v > 90.0) return std::nullopt;
    return south ? -*v : *v;
}

std::optional<double> parseLongitudeText(QStringView text) {
    int ambiguity = 0;
    return parseLongitudeText(text, ambiguity);
}

std::optional<double> parseLongitudeText(QStringView text, int& ambiguity) {
    if (text.size() != 9) return std::nullopt;
    const QChar h = text[8];
    const bool west = h == u'W' || h == u'w';
    if (!west && h != u'E' && h != u'e') return std::nullopt;
    const auto v = parseDegreesMinutes(text, 3, ambiguity);
    if (!v || *v > 180.0) return std::nullopt;
    return west ? -*v : *v;
}

bool isPlainSymbolTable(char16_t c) {
    return c == u'/' || c == u'\\' || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

std::optional<PlainPosition> parsePlainPosition(QStringView report) {
    if (report.size() < 20) return std::nullopt;
    if (!isPlainSymbolTable(report[9].unicode())) return std::nullopt;
    int ambiguity = 0;
    auto lat = parseLatitudeText(report.mid(1, 8), ambiguity);
    if (!lat) return std::nullopt;
    const int latitudeLevel = ambiguity;
    const auto lon = parseLongitudeText(report.mid(10, 9), ambiguity);
    if (!lon) return std::nullopt;
    // A longitude blanked further than its latitude sets the level for both.
    if (ambiguity != latitudeLevel) lat = parseLatitudeText(report.mid(1, 8), ambiguity);
    if (!lat) return std::nullopt;
    return PlainPosition{*lat, *lon, report[9].unicode(), report[19].unicode(), ambiguity};
}

QStringView withoutTimestamp(QStringView information) {
    if (information.size() < 8) return {};
    const QChar c = information[7];
    return information.mid(c == u'/' || c == u'h' || c == u'z' ? 7 : 8);
}
