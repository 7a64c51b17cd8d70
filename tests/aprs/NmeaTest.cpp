#include "aprs/Nmea.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include "support/TrackedStations.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const QByteArray kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

// The sentence with its checksum appended.
QByteArray withChecksum(const QByteArray& body) {
    uint8_t sum = 0;
    for (char c : body.mid(1)) sum ^= static_cast<uint8_t>(c);
    return body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

NmeaError errorOf(const QByteArray& sentence) {
    NmeaError error = NmeaError::None;
    parseNmeaSentence(sentence, &error);
    return error;
}

class NmeaDecoding : public TrackedStations {
protected:
    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("GPS1")) {
        return feedLine(info, from, QStringLiteral("GPSLK"), QStringLiteral("WIDE1-1*"), 1);
    }
    StationRecord* feed(const QByteArray& info, const QString& from = QStringLiteral("GPS1")) {
        return feed(QString::fromLatin1(info), from);
    }
};

} // namespace

TEST(NmeaParser, RmcSentence) {
    NmeaError error;
    const auto fix = parseNmeaSentence(kRmc, &error);
    ASSERT_TRUE(fix);
    EXPECT_EQ(error, NmeaError::None);
    EXPECT_EQ(fix->sentence, "GPRMC");
    EXPECT_NEAR(fix->latitude, 48 + 7.038 / 60, 1e-9);
    EXPECT_NEAR(fix->longitude, 11 + 31.0 / 60, 1e-9);
    EXPECT_DOUBLE_EQ(fix->speed, 22.4);
    EXPECT_DOUBLE_EQ(fix->course, 84.4);
    EXPECT_TRUE(fix->fixValid);
    EXPECT_EQ(fix->day, 23);
    EXPECT_EQ(fix->month, 3);
    EXPECT_EQ(fix->year, 94);
    EXPECT_EQ(fix->hour, 12);
    EXPECT_EQ(fix->minute, 35);
    EXPECT_EQ(fix->second, 19);
    EXPECT_EQ(fix->ggaValue, -1200);
    EXPECT_FALSE(fix->altitudeM);
}

TEST(NmeaParser, GgaSentenceCarriesTheAltitude) {
    const auto fix = parseNmeaSentence(kGga);
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->latitude, 48.1173, 1e-9);
    EXPECT_TRUE(fix->fixValid);
    EXPECT_EQ(fix->satellites, 8);
    ASSERT_TRUE(fix->altitudeM);
    EXPECT_DOUBLE_EQ(*fix->altitudeM, 545.4);
    EXPECT_DOUBLE_EQ(fix->ggaValue, 545.4 * 0.5399567774198679);
    EXPECT_EQ(fix->speed, -1);
    EXPECT_EQ(fix->course, -1);

    const auto noFix = parseNmeaSentence(withChecksum("$GPGGA,123519,,,,,0,00,,,M,,M,,"));
    ASSERT_TRUE(noFix);
    EXPECT_FALSE(noFix->fixValid);
    EXPECT_FALSE(noFix->hasPosition());
    EXPECT_FALSE(noFix->altitudeM);
}

TEST(NmeaParser, ChecksumRule) {
    EXPECT_EQ(errorOf(kRmc), NmeaError::None);
    QByteArray wrong = kRmc;
    wrong.chop(2);
    EXPECT_EQ(errorOf(wrong + "6B"), NmeaError::WrongChecksum);
    EXPECT_EQ(errorOf(wrong + "6a"), NmeaError::None);         // hexadecimal either case
    EXPECT_EQ(errorOf(wrong + "6"), NmeaError::WrongChecksum); // digits cut off
    EXPECT_EQ(errorOf(wrong), NmeaError::WrongChecksum);       // '*' at the very end
    EXPECT_EQ(errorOf(wrong + "G1"), NmeaError::WrongChecksum);
    // Without '*' there is nothing to check.
    const QByteArray bare = kRmc.left(kRmc.indexOf('*'));
    ASSERT_TRUE(parseNmeaSentence(bare));
    EXPECT_NEAR(parseNmeaSentence(bare)->latitude, 48.1173, 1e-9);
    // A control character ends the checked part; no '*' was reached, so nothing is checked.
    EXPECT_EQ(errorOf(bare + "\x01*00"), NmeaError::None);
}

