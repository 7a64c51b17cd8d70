#pragma once

#include <QStringView>
#include <optional>

// Plain-text APRS positions: "ddmm.mmN" and "dddmm.mmE" with position ambiguity, and the layout of
// an uncompressed position report. Pure functions; nothing here touches a station record.

// "4903.50N" (exactly 8 characters) -> 49.058333. Degrees must be digits, the point in place, the
// hemisphere N/S (either case); the minute digits may be blanked from the right (position
// ambiguity, levels 1..4): the value is then the centre of the box left open ("4903.  N" is
// 49 deg 3.5 min, "49  .  N" 49.5). Results outside +-90 are refused.
std::optional<double> parseLatitudeText(QStringView text);
// The same with the ambiguity level: in, the level the other coordinate set (its blanks hold here
// too); out, the level used.
std::optional<double> parseLatitudeText(QStringView text, int& ambiguity);
// "07201.75W" (exactly 9 characters) -> -72.029167; hemisphere E/W; results outside +-180 refused.
std::optional<double> parseLongitudeText(QStringView text);
std::optional<double> parseLongitudeText(QStringView text, int& ambiguity);

struct PlainPosition {
    double latitude = 0;
    double longitude = 0;
    char16_t symbolTable = '/';
    char16_t symbolCode = '-';
    int ambiguity = 0; // position ambiguity level 0..4 (blanked minute digits)
};

// An uncompressed position report laid out as the information field carries it: character 0 is
// the data type (or whatever stands in its place), latitude at 1..8, symbol table at 9, longitude
// at 10..18, symbol code at 19. At least 20 characters; the comment begins at 20.
// The table must be '/', '\\' or an overlay 'A'..'Z', '0'..'9'; anything else is refused.
std::optional<PlainPosition> parsePlainPosition(QStringView report);
bool isPlainSymbolTable(char16_t c);

// A '/' or '@' report without its time stamp. The time stamp's last character is kept so that it
// stands where the data type stood: the first 7 characters are dropped when character 7 is '/',
// 'h' or 'z' ("@092345z4903.50N..." -> "z4903.50N..."), otherwise the first 8. Empty when the
// field is too short to hold a time stamp.
QStringView withoutTimestamp(QStringView information);
