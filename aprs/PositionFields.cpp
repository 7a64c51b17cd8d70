#include "aprs/PositionFields.h"

#include <cmath>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
int digit(QChar c) {
    return c.unicode() - u'0';
}

// Degrees digits, then minutes "mm.mm" whose digits may be blanked from the right.
std::optional<double> parseDegreesMinutes(QStringView text, int degreeDigits) {
    double degrees = 0;
    for (int i = 0; i < degreeDigits; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        degrees = degrees * 10 + digit(text[i]);
    }
    const QStringView minutes = text.mid(degreeDigits, 5);
    if (minutes[2] != u'.') return std::nullopt;
    // The digits before the first blank count; once blanked, every later digit must be blank.
    static constexpr int kDigitAt[] = {0, 1, 3, 4};
    static constexpr double kWeight[] = {10, 1, 0.1, 0.01};
    double value = 0;
    bool blanked = false;
    for (int k = 0; k < 4; ++k) {
        const QChar c = minutes[kDigitAt[k]];
        if (c == u' ') {
            blanked = true;
        } else if (isDigit(c) && !blanked) {
            value += digit(c) * kWeight[k];
        } else {
            return std::nullopt;
        }
    }
    return degrees + value / 60.0;
}

} // namespace

std::optional<double> parseLatitudeText(QStringView text) {
    if (text.size() != 8) return std::nullopt;
    const QChar h = text[7];
    const bool south = h == u'S' || h == u's';
    if (!south && h != u'N' && h != u'n') return std::nullopt;
    const auto v = parseDegreesMinutes(text, 2);
    if (!v || *v > 90.0) return std::nullopt;
    return south ? -*v : *v;
}

std::optional<double> parseLongitudeText(QStringView text) {
    if (text.size() != 9) return std::nullopt;
    const QChar h = text[8];
    const bool west = h == u'W' || h == u'w';
    if (!west && h != u'E' && h != u'e') return std::nullopt;
    const auto v = parseDegreesMinutes(text, 3);
    if (!v || *v > 180.0) return std::nullopt;
    return west ? -*v : *v;
}

std::optional<PlainPosition> parsePlainPosition(QStringView report) {
    if (report.size() < 20) return std::nullopt;
    const auto lat = parseLatitudeText(report.mid(1, 8));
    const auto lon = parseLongitudeText(report.mid(10, 9));
    if (!lat || !lon) return std::nullopt;
    return PlainPosition{*lat, *lon, report[9].unicode(), report[19].unicode()};
}

QStringView withoutTimestamp(QStringView information) {
    if (information.size() < 8) return {};
    const QChar c = information[7];
    return information.mid(c == u'/' || c == u'h' || c == u'z' ? 7 : 8);
}
