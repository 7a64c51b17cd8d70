#include "aprs/MicE.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

// An encoder written from the Mic-E format, independent of the decoder: destination and
// information field for a position, speed and course.
struct MicEPacket {
    QByteArray destination, information;
};
struct Encode {
    double lat = 49.058333, lon = -72.029167;
    int speed = 36, course = 90;
    int messageBits = 7;       // A B C
    bool courseOffset = false; // hundreds of the course raised by 4
    bool speedOffset = true;   // tens of the speed raised by 80
    char table = '/', code = '>';
    QByteArray tail; // after the symbol
};
MicEPacket encode(const Encode& e) {
    const double alat = std::abs(e.lat), alon = std::abs(e.lon);
    const int latHundredths = static_cast<int>(std::lround((alat - std::floor(alat)) * 6000));
    const int latDeg = static_cast<int>(alat);
    const int lonDeg = static_cast<int>(alon);
    const int lonHundredths = static_cast<int>(std::lround((alon - lonDeg) * 6000));
    const int lonMin = lonHundredths / 100, lonHun = lonHundredths % 100;
    const int digits[6] = {latDeg / 10,
                           latDeg % 10,
                           latHundredths / 1000,
                           latHundredths / 100 % 10,
                           latHundredths / 10 % 10,
                           latHundredths % 10};
    const bool lonOffset = lonDeg < 10 || lonDeg >= 100;
    const bool high[6] = {bool(e.messageBits & 4),
                          bool(e.messageBits & 2),
                          bool(e.messageBits & 1),
                          e.lat >= 0,
                          lonOffset,
                          e.lon < 0};
    QByteArray dest;
    for (int i = 0; i < 6; ++i) dest += char((high[i] ? 'P' : '0') + digits[i]);

    QByteArray info = "`";
    int d = lonDeg;
    if (d < 10)
        d += 90;
    else if (d >= 100 && d < 110)
        d -= 20;
    else if (d >= 110)
        d -= 100;
    info += char(d + 28);
    info += char((lonMin < 10 ? lonMin + 60 : lonMin) + 28);
    info += char(lonHun + 28);
    const int sp = e.speed / 10;
    info += char(sp + (e.speedOffset && sp < 20 ? 80 : 0) + 28);
    info += char((e.speed % 10) * 10 + e.course / 100 + (e.courseOffset ? 4 : 0) + 28);
    info += char(e.course % 100 + 28);
    info += e.code;
    info += e.table;
    info += e.tail;
    return {dest, info};
}

std::optional<MicEFields> decode(const MicEPacket& p) {
    return decodeMicEFields(p.destination, p.information);
}

} // namespace

TEST(MicE, HandEncodedPacket) {
    // 49 03.50 N, 72 01.75 W, 36 knots, course 90, car; off-duty message bits.
    const auto f = decodeMicEFields(u"TYPS5P", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->latitudeText, "4903.50N");
    EXPECT_EQ(f->longitudeText, "07201.75W");
    EXPECT_NEAR(f->latitude, 49.058333, 1e-6);
    EXPECT_NEAR(f->longitude, -72.029167, 1e-6);
    EXPECT_EQ(f->speed, 36);
    EXPECT_EQ(f->course, 90);
    EXPECT_EQ(f->symbolCode, u'>');
    EXPECT_EQ(f->symbolTable, u'/');
    EXPECT_EQ(f->messageBits, 7);
    EXPECT_FALSE(f->customMessage);
    EXPECT_FALSE(f->altitude);
    EXPECT_TRUE(f->status.isEmpty());
}

TEST(MicE, CourseWithAndWithoutTheHundredsOffset) {
    // Hundreds digit as the format defines it (0..3): the course survives.
    auto f = decodeMicEFields(u"TYPS5P", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->course, 90);
    // Hundreds raised by 4 by some encoders: the same course.
    f = decodeMicEFields(u"TYPS5P", u"`dYgo\\v>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->course, 90);
    EXPECT_EQ(f->speed, 36);

    for (bool offset : {false, true}) {
        for (int course : {0, 1, 99, 100, 180, 270, 359}) {
            for (int speed : {0, 5, 36, 99, 100, 123, 799}) {
                Encode e;
                e.course = course;
                e.speed = speed;
                e.courseOffset = offset;
                const auto r = decode(encode(e));
                ASSERT_TRUE(r) << course << " " << speed;
                EXPECT_EQ(r->course, course) << "offset " << offset << " speed " << speed;
                EXPECT_EQ(r->speed, speed) << "offset " << offset << " course " << course;
            }
        }
    }
}

TEST(MicE, SpeedTensWithoutTheOffset) {
    Encode e;
    e.speed = 5;
    e.speedOffset = false; // SP byte 28: a control character
    const auto r = decode(encode(e));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->speed, 5);
}

