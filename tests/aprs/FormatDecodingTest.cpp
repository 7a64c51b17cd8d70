// Decoding as the public APRS parsers read each format: packets built from APRS 1.0.1, the 1.1
// addendum and the DAO and comment-telemetry notes, through a real station database.
#include "aprs/MicE.h"
#include "aprs/ObjectDecoder.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionFields.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/Weather.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class FormatDecoding : public ::testing::Test {
protected:
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};

    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("N0CALL"),
                        const QString& to = QStringLiteral("APRS")) {
        clock.advance(1000);
        const QString header = QStringLiteral("GT:Fm %1 To %2 Via MYGATE* <UI pid=F0 Len=%3 >[%4]")
                                   .arg(from, to)
                                   .arg(info.size())
                                   .arg(clock.nowUtc().time().toString(u"hh:mm:ss"));
        return stations.ProcessMonitorText(header + u'\r' + info + u'\r', -1);
    }
};

constexpr double kMinute = 1.0 / 60.0;

} // namespace

TEST(PositionAmbiguity, ThePositionIsTheCentreOfTheBox) {
    int level = 0;
    EXPECT_NEAR(*parseLatitudeText(u"4903.5 N", level), 49 + 3.55 * kMinute, 1e-9);
    EXPECT_EQ(level, 1);
    level = 0;
    EXPECT_NEAR(*parseLatitudeText(u"4903.  N", level), 49 + 3.5 * kMinute, 1e-9);
    EXPECT_EQ(level, 2);
    level = 0;
    EXPECT_NEAR(*parseLatitudeText(u"490 .  S", level), -(49 + 5 * kMinute), 1e-9);
    EXPECT_EQ(level, 3);
    level = 0;
    EXPECT_NEAR(*parseLatitudeText(u"49  .  N", level), 49.5, 1e-9);
    EXPECT_EQ(level, 4);
    // The latitude's level holds for the longitude, whatever digits it carries there.
    const auto p = parsePlainPosition(u"!49  .  N/07201.75W-");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->ambiguity, 4);
    EXPECT_NEAR(p->latitude, 49.5, 1e-9);
    EXPECT_NEAR(p->longitude, -72.5, 1e-9);
    // A longitude blanked further sets the level for both.
    const auto q = parsePlainPosition(u"!4903.50N/0720 .  W-");
    ASSERT_TRUE(q);
    EXPECT_EQ(q->ambiguity, 3);
    EXPECT_NEAR(q->latitude, 49 + 5 * kMinute, 1e-9);
    EXPECT_NEAR(q->longitude, -(72 + 5 * kMinute), 1e-9);
}

TEST_F(FormatDecoding, AmbiguousPositionsAreStoredAtTheCentreWithTheirLevel) {
    StationRecord* r = feed(QStringLiteral("!49  .  N/072  .  W-Somewhere"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49.5, 1e-9);
    EXPECT_NEAR(r->longitude, -72.5, 1e-9);
    EXPECT_EQ(r->positionAmbiguity, 4);
    r = feed(QStringLiteral("!4903.50N/07201.75W-Exact"));
    EXPECT_EQ(r->positionAmbiguity, 0);
    // Mic-E: blanks in the destination ('Z', 'L') blank the same digits of the longitude.
    const auto f = decodeMicEFields(u"TYPSLZ", u"`dYgoXv>/");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ambiguity, 2);
    EXPECT_NEAR(f->latitude, 49 + 3.5 * kMinute, 1e-9);
    EXPECT_NEAR(std::fabs(f->longitude), 72 + 1.5 * kMinute, 1e-9);
}

TEST(DaoExtension, UpperCaseAndBase91FormsRefineThePosition) {
    auto d = findDao(u"Comment !W52! more");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->datum, u'W');
    EXPECT_EQ(d->at, 8);
    EXPECT_NEAR(d->latitudeOffset, 0.005 * kMinute, 1e-12);
    EXPECT_NEAR(d->longitudeOffset, 0.002 * kMinute, 1e-12);
    d = findDao(u"!w%P!");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->datum, u'W');
    EXPECT_NEAR(d->latitudeOffset, 4 / 91.0 * 0.01 * kMinute, 1e-12);
    EXPECT_NEAR(d->longitudeOffset, 47 / 91.0 * 0.01 * kMinute, 1e-12);
    d = findDao(u"x!W  !");
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->hasOffset);
    EXPECT_FALSE(findDao(u"Hello!"));
    EXPECT_FALSE(findDao(u"!!!!!")); // no datum
    // Offsets go away from the equator and the meridian.
    double lat = -10, lon = -20;
    applyDao(*findDao(u"!W99!"), lat, lon);
    EXPECT_LT(lat, -10);
    EXPECT_LT(lon, -20);
}

