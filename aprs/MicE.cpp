#include "aprs/MicE.h"

#include "aprs/PositionComment.h"
#include "aprs/PositionFields.h"
#include "platform/CodePage.h"

#include <QByteArrayView>
#include <cmath>

namespace {

// The 8-bit character behind a decoded character: Latin-1 as is, the Windows-1252 specials of
// 0x80..0x9F back to their byte, anything else '?'.
char toAnsi(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x100) return static_cast<char>(u);
    static constexpr char16_t k1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (k1252[i] == u) return static_cast<char>(0x80 + i);
    return '?';
}

// The information field as bytes (from the air) or as decoded text; at() gives the 8-bit
// character, textFrom() the text from a position on.
struct Bytes {
    QByteArrayView b;
    qsizetype size() const { return b.size(); }
    int at(qsizetype i) const { return i >= 0 && i < b.size() ? static_cast<unsigned char>(b[i]) : 0; }
    qsizetype indexOf(char c, qsizetype from) const { return b.indexOf(c, from); }
    QString textFrom(qsizetype i) const { return i < b.size() ? CodePage::decode(b.sliced(i)) : QString(); }
};
struct Text {
    QStringView t;
    qsizetype size() const { return t.size(); }
    int at(qsizetype i) const {
        return i >= 0 && i < t.size() ? static_cast<unsigned char>(toAnsi(t[i])) : 0;
    }
    qsizetype indexOf(char c, qsizetype from) const { return t.indexOf(QLatin1Char(c), from); }
    QString textFrom(qsizetype i) const { return i < t.size() ? t.sliced(i).toString() : QString(); }
};

struct DestinationChar {
    char digit;     // '0'..'9' or ' ' (ambiguity)
    int messageBit; // 0 or 1
    bool custom;    // message bit from the custom set
    bool north;     // as character 3
    bool west;      // as character 5
    int offset;     // as character 4: longitude offset 0 or 100
};

std::optional<DestinationChar> destinationChar(char c) {
    if (c >= '0' && c <= '9') return DestinationChar{c, 0, false, false, false, 0};
    if (c >= 'A' && c <= 'J')
        return DestinationChar{static_cast<char>('0' + (c - 'A')), 1, true, true, false, 0};
    if (c == 'K') return DestinationChar{' ', 1, true, true, false, 0};
    if (c == 'L') return DestinationChar{' ', 0, false, false, false, 0};
    if (c >= 'P' && c <= 'Y')
        return DestinationChar{static_cast<char>('0' + (c - 'P')), 1, false, true, true, 100};
    if (c == 'Z') return DestinationChar{' ', 1, false, true, true, 100};
    return std::nullopt;
}

