#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <optional>
#include <utility>

// Splitting decimal degrees into degrees, minutes and seconds and back, and the text forms of
// latitudes and longitudes. Coordinates are decimal degrees, north and east positive.

struct DegreesMinutes {
    int sign = 1; // -1 for a negative value
    unsigned degrees = 0;
    double minutes = 0.0;
};

struct DegreesMinutesSeconds {
    int sign = 1;
    unsigned degrees = 0;
    unsigned minutes = 0;
    double seconds = 0.0;
};

namespace Coord {

// Degree split, minutes form: whole degrees of |value| and the fraction times 60.
DegreesMinutes splitMinutes(double value);
// Degree split, seconds form.
DegreesMinutesSeconds splitSeconds(double value);

// degrees + minutes / 60, negative for the letters S, W, s, w.
double fromDegreesMinutes(double degrees, double minutes, QChar letter);
double fromDegreesMinutesSeconds(QChar letter, double degrees, double minutes, double seconds);

// The text forms selected by a form code.
enum Form {
    DegreesDecimalMinutes = 11,     // N37°30.00'   (station detail dialogs)
    Decimal = 12,                   // 37.500000
    DegreesMinutesSecondsForm = 13, // N37°30'0.000''
    Aprs = 14,                      // 3730.00N, 02345.00E
    Location = 15,                  // N037°30.00'  (station locations page)
};
// Minutes (or seconds) that would print as 60 carry into the next unit, so 37°59.999' prints as
// 38°00.00'. An unknown form code gives an empty text.
QString latitudeText(double value, int form);
QString longitudeText(double value, int form);

// The GPS texts of a position: the display forms "37°30.0000N", "023°45.0000E" and the APRS forms
// "3730.00N", "02345.00E". The hemisphere letter is N or E only for values above zero, so exactly
// 0.0 reads S or W.
QString gpsLatitudeDisplay(double latitude);
QString gpsLongitudeDisplay(double longitude);
QByteArray gpsAprsLatitude(double latitude);
QByteArray gpsAprsLongitude(double longitude);

} // namespace Coord

// A coordinate value together with its text, as read from the APRS forms.
class CoordText {
public:
    CoordText() = default;
    // From whole degrees, minutes and a hemisphere letter; the text is the APRS form (ddmm.mmN for
    // N and S, dddmm.mmE otherwise).
    CoordText(unsigned degrees, double minutes, QChar letter);

    double value() const { return m_value; }
    const QString& text() const { return m_text; }

    // ddmm.mmN. Throws std::invalid_argument when the text is too short to hold the letter.
    static CoordText fromAprsLatitude(const QString& text);
    // dddmm.mmE. Throws std::invalid_argument when the text is too short.
    static CoordText fromAprsLongitude(const QString& text);
    // A position text: data type character, 8 latitude characters, symbol table character and
    // 9 longitude characters ("!3730.00S/02345.00E>"). Throws std::invalid_argument when short.
    static std::pair<CoordText, CoordText> fromAprsPosition(const QString& text);

    // The same readings without exceptions.
    static std::optional<CoordText> tryFromAprsLatitude(const QString& text);
    static std::optional<CoordText> tryFromAprsLongitude(const QString& text);
    static std::optional<std::pair<CoordText, CoordText>> tryFromAprsPosition(const QString& text);

private:
    static std::optional<CoordText> read(const QString& text, int degreeDigits);

    double m_value = 0.0;
    QString m_text;
};
