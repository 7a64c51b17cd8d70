#include "gps/CoordText.h"

#include "gps/NumberText.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

using NumberText::fixed;
using NumberText::integer;
using NumberText::integerNoZero;
using NumberText::padLeft;
using NumberText::q;

namespace {

const QChar kDegree(0x00B0);

// The whole part of a non-negative value as degrees; values no unsigned can hold saturate rather
// than overflow.
unsigned wholeDegrees(double a) {
    if (!(a >= 0.0)) return 0; // NaN
    if (a >= 4294967295.0) return 4294967295u;
    return static_cast<unsigned>(a);
}

// Whether a value prints as 60 or more with the given decimals (59.996 does with two).
bool printsAsSixty(double value, int decimals) {
    if (!std::isfinite(value)) return false;
    const std::string text = fixed(value, decimals);
    double printed = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), printed);
    return printed >= 60.0;
}

// Minutes that would print as 60 carry into the degrees.
void carry(unsigned& degrees, double& minutes, int decimals) {
    if (printsAsSixty(minutes, decimals)) {
        ++degrees;
        minutes = 0.0;
    }
}

QChar letterFor(int sign, bool latitude) {
    if (latitude) return QLatin1Char(sign < 0 ? 'S' : 'N');
    return QLatin1Char(sign < 0 ? 'W' : 'E');
}

QString formText(double value, int form, bool latitude) {
    const int degreeWidth = latitude ? 2 : 3;
    switch (form) {
    case Coord::DegreesDecimalMinutes:
    case Coord::Aprs:
    case Coord::Location: {
        DegreesMinutes dm = Coord::splitMinutes(value);
        carry(dm.degrees, dm.minutes, 2);
        const QChar letter = letterFor(dm.sign, latitude);
        const QString degrees = q(integerNoZero(dm.degrees, degreeWidth));
        const QString minutes = q(padLeft(fixed(dm.minutes, 2), 5, '0'));
        if (form == Coord::DegreesDecimalMinutes)
            return letter + degrees + kDegree + minutes + QLatin1Char('\'');
        if (form == Coord::Aprs)
            return QString(degrees + minutes + letter).replace(QLatin1Char(' '), QLatin1Char('0'));
        return QString(letter + QLatin1Char(' ') + degrees + kDegree + minutes + QLatin1Char('\''))
            .replace(QLatin1Char(' '), QLatin1Char('0'));
    }
    case Coord::Decimal:
        return q(fixed(value, 6));
    case Coord::DegreesMinutesSecondsForm: {
        DegreesMinutesSeconds dms = Coord::splitSeconds(value);
        if (printsAsSixty(dms.seconds, 3)) {
            dms.seconds = 0.0;
            ++dms.minutes;
        }
        if (dms.minutes >= 60) {
            dms.minutes = 0;
            ++dms.degrees;
        }
        return letterFor(dms.sign, latitude) + q(integer(dms.degrees)) + kDegree + q(integer(dms.minutes)) +
               QLatin1Char('\'') + q(padLeft(fixed(dms.seconds, 3), 2, ' ')) + QStringLiteral("''");
    }
    default:
        return {};
    }
}

// Reads a leading decimal number the way the C library's atof does: blanks, a sign, digits, a
// point and digits; anything after is ignored and no digits at all read as 0.
double leadingNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    double sign = 1.0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-')) sign = -1.0;
        ++i;
    }
    double value = 0.0;
    while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
        value = value * 10.0 + (text[i++].unicode() - '0');
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        double scale = 0.1;
        while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            value += (text[i++].unicode() - '0') * scale;
            scale /= 10.0;
        }
    }
    return sign * value;
}

} // namespace

