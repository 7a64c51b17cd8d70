#pragma once

#include <QStringView>
#include <optional>

// APRS base-91 numbers and the compressed position format.
namespace Base91 {
constexpr bool isDigit(char16_t c) {
    return c >= 33 && c <= 123;
} // '!'..'{'
// Value of the base-91 digits of text; nullopt when a character is not a base-91 digit or the
// text is empty or longer than 5 digits.
std::optional<quint32> value(QStringView text);
} // namespace Base91

// The 13 characters of a compressed position: symbol table, 4 latitude and 4 longitude digits,
// symbol code, the two "cs" bytes and the compression type byte.
struct CompressedPosition {
    double latitude = 0;
    double longitude = 0;
    char16_t symbolTable = '/';
    char16_t symbolCode = '-';
    // What the cs bytes carry, when they carry it.
    std::optional<int> course;   // degrees, 0..356
    std::optional<double> speed; // knots
    std::optional<int> altitude; // feet (GGA source)
    std::optional<double> range; // miles (radio range, '{')
};

// '/', '\\', an overlay 'A'..'Z' or 'a'..'j' (0..9).
bool isCompressedSymbolTable(char16_t c);

// block[0] is the symbol table character; it must be one of the above and the symbol code
// printable. Refused when shorter than 13 characters, when a
// coordinate character is not base-91 or when the result lies outside +-90 / +-180.
std::optional<CompressedPosition> parseCompressedPosition(QStringView block);