TEST(MicE, HemispheresAndLongitudeOffset) {
    // 33 25.64 S, 112 07.74 E; message bits 1 0 1.
    auto f = decodeMicEFields(u"S3R5V4", u"`(_fn\"Oj/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->latitudeText, "3325.64S");
    EXPECT_EQ(f->longitudeText, "11207.74E");
    EXPECT_NEAR(f->latitude, -(33 + 25.64 / 60), 1e-9);
    EXPECT_NEAR(f->longitude, 112 + 7.74 / 60, 1e-9);
    EXPECT_EQ(f->messageBits, 5);

    // Every band of longitude degrees the format folds into one byte, both hemispheres.
    for (double lon : {0.5, 5.25, 9.99, 10.0, 72.03, 99.5, 100.0, 105.2, 109.9, 110.0, 145.7, 179.9}) {
        for (double sign : {1.0, -1.0}) {
            for (double lat : {0.25, 45.5, -45.5, 89.9}) {
                Encode e;
                e.lon = sign * lon;
                e.lat = lat;
                const auto r = decode(encode(e));
                ASSERT_TRUE(r) << lon << " " << sign << " " << lat;
                EXPECT_NEAR(r->longitude, e.lon, 1.0 / 6000 + 1e-9) << lon;
                EXPECT_NEAR(r->latitude, e.lat, 1.0 / 6000 + 1e-9) << lat;
            }
        }
    }
}

TEST(MicE, MessageBitsAndCustomSet) {
    for (int bits = 0; bits < 8; ++bits) {
        Encode e;
        e.messageBits = bits;
        const auto r = decode(encode(e));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->messageBits, bits);
        EXPECT_FALSE(r->customMessage);
    }
    // 'A'..'K' carry custom message bits; latitude digits as '0'..'9', north.
    const auto f = decodeMicEFields(u"DJA35P", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->messageBits, 7);
    EXPECT_TRUE(f->customMessage);
    EXPECT_EQ(f->latitudeText, "3903.50S"); // character 3 '3': south
}

TEST(MicE, AmbiguityBlanks) {
    auto f = decodeMicEFields(u"TYPS5Z", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->latitudeText, "4903.5 N");
    EXPECT_NEAR(f->latitude, 49 + 3.55 / 60, 1e-9); // the centre of the box
    EXPECT_EQ(f->ambiguity, 1);
    EXPECT_LT(f->longitude, 0); // 'Z' is west
    f = decodeMicEFields(u"TYPSLL", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->latitudeText, "4903.  N");
    EXPECT_GT(f->longitude, 0); // 'L' is east
    f = decodeMicEFields(u"TYPKLL", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->latitudeText, "490 .  N");
    // A blank followed by a digit is no ambiguity.
    EXPECT_FALSE(decodeMicEFields(u"TYPK5P", u"`dYgoXv>/"));
}

TEST(MicE, AltitudeAndStatusText) {
    // 100 m in base-91 ("\"4{") before '}': 328 ft.
    auto f = decodeMicEFields(u"TYPS5P", u"`dYgoXv>/]\"4{}Hello");
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->altitude);
    EXPECT_EQ(*f->altitude, 328);
    EXPECT_EQ(f->status, "]\"4{}Hello");

    // Below sea level: -10 m -> -32 ft.
    f = decodeMicEFields(u"TYPS5P", u"`dYgoXv>/>\"3h}");
    ASSERT_TRUE(f);
    EXPECT_EQ(*f->altitude, -32);

    // '}' too near the start of the text is no altitude.
    f = decodeMicEFields(u"TYPS5P", u"`dYgoXv>/]a}rest");
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->altitude);

    // Data blocks before the status text.
    EXPECT_EQ(decodeMicEFields(u"TYPS5P", u"`dYgoXv>/,12345Status")->status, "Status");
    EXPECT_EQ(decodeMicEFields(u"TYPS5P", u"`dYgoXv>/'123Status")->status, "Status");
    EXPECT_EQ(
        decodeMicEFields(u"TYPS5P", QStringLiteral("`dYgoXv>/") + QChar(0x1D) + QStringLiteral("12345Status"))
            ->status,
        "Status");
    EXPECT_EQ(decodeMicEFields(u"TYPS5P", u"`dYgoXv>/,123")->status, "");
    EXPECT_EQ(decodeMicEFields(u"TYPS5P", u"`dYgoXv>/x")->status, ""); // a lone character
    EXPECT_EQ(decodeMicEFields(u"TYPS5P", u"`dYgoXv>/xy")->status, "xy");
}

TEST(MicE, BytesAndTextAgree) {
    Encode e;
    e.tail = "]\"4{}Caf\xe9"; // Windows-1252 e acute
    const MicEPacket p = encode(e);
    const auto fromBytes = decodeMicEFields(p.destination, p.information);
    const auto fromText =
        decodeMicEFields(QString::fromLatin1(p.destination), QString::fromLatin1(p.information));
    ASSERT_TRUE(fromBytes && fromText);
    EXPECT_EQ(fromBytes->status, fromText->status);
    EXPECT_EQ(fromText->status, QString::fromUtf8("]\"4{}Caf\xc3\xa9"));
    EXPECT_EQ(fromBytes->longitude, fromText->longitude);
    EXPECT_EQ(fromBytes->altitude, fromText->altitude);
}

TEST(MicE, MalformedFieldsAreRefused) {
    EXPECT_FALSE(decodeMicEFields(u"APRS", u"`dYgoXv>/"));   // destination too short
    EXPECT_FALSE(decodeMicEFields(u"TYPS5!", u"`dYgoXv>/")); // not a Mic-E character
    EXPECT_FALSE(decodeMicEFields(u"TYPS5p", u"`dYgoXv>/")); // lower case
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`dYgoXv>"));  // 8 characters
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`"));
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u""));
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`\x01YgoXv>/")); // longitude degrees below the range
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`d\x01goXv>/"));
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`dY\x80oXv>/")); // hundredths beyond 99
    EXPECT_FALSE(decodeMicEFields(u"TYPS5P", u"`dYg\x01Xv>/")); // speed byte below the range
    EXPECT_FALSE(decodeMicEFields(u"Y9PS5P", u"`dYgoXv>/"));    // latitude 99
    EXPECT_TRUE(decodeMicEFields(u"TYPS5P-3", u"`dYgoXv>/"));   // an SSID does not matter
}