namespace Coord {

DegreesMinutes splitMinutes(double value) {
    DegreesMinutes dm;
    const double a = std::fabs(value);
    dm.sign = value < 0 ? -1 : 1;
    dm.degrees = wholeDegrees(a);
    dm.minutes = (a - std::trunc(a)) * 60.0;
    if (!std::isfinite(a)) dm.minutes = a - a; // NaN for NaN and infinities
    return dm;
}

DegreesMinutesSeconds splitSeconds(double value) {
    DegreesMinutesSeconds dms;
    dms.sign = value < 0 ? -1 : 1;
    const double a = dms.sign * value;
    dms.degrees = wholeDegrees(a);
    const double f = std::isfinite(a) ? a - std::trunc(a) : 0.0;
    dms.minutes = static_cast<unsigned>(f * 60.0); // 0..59
    dms.seconds = (f - dms.minutes * 0.016666666666666666) * 3600.0;
    if (dms.seconds < 0.0) dms.seconds = 0.0; // rounding just below a whole minute
    return dms;
}

double fromDegreesMinutes(double degrees, double minutes, QChar letter) {
    double value = degrees + minutes / 60.0;
    if (letter == QLatin1Char('S') || letter == QLatin1Char('W') || letter == QLatin1Char('s') ||
        letter == QLatin1Char('w'))
        value *= -1.0;
    return value;
}

double fromDegreesMinutesSeconds(QChar letter, double degrees, double minutes, double seconds) {
    double value = degrees + minutes / 60.0 + seconds / 3600.0;
    if (letter == QLatin1Char('S') || letter == QLatin1Char('W') || letter == QLatin1Char('s') ||
        letter == QLatin1Char('w'))
        value *= -1.0;
    return value;
}

QString latitudeText(double value, int form) {
    return formText(value, form, true);
}
QString longitudeText(double value, int form) {
    return formText(value, form, false);
}

namespace {
DegreesMinutes gpsSplit(double value, int decimals) {
    DegreesMinutes dm = splitMinutes(value);
    carry(dm.degrees, dm.minutes, decimals);
    return dm;
}
} // namespace

QString gpsLatitudeDisplay(double latitude) {
    const DegreesMinutes dm = gpsSplit(latitude, 4);
    return q(padLeft(integer(dm.degrees), 2, '0')) + kDegree + q(fixed(dm.minutes, 4)) +
           QLatin1Char(latitude > 0 ? 'N' : 'S');
}

QString gpsLongitudeDisplay(double longitude) {
    const DegreesMinutes dm = gpsSplit(longitude, 4);
    return q(padLeft(integer(dm.degrees), 3, '0')) + kDegree + q(padLeft(fixed(dm.minutes, 4), 2, '0')) +
           QLatin1Char(longitude > 0 ? 'E' : 'W');
}

QByteArray gpsAprsLatitude(double latitude) {
    const DegreesMinutes dm = gpsSplit(latitude, 2);
    std::string s = padLeft(integer(dm.degrees), 2, '0') + padLeft(fixed(dm.minutes, 2), 5, '0');
    s += latitude > 0 ? 'N' : 'S';
    return QByteArray::fromStdString(s);
}

QByteArray gpsAprsLongitude(double longitude) {
    const DegreesMinutes dm = gpsSplit(longitude, 2);
    std::string s = padLeft(integer(dm.degrees), 3, '0') + padLeft(fixed(dm.minutes, 2), 5, '0');
    s += longitude > 0 ? 'E' : 'W';
    return QByteArray::fromStdString(s);
}

} // namespace Coord

CoordText::CoordText(unsigned degrees, double minutes, QChar letter)
    : m_value(Coord::fromDegreesMinutes(degrees, minutes, letter)) {
    const bool latitude = letter.toUpper() == QLatin1Char('N') || letter.toUpper() == QLatin1Char('S');
    m_text =
        q(padLeft(integer(degrees), latitude ? 2 : 3, '0')) + q(padLeft(fixed(minutes, 2), 5, '0')) + letter;
}

std::optional<CoordText> CoordText::read(const QString& text, int degreeDigits) {
    const int letterAt = degreeDigits + 5;
    if (text.size() <= letterAt) return std::nullopt;
    CoordText c;
    const double degrees = std::trunc(leadingNumber(QStringView(text).mid(0, degreeDigits)));
    const double minutes = leadingNumber(QStringView(text).mid(degreeDigits, 5));
    c.m_value = Coord::fromDegreesMinutes(degrees, minutes, text[letterAt]);
    c.m_text = text;
    return c;
}

std::optional<CoordText> CoordText::tryFromAprsLatitude(const QString& text) {
    return read(text, 2);
}
std::optional<CoordText> CoordText::tryFromAprsLongitude(const QString& text) {
    return read(text, 3);
}

std::optional<std::pair<CoordText, CoordText>> CoordText::tryFromAprsPosition(const QString& text) {
    if (text.size() < 19) return std::nullopt;
    auto latitude = read(text.mid(1, 8), 2);
    auto longitude = read(text.mid(10, 9), 3);
    if (!latitude || !longitude) return std::nullopt;
    return std::make_pair(*latitude, *longitude);
}

CoordText CoordText::fromAprsLatitude(const QString& text) {
    auto c = tryFromAprsLatitude(text);
    if (!c) throw std::invalid_argument("APRS latitude too short");
    return *c;
}

CoordText CoordText::fromAprsLongitude(const QString& text) {
    auto c = tryFromAprsLongitude(text);
    if (!c) throw std::invalid_argument("APRS longitude too short");
    return *c;
}

std::pair<CoordText, CoordText> CoordText::fromAprsPosition(const QString& text) {
    auto c = tryFromAprsPosition(text);
    if (!c) throw std::invalid_argument("APRS position too short");
    return *c;
}
