#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// APRS Mic-E composition for the mobile station's position reports: the destination address
// (latitude digits, message bits En Route, north, longitude offset and west flags) and the
// information field (longitude, speed, course, symbol and altitude) before any status text.
struct MicEReport {
    QByteArray destination; // 6 characters
    QByteArray information; // '`' ... '}', 13 bytes
};

namespace MicEEncoder {

// aprsLatitude "ddmm.mmN", aprsLongitude "dddmm.mmE" (the GPS texts). course in whole degrees,
// speed in whole knots, altitude in whole metres above sea level. Values Mic-E cannot carry are
// brought into its range: speed 0..799 knots, course 0..360, altitude -10000..743570 m, and a
// longitude of 180 degrees goes out as 179°59.99'. nullopt when a text is not of its form.
std::optional<MicEReport> encode(QByteArrayView aprsLatitude, QByteArrayView aprsLongitude, int course,
                                 int speed, int altitudeMetres, char symbolCode, char symbolTable);

// Raising a character: a digit '0'..'9' becomes 'P'..'Y', any other character stays.
constexpr char raise(char c) {
    return c >= '0' && c <= '9' ? static_cast<char>(c - '0' + 'P') : c;
}

} // namespace MicEEncoder