TEST_F(FormatDecoding, DaoIsAppliedAndTakenOutOfTheComment) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W-Home !W52! station"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49 + 3.505 * kMinute, 1e-9);
    EXPECT_NEAR(r->longitude, -(72 + 1.752 * kMinute), 1e-9);
    EXPECT_EQ(r->comment, "Home  station");
    r = feed(QStringLiteral("`dYgoXv>/]Mobile!w%P!"), QStringLiteral("N1MIC"), QStringLiteral("TYPS5P"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->comment, "]Mobile");
}

TEST(CommentExtensions, TheTextLeftIsTrimmed) {
    CommentParts p = splitComment(u"088/036/A=001234 Lead car ");
    ASSERT_TRUE(p.courseSpeed);
    EXPECT_EQ(p.courseSpeed->course, 88);
    EXPECT_EQ(*p.altitudeFt, 1234);
    EXPECT_EQ(p.text, "Lead car");
    p = splitComment(u"PHG5132 Home");
    ASSERT_TRUE(p.phg);
    EXPECT_EQ(p.phg->power, 25);
    EXPECT_EQ(p.text, "Home");
    p = splitComment(u"RNG0050 Digi");
    EXPECT_EQ(*p.rangeMiles, 50);
    EXPECT_EQ(p.text, "Digi");
    p = splitComment(u"Solar |!!!!!\"!#!$!%!&| volts");
    ASSERT_TRUE(p.telemetry);
    EXPECT_EQ(p.telemetry->sequence, 0);
    EXPECT_EQ(p.telemetry->valueCount, 5);
    EXPECT_EQ(p.telemetry->values[1], 1);
    EXPECT_EQ(*p.telemetry->bits, 5);
    EXPECT_EQ(p.text, "Solar  volts");
    // Course/speed only lead the comment; elsewhere it is text.
    EXPECT_EQ(splitComment(u"Go 088/036").text, "Go 088/036");
    EXPECT_EQ(splitComment(u"088/036", CommentKind::Plain).text, "088/036");
}

TEST_F(FormatDecoding, PositionCommentsLoseTheirExtensions) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W>090/036/A=001234 Driving "));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 90u);
    EXPECT_EQ(r->altitude, 1234);
    EXPECT_EQ(r->comment, "Driving");
    r = feed(QStringLiteral("=4903.50N/07201.75W-PHG5132 Home"), QStringLiteral("N0PHG"));
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(r->comment, "Home");
    // Weather: the comment is what follows the weather fields; a lone station code is none.
    r = feed(QStringLiteral("=4903.50N/07201.75W_220/004g005t077 Backyard"), QStringLiteral("N0WX"));
    EXPECT_EQ(r->comment, "Backyard");
    r = feed(QStringLiteral("=4903.50N/07201.75W_220/004g005t077h50wRSW"), QStringLiteral("N1WX"));
    EXPECT_EQ(r->comment, "");
}

TEST_F(FormatDecoding, CompressedPositionsCarryCourseSpeedAltitudeAndRange) {
    StationRecord* r = feed(QStringLiteral("=/5L!!<*e7>7P[Tracker"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 88u);
    EXPECT_NEAR(r->speed, 36.2, 0.1);
    EXPECT_EQ(r->comment, "Tracker");
    // Time-stamped compressed positions read the same block.
    r = feed(QStringLiteral("@092345z/5L!!<*e7>S]2"), QStringLiteral("N1ALT"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->altitude, 10004, 1);
    // A compressed symbol table must be '/', '\\', 'A'..'Z' or 'a'..'j'.
    EXPECT_EQ(feed(QStringLiteral("=x5L!!<*e7>7P["), QStringLiteral("N2BAD")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("!4903.50N*07201.75W-bad table"), QStringLiteral("N3BAD")), nullptr);
}

TEST(ObjectReports, CompressedObjectsAndItems) {
    auto o = parseObjectReport(u";CAR      *092345z/5L!!<*e7>7P[Lead");
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->compressed);
    EXPECT_EQ(*o->course, 88);
    EXPECT_EQ(o->comment, "Lead");
    o = parseObjectReport(u")AID #2!4903.50N/07201.75WA088/036 First aid");
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->item);
    EXPECT_TRUE(o->live);
    EXPECT_EQ(o->name, "AID #2");
    EXPECT_EQ(o->symbolCode, u'A');
    EXPECT_EQ(o->comment, "088/036 First aid");
    o = parseObjectReport(u")AID #2_4903.50N/07201.75WA");
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->live);
    o = parseObjectReport(u")G!4903.50N/07201.75WA"); // a name of 3 to 9 characters
    EXPECT_FALSE(o);
    EXPECT_FALSE(parseObjectReport(u")AID #2!Greetings from the club"));
}

