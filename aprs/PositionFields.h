#pragma once

#include <QStringView>
#include <optional>

// Plain-text APRS positions: "ddmm.mmN" and "dddmm.mmE" with position ambiguity, and the layout of
// an uncompressed position report. Pure functions; nothing here touches a station record.

// "4903.50N" (exactly 8 characters) -> 49.058333. Degrees must be digits, the point in place, the
// hemisphere N/S (either case); the minute digits may be blanked from the right (position
// ambiguity), which shortens the minutes. Results outside +-90 are refused.
std::optional<double> parseLatitudeText(QStringView text);
// "07201.75W" (exactly 9 characters) -> -72.029167; hemisphere E/W; results outside +-180 refused.
std::optional<double> parseLongitudeText(QStringView text);

struct PlainPosition {
    double latitude = 0;
    double longitude = 0;
    char16_t symbolTable = '/';
    char16_t symbolCode = '-';
};

// An uncompressed position report laid out as the information field carries it: character 0 is
// the data type (or whatever stands in its place), latitude at 1..8, symbol table at 9, longitude
// at 10..18, symbol code at 19. At least 20 characters; the comment begins at 20.
std::optional<PlainPosition> parsePlainPosition(QStringView report);

// A '/' or '@' report without its time stamp. The time stamp's last character is kept so that it
// stands where the data type stood: the first 7 characters are dropped when character 7 is '/',
// 'h' or 'z' ("@092345z4903.50N..." -> "z4903.50N..."), otherwise the first 8. Empty when the
// field is too short to hold a time stamp.
QStringView withoutTimestamp(QStringView information);
