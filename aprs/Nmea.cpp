#include "aprs/Nmea.h"

#include <QByteArray>
#include <QList>
#include <cmath>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int twoDigits(QByteArrayView text, qsizetype at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool allDigits(QByteArrayView text) {
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

// A plain decimal number ("12.5", "-3"): no exponents, blanks, infinities or hex.
std::optional<double> plainNumber(QByteArrayView text, bool allowNegative) {
    if (text.isEmpty()) return std::nullopt;
    qsizetype i = 0;
    if (allowNegative && text[0] == '-') i = 1;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    bool ok = false;
    const double v = text.toByteArray().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// An optional number field: empty is absent (-1 stays); anything but a number refuses the
// sentence.
bool optionalNumber(QByteArrayView text, double& out, bool allowNegative = false) {
    if (text.isEmpty()) return true;
    const auto v = plainNumber(text, allowNegative);
    if (!v) return false;
    out = *v;
    return true;
}

bool coordinate(QByteArrayView value, QByteArrayView hemisphere, int degreeDigits, double& out) {
    bool malformed = false;
    const auto v = parseNmeaCoordinate(value, hemisphere, degreeDigits, &malformed);
    if (malformed) return false;
    if (v) out = *v;
    return true;
}

} // namespace

std::optional<double> parseNmeaCoordinate(QByteArrayView value, QByteArrayView hemisphere, int degreeDigits,
                                          bool* malformed) {
    *malformed = false;
    if (value.isEmpty()) return std::nullopt;
    *malformed = true;
    if (value.size() <= degreeDigits || !allDigits(value.first(degreeDigits))) return std::nullopt;
    const auto minutes = plainNumber(value.sliced(degreeDigits), false);
    if (!minutes || *minutes >= 60.0) return std::nullopt;
    double degrees = 0;
    for (char c : value.first(degreeDigits)) degrees = degrees * 10 + (c - '0');
    double v = degrees + *minutes / 60.0;
    if (v > (degreeDigits == 2 ? 90.0 : 180.0)) return std::nullopt;
    if (!hemisphere.isEmpty() && (hemisphere[0] == 'S' || hemisphere[0] == 'W')) v = -v;
    *malformed = false;
    return v;
}

std::optional<NmeaFix> parseNmeaSentence(QByteArrayView text, NmeaError* error) {
    NmeaError scratch = NmeaError::None;
    NmeaError& why = error ? *error : scratch;
    why = NmeaError::None;
    auto fail = [&why](NmeaError e) -> std::optional<NmeaFix> {
        why = e;
        return std::nullopt;
    };

    if (text.isEmpty() || text[0] != '$') return fail(NmeaError::NotNmea);

    // XOR of everything after '$' up to the '*' (or a control character). With a '*' the two
    // hexadecimal digits after it must match; a sentence without one is taken unchecked.
    uint8_t sum = 0;
    qsizetype i = 1;
    for (; i < text.size(); ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c == '*' || c < 32) break;
        sum ^= c;
    }
    if (i < text.size() && text[i] == '*') {
        if (i + 2 >= text.size()) return fail(NmeaError::WrongChecksum); // digits cut off
        const int hi = hexDigit(text[i + 1]);
        const int lo = hexDigit(text[i + 2]);
        if (hi < 0 || lo < 0 || ((hi << 4) | lo) != sum) return fail(NmeaError::WrongChecksum);
    }

    const qsizetype star = text.indexOf('*');
    const QByteArrayView body = star >= 0 ? text.first(star) : text;
    QList<QByteArrayView> fields;
    for (qsizetype from = 0;;) {
        const qsizetype comma = body.indexOf(',', from);
        if (comma < 0) {
            fields.append(body.sliced(from));
            break;
        }
        fields.append(body.sliced(from, comma - from));
        from = comma + 1;
    }

    NmeaFix fix;
    const QByteArrayView name = fields[0].sliced(1);
    fix.sentence = QString::fromLatin1(name);

    if (name == "GPRMC") {
        if (fields.size() < 10) return fail(NmeaError::Malformed);
        const QByteArrayView time = fields[1];
        const QByteArrayView date = fields[9];
        if (time.size() < 6 || !allDigits(time.first(6)) || date.size() < 6 || !allDigits(date.first(6)))
            return fail(NmeaError::Malformed);
        fix.hour = twoDigits(time, 0);
        fix.minute = twoDigits(time, 2);
        fix.second = twoDigits(time, 4);
        fix.day = twoDigits(date, 0);
        fix.month = twoDigits(date, 2);
        fix.year = twoDigits(date, 4);
        if (fix.year == 0) return fail(NmeaError::Malformed);
        if (!coordinate(fields[3], fields[4], 2, fix.latitude) ||
            !coordinate(fields[5], fields[6], 3, fix.longitude) || !optionalNumber(fields[7], fix.speed) ||
            !optionalNumber(fields[8], fix.course))
            return fail(NmeaError::Malformed);
        fix.fixValid = fields[2] == "A";
        return fix;
    }
    if (name == "GPGGA") {
        if (fields.size() < 10) return fail(NmeaError::Malformed);
        if (!coordinate(fields[2], fields[3], 2, fix.latitude) ||
            !coordinate(fields[4], fields[5], 3, fix.longitude))
            return fail(NmeaError::Malformed);
        if (!fields[6].isEmpty()) {
            const char q = fields[6][0];
            if (q == '0') fix.fixValid = false;
            if (q == '1' || q == '2' || q == '3') fix.fixValid = true;
        }
        if (!fields[7].isEmpty() && fields[7].size() <= 3 && allDigits(fields[7]))
            fix.satellites = fields[7].toByteArray().toInt();
        if (!fields[9].isEmpty()) {
            const auto metres = plainNumber(fields[9], true);
            if (!metres) return fail(NmeaError::Malformed);
            fix.altitudeM = *metres;
            fix.ggaValue = *metres * 0.5399567774198679;
        }
        return fix;
    }
    if (name == "GPVTG") {
        if (fields.size() < 6) return fail(NmeaError::Malformed);
        if (!optionalNumber(fields[5], fix.speed)) return fail(NmeaError::Malformed);
        return fix;
    }
    return fail(NmeaError::UnknownSentence);
}
