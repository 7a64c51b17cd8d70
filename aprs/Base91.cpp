#include "aprs/Base91.h"

#include <cmath>

namespace Base91 {
std::optional<quint32> value(QStringView text) {
    if (text.isEmpty() || text.size() > 5) return std::nullopt;
    quint32 v = 0;
    for (QChar c : text) {
        if (!isDigit(c.unicode())) return std::nullopt;
        v = v * 91 + (c.unicode() - 33);
    }
    return v;
}
} // namespace Base91

bool isCompressedSymbolTable(char16_t c) {
    // Overlays are 'a'..'j' for 0..9 here: a digit would read as a base-91 coordinate.
    return c == u'/' || c == u'\\' || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'j');
}

std::optional<CompressedPosition> parseCompressedPosition(QStringView block) {
    if (block.size() < 13) return std::nullopt;
    const auto y = Base91::value(block.mid(1, 4));
    const auto x = Base91::value(block.mid(5, 4));
    if (!y || !x) return std::nullopt;
    CompressedPosition p;
    p.latitude = 90.0 - *y / 380926.0;
    p.longitude = -180.0 + *x / 190463.0;
    if (p.latitude < -90.0 || p.longitude > 180.0) return std::nullopt;
    p.symbolTable = block[0].unicode();
    p.symbolCode = block[9].unicode();
    if (!isCompressedSymbolTable(p.symbolTable)) return std::nullopt;
    if (!(Base91::isDigit(p.symbolCode) || p.symbolCode == u'}')) return std::nullopt;

    // A blank c means the cs and type bytes carry nothing.
    const char16_t c = block[10].unicode();
    const char16_t s = block[11].unicode();
    const char16_t t = block[12].unicode();
    if (c == u' ' || !Base91::isDigit(c) || !Base91::isDigit(s)) return p;
    // Type bits 3-4 give the source of the fix; 2 (GGA) means cs is an altitude.
    const bool gga = Base91::isDigit(t) && (((t - 33) >> 3) & 3) == 2;
    if (gga) {
        const double feet = std::pow(1.002, (c - 33) * 91 + (s - 33));
        p.altitude = static_cast<int>(std::lround(feet));
    } else if (c <= u'z') {
        p.course = (c - 33) * 4;
        p.speed = std::pow(1.08, s - 33) - 1.0;
    } else { // '{': pre-calculated radio range
        p.range = 2.0 * std::pow(1.08, s - 33);
    }
    return p;
}
