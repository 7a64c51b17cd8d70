#include "aprs/Base91.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionFields.h"

#include <gtest/gtest.h>

// Plain latitude and longitude text.

TEST(PositionText, HemispheresGiveTheSign) {
    EXPECT_NEAR(*parseLatitudeText(u"4903.50N"), 49.058333, 1e-6);
    EXPECT_NEAR(*parseLatitudeText(u"4903.50S"), -49.058333, 1e-6);
    EXPECT_NEAR(*parseLatitudeText(u"4903.50s"), -49.058333, 1e-6);
    EXPECT_NEAR(*parseLatitudeText(u"4903.50n"), 49.058333, 1e-6);
    EXPECT_NEAR(*parseLongitudeText(u"07201.75W"), -72.029167, 1e-6);
    EXPECT_NEAR(*parseLongitudeText(u"07201.75w"), -72.029167, 1e-6);
    EXPECT_NEAR(*parseLongitudeText(u"07201.75E"), 72.029167, 1e-6);
    EXPECT_NEAR(*parseLongitudeText(u"17959.99e"), 179.999833, 1e-6);
    EXPECT_DOUBLE_EQ(*parseLatitudeText(u"0000.00N"), 0.0);
    EXPECT_DOUBLE_EQ(*parseLatitudeText(u"9000.00S"), -90.0);
    EXPECT_DOUBLE_EQ(*parseLongitudeText(u"18000.00W"), -180.0);
}

TEST(PositionText, AmbiguityBlanksGiveTheCentreOfTheBox) {
    EXPECT_NEAR(*parseLatitudeText(u"4903.5 N"), 49 + 3.55 / 60, 1e-9);
    EXPECT_NEAR(*parseLatitudeText(u"4903.  N"), 49 + 3.5 / 60, 1e-9);
    EXPECT_NEAR(*parseLatitudeText(u"490 .  N"), 49 + 5.0 / 60, 1e-9);
    EXPECT_NEAR(*parseLatitudeText(u"49  .  N"), 49.5, 1e-9);
    EXPECT_NEAR(*parseLongitudeText(u"07201.  W"), -(72 + 1.5 / 60), 1e-9);
    EXPECT_NEAR(*parseLongitudeText(u"072  .  W"), -72.5, 1e-9);
}

TEST(PositionText, GarbageIsRefused) {
    EXPECT_FALSE(parseLatitudeText(u"Greeting"));
    EXPECT_FALSE(parseLatitudeText(u"4903.50X")); // no hemisphere
    EXPECT_FALSE(parseLatitudeText(u"4903,50N")); // no point
    EXPECT_FALSE(parseLatitudeText(u"49 3.50N")); // blank before a digit
    EXPECT_FALSE(parseLatitudeText(u"4 03.50N")); // degrees are never blank
    EXPECT_FALSE(parseLatitudeText(u"4903.5-N"));
    EXPECT_FALSE(parseLatitudeText(u"9100.00N")); // beyond the pole
    EXPECT_FALSE(parseLatitudeText(u"4903.50"));  // short
    EXPECT_FALSE(parseLatitudeText(u""));
    EXPECT_FALSE(parseLongitudeText(u"24051.47E")); // beyond 180
    EXPECT_FALSE(parseLongitudeText(u"07201.75N")); // latitude hemisphere
    EXPECT_FALSE(parseLongitudeText(u"0720 .75W"));
    EXPECT_FALSE(parseLongitudeText(u"07201.75"));
}

TEST(PositionText, PlainReportLayout) {
    const auto p = parsePlainPosition(u"!4903.50N/07201.75W-Test 001234");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, 49.058333, 1e-6);
    EXPECT_NEAR(p->longitude, -72.029167, 1e-6);
    EXPECT_EQ(p->symbolTable, u'/');
    EXPECT_EQ(p->symbolCode, u'-');
    EXPECT_TRUE(parsePlainPosition(u"=4903.50N\\07201.75W>")); // exactly 20 characters
    EXPECT_FALSE(parsePlainPosition(u"=4903.50N/07201.75W"));  // 19 characters
    EXPECT_FALSE(parsePlainPosition(u"=3426.19N/24051.47E-"));
    EXPECT_FALSE(parsePlainPosition(u"@Greetings from Fritz"));
}

TEST(PositionText, TimestampForms) {
    EXPECT_EQ(withoutTimestamp(u"@092345z4903.50N/07201.75W>"), u"z4903.50N/07201.75W>");
    EXPECT_EQ(withoutTimestamp(u"/092345/4903.50N/07201.75W>"), u"/4903.50N/07201.75W>");
    EXPECT_EQ(withoutTimestamp(u"@234517h4903.50N/07201.75W>"), u"h4903.50N/07201.75W>");
    // Month-day-hour-minute: eight digits, the last one takes the place of the data type.
    EXPECT_EQ(withoutTimestamp(u"@10092345"
                               "4903.50N/07201.75W>"),
              u"54903.50N/07201.75W>");
    EXPECT_TRUE(withoutTimestamp(u"@09234").isEmpty());
    EXPECT_EQ(withoutTimestamp(u"@092345z"), u"z");
}

// Compressed positions.

TEST(Compressed, Base91Values) {
    EXPECT_EQ(*Base91::value(u"!"), 0u);
    EXPECT_EQ(*Base91::value(u"{"), 90u);
    EXPECT_EQ(*Base91::value(u"!!!\""), 1u);
    EXPECT_EQ(*Base91::value(u"{{{{"), 91u * 91 * 91 * 91 - 1);
    EXPECT_FALSE(Base91::value(u"ab c"));
    EXPECT_FALSE(Base91::value(u"|"));
    EXPECT_FALSE(Base91::value(u""));
}