TEST(NmeaParser, ShortOrMalformedFieldsAreRefused) {
    const QByteArray cases[] = {
        "",
        "GPRMC,123519,A",
        "$",
        "$GPRMC",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4",        // 9 fields
        "$GPRMC,1235,A,4807.038,N,01131.000,E,022.4,084.4,230394",   // time cut short
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,2303",   // date cut short
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230300", // year 0
        "$GPRMC,123519,A,4,N,01131.000,E,022.4,084.4,230394",        // latitude cut short
        "$GPRMC,123519,A,48,N,01131.000,E,022.4,084.4,230394",       // no minutes
        "$GPRMC,123519,A,4807.038,N,011,E,022.4,084.4,230394",       // longitude cut short
        "$GPRMC,123519,A,4x07.038,N,01131.000,E,022.4,084.4,230394", // not a number
        "$GPRMC,123519,A,4875.000,N,01131.000,E,022.4,084.4,230394", // 75 minutes
        "$GPRMC,123519,A,9907.038,N,01131.000,E,022.4,084.4,230394", // beyond the pole
        "$GPRMC,123519,A,4807.038,N,19131.000,E,022.4,084.4,230394", // beyond 180
        "$GPRMC,123519,A,4807.038,N,01131.000,E,fast,084.4,230394",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,1e9,084.4,230394",
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9", // fewer than 10 fields
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,high,M",
        "$GPVTG,054.7,T,034.4,M", // fewer than 6 fields
    };
    for (const QByteArray& c : cases) EXPECT_FALSE(parseNmeaSentence(c)) << c.toStdString();
    EXPECT_EQ(errorOf("$GPGSV,3,1,11,03,03,111,00"), NmeaError::UnknownSentence);
    EXPECT_EQ(errorOf("GPRMC"), NmeaError::NotNmea);
}

TEST(NmeaParser, VtgGivesSpeedOnly) {
    const auto fix = parseNmeaSentence(withChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"));
    ASSERT_TRUE(fix);
    EXPECT_DOUBLE_EQ(fix->speed, 5.5);
    EXPECT_EQ(fix->course, -1);
    EXPECT_FALSE(fix->hasPosition());
}

TEST(NmeaParser, Hemispheres) {
    const auto fix = parseNmeaSentence("$GPRMC,000001,V,3355.500,S,15112.000,W,,,010125,,");
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->latitude, -(33 + 55.5 / 60), 1e-9);
    EXPECT_NEAR(fix->longitude, -(151 + 12.0 / 60), 1e-9);
    EXPECT_FALSE(fix->fixValid);
    EXPECT_EQ(fix->speed, -1); // empty: absent
    EXPECT_EQ(fix->course, -1);
}

// Through the station database.

TEST_F(NmeaDecoding, RmcPlacesAMobileStation) {
    StationRecord* r = feed(kRmc);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "GPS1");
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->symbolTable, '/');
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->stationType, StationType::Mobile);
    EXPECT_NEAR(r->latitude, 48.1173, 1e-9);
    EXPECT_NEAR(r->longitude, 11.516667, 1e-6);
    EXPECT_EQ(r->course, 84u);
    EXPECT_DOUBLE_EQ(r->speed, 22.4);
    EXPECT_EQ(r->altitude, 0);
    EXPECT_EQ(r->heardVia(), "WIDE1-1");
    EXPECT_EQ(tracks.readTrack(QStringLiteral("GPS1")).size(), 1u);
}

TEST_F(NmeaDecoding, GgaStoresTheAntennaAltitudeInFeet) {
    ASSERT_NE(feed(kRmc), nullptr);
    StationRecord* r = feed(kGga);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_EQ(r->altitude, 1789); // 545.4 m
    EXPECT_EQ(r->course, 84u);    // GGA has no course or speed: both stay
    EXPECT_DOUBLE_EQ(r->speed, 22.4);

    // Below sea level.
    r = feed(withChecksum("$GPGGA,123520,3130.000,N,03530.000,E,1,05,1.2,-420.0,M,,M,,"),
             QStringLiteral("GPS2"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->altitude, -1378);
}

TEST_F(NmeaDecoding, RejectedSentencesCreateNothing) {
    QByteArray wrong = kRmc;
    wrong.replace("*6A", "*6B");
    EXPECT_EQ(feed(wrong), nullptr);
    EXPECT_EQ(feed(withChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K")), nullptr); // no position
    EXPECT_EQ(feed(QByteArray("$GPRMC,123519,A,48")), nullptr);
    EXPECT_EQ(feed(QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9*00")), nullptr);
    EXPECT_EQ(feed(QByteArray("$PGRMZ,246,f,3*1B")), nullptr);
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(NmeaDecoding, SentenceWithoutChecksumIsAccepted) {
    StationRecord* r = feed(kRmc.left(kRmc.indexOf('*')));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 48.1173, 1e-9);
}

TEST_F(NmeaDecoding, CourseOutOfRangeBecomesZero) {
    StationRecord* r = feed(withChecksum("$GPRMC,123519,A,4807.038,N,01131.000,E,3.0,360.9,230394,,"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 0u);
}
