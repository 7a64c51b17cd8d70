#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// One NMEA sentence of a GPS receiver, as stations send them raw ("$GPRMC,...", "$GPGGA,...",
// "$GPVTG,..."). Absent values keep the marks below.
struct NmeaFix {
    QString sentence;                // "GPRMC", "GPGGA" or "GPVTG"
    double latitude = -200;          // degrees, north positive
    double longitude = -200;         // degrees, east positive
    double speed = -1;               // knots
    double course = -1;              // degrees
    double ggaValue = -1200;         // GPGGA antenna altitude (m) x 0.5399567774198679
    std::optional<double> altitudeM; // GPGGA antenna altitude above mean sea level, metres
    bool fixValid = false;
    int satellites = 0;
    int year = 0, month = 0, day = 0;     // GPRMC date of the fix (UTC), year in two digits
    int hour = 0, minute = 0, second = 0; // GPRMC time of the fix (UTC)

    bool hasPosition() const { return latitude != -200 && longitude != -200; }
};

enum class NmeaError { None, NotNmea, WrongChecksum, Malformed, UnknownSentence };

// Parses one sentence of 8-bit text. With a '*', the two hexadecimal digits after it must equal
// the XOR of the characters between '$' and '*'; without one there is no check. A field that is
// cut short or not a number where one is needed refuses the sentence. *error says why.
std::optional<NmeaFix> parseNmeaSentence(QByteArrayView text, NmeaError* error = nullptr);

// "4916.45" and "N" -> 49.274167; "12311.12" and "W" -> -123.185333. Degrees take the first two
// (latitude) or three (longitude) characters, minutes the rest. Nothing for an empty field
// (absent) is told apart from a malformed one through *malformed.
std::optional<double> parseNmeaCoordinate(QByteArrayView value, QByteArrayView hemisphere, int degreeDigits,
                                          bool* malformed);