TEST(Compressed, PositionAndCourseSpeed) {
    // The format's own example: 49.5 N, 72.75 W, course 88, speed 36.2 knots.
    const auto p = parseCompressedPosition(u"/5L!!<*e7>7P[");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, 49.5, 1e-4);
    EXPECT_NEAR(p->longitude, -72.75, 1e-4);
    EXPECT_EQ(p->symbolTable, u'/');
    EXPECT_EQ(p->symbolCode, u'>');
    ASSERT_TRUE(p->course);
    EXPECT_EQ(*p->course, 88);
    EXPECT_NEAR(*p->speed, 36.2, 0.05);
    EXPECT_FALSE(p->altitude);
    EXPECT_FALSE(p->range);
}

TEST(Compressed, CsBytesAsAltitudeRangeOrNothing) {
    // Type byte with GGA as the fix source: cs is an altitude of 1.002^x feet.
    const auto alt = parseCompressedPosition(u"/5L!!<*e7>S]2");
    ASSERT_TRUE(alt);
    ASSERT_TRUE(alt->altitude);
    EXPECT_NEAR(*alt->altitude, 10004, 1);
    EXPECT_FALSE(alt->course);

    // '{' marks a radio range: 2 * 1.08^(s-33) miles; no course, no speed.
    const auto range = parseCompressedPosition(u"/5L!!<*e7>{?!");
    ASSERT_TRUE(range);
    ASSERT_TRUE(range->range);
    EXPECT_NEAR(*range->range, 20.1, 0.1);
    EXPECT_FALSE(range->course);
    EXPECT_FALSE(range->speed);

    // A blank c: nothing.
    const auto none = parseCompressedPosition(u"/5L!!<*e7>  T");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->course);
    EXPECT_FALSE(none->altitude);
    EXPECT_FALSE(none->range);

    // Course 0 and the slowest speed are real values, not "nothing".
    const auto still = parseCompressedPosition(u"/5L!!<*e7>!!T");
    ASSERT_TRUE(still);
    EXPECT_EQ(*still->course, 0);
    EXPECT_DOUBLE_EQ(*still->speed, 0.0);
}

TEST(Compressed, RefusesNonBase91AndOutOfRange) {
    EXPECT_FALSE(parseCompressedPosition(u"/5L!!<*e7>7P"));  // 12 characters
    EXPECT_FALSE(parseCompressedPosition(u"/5L !<*e7>7P[")); // blank in the latitude
    EXPECT_FALSE(parseCompressedPosition(u"/5L!!<*e|>7P[")); // '|' is not base-91
    EXPECT_FALSE(parseCompressedPosition(u"/{{{{<*e7>7P[")); // below the south pole
    EXPECT_FALSE(parseCompressedPosition(u"/5L!!{{{{>7P[")); // beyond 180 east
}

// Comment fields.

TEST(Phg, Values) {
    auto v = parsePhg(u"PHG5132");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->power, 25);
    EXPECT_EQ(v->height, 20);
    EXPECT_EQ(v->gain, 3);
    EXPECT_EQ(v->directivity, 90);
    EXPECT_NEAR(v->range, 7.9, 0.05);

    v = parsePhg(u"text PHG5130/more");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->directivity, 0);
    EXPECT_EQ(parsePhg(u"PHG5138")->directivity, 360);
    EXPECT_EQ(parsePhg(u"PHG513x")->directivity, 0);
    EXPECT_EQ(parsePhg(u"PHG9000")->power, 81);
    EXPECT_EQ(parsePhg(u"PHG9000")->height, 10);
    EXPECT_EQ(parsePhg(u"PHG5932")->height, 5120);
}

TEST(Phg, ZeroGainIsValidZeroPowerIsNot) {
    const auto v = parsePhg(u"PHG5102");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->power, 25);
    EXPECT_EQ(v->height, 20);
    EXPECT_EQ(v->gain, 0);
    EXPECT_EQ(v->directivity, 90);
    EXPECT_GT(v->range, 0);
    EXPECT_FALSE(parsePhg(u"PHG0132"));
    EXPECT_FALSE(parsePhg(u"PHG513")); // cut short
    EXPECT_FALSE(parsePhg(u"PHG5z32"));
    EXPECT_FALSE(parsePhg(u"no phg here"));
}

TEST(Comment, Altitude) {
    EXPECT_EQ(*parseAltitude(u"090/036/A=001234"), 1234);
    EXPECT_EQ(*parseAltitude(u"/A=-00012 low"), -12);
    EXPECT_EQ(*parseAltitude(u"x/A=5/A=7"), 5); // the first one counts
    EXPECT_FALSE(parseAltitude(u"A=001234"));
    EXPECT_FALSE(parseAltitude(u"/A=abc"));
    EXPECT_FALSE(parseAltitude(u"/A="));
    EXPECT_FALSE(parseAltitude(u"/A=99999999999999999999")); // never overflows
}

TEST(Comment, CourseSpeed) {
    const auto cs = parseCourseSpeed(u"090/036/A=001234");
    ASSERT_TRUE(cs);
    EXPECT_EQ(cs->course, 90);
    EXPECT_EQ(cs->speed, 36);
    EXPECT_FALSE(parseCourseSpeed(u"090/36"));
    EXPECT_FALSE(parseCourseSpeed(u"09a/036"));
    EXPECT_FALSE(parseCourseSpeed(u"090-036"));
    EXPECT_FALSE(parseCourseSpeed(u" 090/036"));
}
