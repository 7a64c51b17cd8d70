#pragma once

#include "aprs/PositionComment.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// APRS Mic-E: latitude, message bits and hemispheres in the destination address, longitude,
// speed, course and symbol in the information field. Pure decoding, no station record.
struct MicEFields {
    double latitude = 0;         // degrees, north positive (ambiguity blanks shorten the minutes)
    double longitude = 0;        // degrees, east positive
    int speed = 0;               // knots
    int course = 0;              // degrees as sent, 0..399; above 359 means "not known"
    std::optional<int> altitude; // feet, when the text after the symbol carries "xyz}"
    char16_t symbolCode = '>';
    char16_t symbolTable = '/';
    QString status;             // the text the station sends after the symbol (see decodeMicE)
    int messageBits = 0;        // A B C: bit 2 from destination character 0 ... bit 0 from character 2
    bool customMessage = false; // a message bit came from 'A'..'K' (custom message set)
    QString latitudeText;       // "4903.50N", blanks kept
    QString longitudeText;      // "07201.75W"
    int ambiguity = 0;          // position ambiguity level 0..4; the position is the box's centre
    QString comment;            // the status without altitude, DAO and telemetry, trimmed
    std::optional<Dao> dao;     // "!DAO!" in the status, already applied to the position
};

// destination: the destination call (characters 0..5 are read, an SSID may follow).
// information: the whole information field, data type character ('`' or '\'') included.
// nullopt for a destination shorter than 6 characters or with a character outside the Mic-E
// set, an information field shorter than 9 characters, longitude bytes that give no longitude,
// or speed/course bytes below the Mic-E range.
// The QStringView form reads each character as the 8-bit character the packet carried
// (Windows-1252 for 0x80..0x9F).
std::optional<MicEFields> decodeMicEFields(QStringView destination, QStringView information);
std::optional<MicEFields> decodeMicEFields(QByteArrayView destination, QByteArrayView information);