TEST_F(FormatDecoding, ObjectsAndItemsTakeTheirCommentExtensions) {
    StationRecord* r = feed(QStringLiteral(";LEADER   *092345z4903.50N/07201.75W>088/036/A=001234 Lead car"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 88u);
    EXPECT_EQ(r->speed, 36);
    EXPECT_EQ(r->altitude, 1234);
    EXPECT_EQ(r->comment, "Lead car");
    r = feed(QStringLiteral(")AID #2!4903.50N/07201.75WAPHG5132 First aid"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "AID #2");
    EXPECT_EQ(r->owner, "N0CALL");
    EXPECT_EQ(r->stationType, StationType::Object);
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(r->comment, "First aid");
    const int before = stations.count();
    // Killed: the item goes.
    EXPECT_EQ(feed(QStringLiteral(")AID #2_4903.50N/07201.75WA")), nullptr);
    EXPECT_EQ(stations.count(), before - 1);
    EXPECT_EQ(stations.FindObject(u"AID #2", u"N0CALL"), nullptr);
    // A weather object keeps its wind as weather.
    r = feed(QStringLiteral(";WX1      *092345z4903.50N/07201.75W_220/004g005t077"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->stationType, StationType::Object);
    EXPECT_EQ(r->weather.windDirection, 220);
    EXPECT_EQ(r->course, 0u);
}

TEST_F(FormatDecoding, PositionsLaterInTheFieldAreFound) {
    StationRecord* r = feed(QStringLiteral("TNC BEACON !4903.50N/07201.75W-Fixed"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_EQ(r->comment, "Fixed");
    // Beyond the first 40 characters it is text.
    EXPECT_EQ(feed(QStringLiteral("0123456789012345678901234567890123456789 !4903.50N/07201.75W-"),
                   QStringLiteral("N1FAR")),
              nullptr);
}

TEST(WeatherFields, LuminositySnowRawRainAndStationType) {
    const auto w = parseWeatherAfterPositionText(u"220/004g005t077L456s001#123wRSW");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->luminosity, 456);
    EXPECT_DOUBLE_EQ(w->snow24h, 1);
    EXPECT_EQ(w->rainRaw, 123);
    EXPECT_EQ(w->stationType, "wRSW");
    const auto p = parsePositionlessWeather(u"_10090556c220s004g005t077l123s002");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->windSpeed, 4); // the first 's' is the wind
    EXPECT_EQ(p->luminosity, 1123);
    EXPECT_DOUBLE_EQ(p->snow24h, 2);
}

TEST_F(FormatDecoding, StatusWithATimeStampKeepsTheText) {
    ASSERT_NE(feed(QStringLiteral("!4903.50N/07201.75W-")), nullptr);
    feed(QStringLiteral(">092345zNet tonight"));
    EXPECT_EQ(stations.FindByCall(u"N0CALL")->status, "Net tonight");
    feed(QStringLiteral(">IO91SX/G Home"));
    EXPECT_EQ(stations.FindByCall(u"N0CALL")->status, "IO91SX/G Home");
}

TEST_F(FormatDecoding, RefusalsStayRefused) {
    EXPECT_EQ(feed(QStringLiteral("!9100.00N/07201.75W-"), QStringLiteral("N1OFF")),
              nullptr); // off the globe
    EXPECT_EQ(feed(QStringLiteral("`dYgoXv>/"), QStringLiteral("N1MIC"), QStringLiteral("TYPS5!")), nullptr);
    EXPECT_EQ(feed(QStringLiteral(";SHORT    *0923"), QStringLiteral("N1OBJ")), nullptr);
    EXPECT_EQ(feed(QStringLiteral(")X!4903.50N/07201.75WA"), QStringLiteral("N1ITM")), nullptr);
    EXPECT_EQ(stations.count(), 0);
}