template <typename View> std::optional<MicEFields> decode(View dest, View info) {
    if (dest.size() < 6 || info.size() < 9) return std::nullopt;
    DestinationChar d[6];
    for (int i = 0; i < 6; ++i) {
        const auto dc = destinationChar(static_cast<char>(dest.at(i)));
        if (!dc) return std::nullopt;
        d[i] = *dc;
    }
    MicEFields f;
    f.messageBits = d[0].messageBit << 2 | d[1].messageBit << 1 | d[2].messageBit;
    f.customMessage = d[0].custom || d[1].custom || d[2].custom;

    const char latText[8] = {d[0].digit, d[1].digit, d[2].digit, d[3].digit,
                             '.',        d[4].digit, d[5].digit, d[3].north ? 'N' : 'S'};
    f.latitudeText = QString::fromLatin1(latText, 8);
    int ambiguity = 0;
    const auto lat = parseLatitudeText(f.latitudeText, ambiguity);
    if (!lat) return std::nullopt;
    f.latitude = *lat;
    f.ambiguity = ambiguity;

    int degrees = info.at(1) - 28 + d[4].offset;
    if (degrees >= 180 && degrees <= 189) degrees -= 80;
    if (degrees >= 190 && degrees <= 199) degrees -= 190;
    int minutes = info.at(2) - 28;
    if (minutes > 59) minutes -= 60;
    const int hundredths = info.at(3) - 28;
    if (degrees < 0 || degrees > 179 || minutes < 0 || minutes > 59 || hundredths < 0 || hundredths > 99)
        return std::nullopt;
    const bool west = d[5].west;
    const char lonText[9] = {
        char('0' + degrees / 100),   char('0' + degrees / 10 % 10), char('0' + degrees % 10),
        char('0' + minutes / 10),    char('0' + minutes % 10),      '.',
        char('0' + hundredths / 10), char('0' + hundredths % 10),   west ? 'W' : 'E'};
    f.longitudeText = QString::fromLatin1(lonText, 9);
    double lon = degrees + (minutes + hundredths / 100.0) / 60.0;
    // The latitude's blanks hold for the longitude: the centre of the same box.
    if (ambiguity > 0) {
        int level = ambiguity;
        if (const auto centred = parseLongitudeText(f.longitudeText, level)) lon = std::fabs(*centred);
    }
    f.longitude = west ? -lon : lon;

    // Speed in tens (SP), units and course hundreds (DC), course units (SE). Encoders may raise SP
    // by 80, the course hundreds by 4 and so the speed by 800; all are taken off again.
    int sp = info.at(4) - 28;
    const int dc = info.at(5) - 28;
    const int se = info.at(6) - 28;
    if (sp < 0 || dc < 0 || se < 0) return std::nullopt;
    if (sp > 79) sp -= 80;
    f.speed = sp * 10 + dc / 10;
    if (f.speed >= 800) f.speed -= 800;
    f.course = (dc % 10) * 100 + se;
    if (f.course >= 400) f.course -= 400;

    f.symbolCode = static_cast<char16_t>(info.at(7));
    f.symbolTable = static_cast<char16_t>(info.at(8));

    // The text after the symbol, as the radios send it: a leading 0x1D, '\'' or ',' marks data
    // blocks that are skipped; a lone character is no status.
    const int type = info.at(9);
    if (info.size() <= 9) {
        f.status.clear();
    } else if (type == 0x1D) {
        f.status = info.textFrom(15);
    } else if (type == '\'') {
        f.status = info.textFrom(13);
    } else if (type == ',') {
        f.status = info.textFrom(15);
    } else if (info.size() > 10) {
        f.status = info.textFrom(9);
    }

    // Altitude: three base-91 digits before the first '}' (metres above -10000).
    const qsizetype brace = info.indexOf('}', 9);
    if (brace >= 9 + 3) {
        const int metres = (info.at(brace - 3) * 91 + info.at(brace - 2)) * 91 + info.at(brace - 1) - 286309;
        f.altitude = static_cast<int>(metres * 3.280839895013123 + 0.5);
    }

    // The comment as the public parsers give it: the status without the altitude, DAO and
    // telemetry, trimmed.
    QString comment = f.status;
    for (qsizetype i = comment.indexOf(u'}'); i >= 0; i = comment.indexOf(u'}', i + 1)) {
        if (i < 3) continue;
        const auto base91 = [](QChar c) { return c.unicode() >= 0x21 && c.unicode() <= 0x7B; };
        if (base91(comment[i - 3]) && base91(comment[i - 2]) && base91(comment[i - 1])) {
            comment.remove(i - 3, 4);
            break;
        }
    }
    const CommentParts parts = splitComment(comment, CommentKind::Plain);
    f.comment = parts.text;
    if (parts.dao) {
        f.dao = parts.dao;
        applyDao(*parts.dao, f.latitude, f.longitude);
    }
    return f;
}

} // namespace

std::optional<MicEFields> decodeMicEFields(QByteArrayView destination, QByteArrayView information) {
    return decode(Bytes{destination}, Bytes{information});
}

std::optional<MicEFields> decodeMicEFields(QStringView destination, QStringView information) {
    return decode(Text{destination}, Text{information});
}
