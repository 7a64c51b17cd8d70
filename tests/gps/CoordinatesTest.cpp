#include "gps/CoordText.h"
#include "gps/GeoCalc.h"
#include "gps/Maidenhead.h"
#include "gps/Units.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {
const QString deg = QString(QChar(0x00B0));
} // namespace

TEST(GeoCalc, GreatCircleDistance) {
    GeoCalc g;
    EXPECT_EQ(g.distanceKm(37.5, 23.75, 37.5, 23.75), 0.0);
    EXPECT_EQ(g.distanceKm(-12.3456789, 179.999, -12.3456789, 179.999), 0.0); // no NaN from acos(1+e)
    EXPECT_NEAR(g.distanceKm(10, 20, 11, 20), 111.195, 0.001);
    EXPECT_NEAR(g.distanceKm(0, 0, 0, 180), 6371.0 * GeoCalc::kPi, 0.01);
    EXPECT_NEAR(g.distanceKm(90, 0, -90, 0), 6371.0 * GeoCalc::kPi, 0.01);
}

TEST(GeoCalc, BearingTakesTheCardinalDirectionsOnSharedLatitudeOrLongitude) {
    GeoCalc g;
    EXPECT_EQ(g.bearing(10, 20, 10, 21), 90.0);
    EXPECT_EQ(g.bearing(10, 20, 10, 19), 270.0);
    EXPECT_EQ(g.bearing(10, 20, 11, 20), 0.0);
    EXPECT_EQ(g.bearing(10, 20, 9, 20), 180.0);
    EXPECT_EQ(g.bearing(10, 20, 10, 20), 0.0);
    // Closer than a hundredth of a second in both coordinates: the same point.
    const double tiny = 0.001 / 3600.0;
    EXPECT_EQ(g.bearing(10, 20, 10 + tiny, 20 - tiny), 0.0);
    // A hundredth of a second is enough to tell them apart.
    EXPECT_EQ(g.bearing(10, 20, 10, 20 + 0.01 / 3600.0), 90.0);
}

TEST(GeoCalc, BearingQuadrantsAgreeWithTheGreatCircleCourse) {
    GeoCalc g;
    const double ne = g.bearing(10, 20, 11, 21);
    const double nw = g.bearing(10, 20, 11, 19);
    const double se = g.bearing(10, 20, 9, 21);
    const double sw = g.bearing(10, 20, 9, 19);
    // Initial great-circle courses for these one-degree steps.
    EXPECT_NEAR(ne, 44.5, 0.5);
    EXPECT_NEAR(nw, 315.5, 0.5);
    EXPECT_NEAR(se, 135.3, 0.5);
    EXPECT_NEAR(sw, 224.7, 0.5);
    for (double b : {ne, nw, se, sw}) {
        EXPECT_GE(b, 0.0);
        EXPECT_LT(b, 360.0);
    }
    // Southern and western hemispheres.
    EXPECT_NEAR(g.bearing(-33.9, -70.6, -33.4, -70.1), 40.0, 1.5);
    EXPECT_NEAR(g.bearing(-33.9, -70.6, -34.4, -71.1), 220.0, 1.5);
}

TEST(GeoCalc, EllipsoidalDistance) {
    GeoCalc g;
    EXPECT_EQ(g.ellipsoidalDistanceKm(40, 22, 40, 22), 0.0);
    // Along the equator the geodesic is the equator: a times the angle.
    EXPECT_NEAR(g.ellipsoidalDistanceKm(0, 10, 0, 11), 6378.135 * GeoCalc::kDegToRad, 1e-6);
    // One degree of meridian at the equator is shorter than at the poles.
    const double atEquator = g.ellipsoidalDistanceKm(0, 0, 1, 0);
    const double atPole = g.ellipsoidalDistanceKm(89, 0, 90, 0);
    EXPECT_NEAR(atEquator, 110.574, 0.01);
    EXPECT_NEAR(atPole, 111.694, 0.01);
    // Melbourne area reference line (about 54.97 km on the modern ellipsoid).
    EXPECT_NEAR(g.ellipsoidalDistanceKm(-37.9510334, 144.4248679, -37.6528211, 143.9264955), 54.972, 0.01);
    // Nearly antipodal points end (bounded iteration) with a finite result.
    const double far = g.ellipsoidalDistanceKm(0, 0, 0.5, 179.7);
    EXPECT_TRUE(std::isfinite(far));
    EXPECT_GT(far, 19000.0);
}

TEST(Coord, DegreeSplits) {
    DegreesMinutes dm = Coord::splitMinutes(-37.5);
    EXPECT_EQ(dm.sign, -1);
    EXPECT_EQ(dm.degrees, 37u);
    EXPECT_DOUBLE_EQ(dm.minutes, 30.0);
    dm = Coord::splitMinutes(0.0);
    EXPECT_EQ(dm.sign, 1);
    EXPECT_EQ(dm.degrees, 0u);

    DegreesMinutesSeconds dms = Coord::splitSeconds(-(12 + 34.0 / 60 + 56.5 / 3600));
    EXPECT_EQ(dms.sign, -1);
    EXPECT_EQ(dms.degrees, 12u);
    EXPECT_EQ(dms.minutes, 34u);
    EXPECT_NEAR(dms.seconds, 56.5, 1e-6);

    EXPECT_DOUBLE_EQ(Coord::fromDegreesMinutes(37, 30, QLatin1Char('S')), -37.5);
    EXPECT_DOUBLE_EQ(Coord::fromDegreesMinutes(37, 30, QLatin1Char('w')), -37.5);
    EXPECT_DOUBLE_EQ(Coord::fromDegreesMinutes(37, 30, QLatin1Char('N')), 37.5);
    EXPECT_DOUBLE_EQ(Coord::fromDegreesMinutesSeconds(QLatin1Char('E'), 12, 34, 54),
                     12 + 34 / 60.0 + 54 / 3600.0);
    // Out-of-range values give out-of-range results and never undefined conversions.
    EXPECT_EQ(Coord::splitMinutes(1e300).degrees, 4294967295u);
    EXPECT_EQ(Coord::splitMinutes(std::nan("")).degrees, 0u);
}

TEST(Coord, AprsFormPadsDegreesWithZeros) {
    EXPECT_EQ(Coord::latitudeText(0.5, Coord::Aprs), "0030.00N");
    EXPECT_EQ(Coord::longitudeText(-0.5, Coord::Aprs), "00030.00W");
    EXPECT_EQ(Coord::latitudeText(-37.5, Coord::Aprs), "3730.00S");
    EXPECT_EQ(Coord::longitudeText(5.1, Coord::Aprs), "00506.00E");
    EXPECT_EQ(Coord::longitudeText(123.75, Coord::Aprs), "12345.00E");
    // Exactly 0 is north/east here (the sign of the split).
    EXPECT_EQ(Coord::latitudeText(0.0, Coord::Aprs), "0000.00N");
    EXPECT_EQ(Coord::longitudeText(0.0, Coord::Aprs), "00000.00E");
}

TEST(Coord, LocationFormTurnsEverySpaceIntoZero) {
    EXPECT_EQ(Coord::latitudeText(37.5, Coord::Location), "N037" + deg + "30.00'");
    EXPECT_EQ(Coord::latitudeText(-5.5, Coord::Location), "S005" + deg + "30.00'");
    EXPECT_EQ(Coord::latitudeText(0.25, Coord::Location), "N000" + deg + "15.00'");
    EXPECT_EQ(Coord::longitudeText(123.75, Coord::Location), "E0123" + deg + "45.00'");
    EXPECT_EQ(Coord::longitudeText(-7.1, Coord::Location), "W0007" + deg + "06.00'");
}

TEST(Coord, DisplayFormsKeepSpacePadding) {
    EXPECT_EQ(Coord::latitudeText(37.5, Coord::DegreesDecimalMinutes), "N37" + deg + "30.00'");
    EXPECT_EQ(Coord::latitudeText(5.5, Coord::DegreesDecimalMinutes), "N 5" + deg + "30.00'");
    EXPECT_EQ(Coord::latitudeText(0.5, Coord::DegreesDecimalMinutes), "N  " + deg + "30.00'");
    EXPECT_EQ(Coord::longitudeText(-23.1, Coord::DegreesDecimalMinutes), "W 23" + deg + "06.00'");
    EXPECT_EQ(Coord::latitudeText(37.5, Coord::Decimal), "37.500000");
    EXPECT_EQ(Coord::longitudeText(-23.75, Coord::Decimal), "-23.750000");
    EXPECT_EQ(Coord::latitudeText(12 + 34.0 / 60 + 56.5 / 3600, Coord::DegreesMinutesSecondsForm),
              "N12" + deg + "34'56.500''");
    EXPECT_EQ(Coord::latitudeText(10, 99), "");
}

TEST(Coord, MinutesThatRoundToSixtyCarryIntoTheDegrees) {
    const double almost38 = 37 + 59.999 / 60;
    EXPECT_EQ(Coord::latitudeText(almost38, Coord::Aprs), "3800.00N");
    EXPECT_EQ(Coord::latitudeText(almost38, Coord::DegreesDecimalMinutes), "N38" + deg + "00.00'");
    EXPECT_EQ(Coord::latitudeText(almost38, Coord::Location), "N038" + deg + "00.00'");
    EXPECT_EQ(Coord::longitudeText(-(179 + 59.996 / 60), Coord::Aprs), "18000.00W");
    EXPECT_EQ(Coord::latitudeText(-(0 + 59.9951 / 60), Coord::Aprs), "0100.00S");
    // Just below the rounding point stays.
    EXPECT_EQ(Coord::latitudeText(37 + 59.994 / 60, Coord::Aprs), "3759.99N");
    // Seconds that round to 60 carry into minutes, and minutes into degrees.
    EXPECT_EQ(Coord::latitudeText(37 + 59.0 / 60 + 59.9999 / 3600, Coord::DegreesMinutesSecondsForm),
              "N38" + deg + "0'0.000''");
    EXPECT_EQ(Coord::latitudeText(37 + 12.0 / 60 + 59.9999 / 3600, Coord::DegreesMinutesSecondsForm),
              "N37" + deg + "13'0.000''");
}

TEST(Coord, GpsTexts) {
    EXPECT_EQ(Coord::gpsLatitudeDisplay(37.5), "37" + deg + "30.0000N");
    EXPECT_EQ(Coord::gpsLatitudeDisplay(-37.5), "37" + deg + "30.0000S");
    EXPECT_EQ(Coord::gpsAprsLatitude(37.5), "3730.00N");
    EXPECT_EQ(Coord::gpsAprsLatitude(-37.5), "3730.00S");
    EXPECT_EQ(Coord::gpsLongitudeDisplay(23.75), "023" + deg + "45.0000E");
    EXPECT_EQ(Coord::gpsAprsLongitude(23.75), "02345.00E");
    EXPECT_EQ(Coord::gpsLongitudeDisplay(-5.1), "005" + deg + "6.0000W");
    EXPECT_EQ(Coord::gpsAprsLongitude(-5.1), "00506.00W");
    // The GPS texts test "greater than zero": exactly 0 is south and west.
    EXPECT_EQ(Coord::gpsAprsLatitude(0.0), "0000.00S");
    EXPECT_EQ(Coord::gpsAprsLongitude(0.0), "00000.00W");
    // Carries at both precisions.
    EXPECT_EQ(Coord::gpsAprsLatitude(37 + 59.996 / 60), "3800.00N");
    EXPECT_EQ(Coord::gpsLatitudeDisplay(37 + 59.99996 / 60), "38" + deg + "0.0000N");
    EXPECT_EQ(Coord::gpsLatitudeDisplay(37 + 59.996 / 60), "37" + deg + "59.9960N");
}

TEST(CoordText, ReadsTheAprsForms) {
    CoordText lat = CoordText::fromAprsLatitude("4035.90N");
    EXPECT_NEAR(lat.value(), 40 + 35.9 / 60, 1e-12);
    EXPECT_EQ(lat.text(), "4035.90N");
    CoordText lon = CoordText::fromAprsLongitude("02258.20W");
    EXPECT_NEAR(lon.value(), -(22 + 58.2 / 60), 1e-12);

    auto [plat, plon] = CoordText::fromAprsPosition("!3730.00S/02345.00E>");
    EXPECT_DOUBLE_EQ(plat.value(), -37.5);
    EXPECT_DOUBLE_EQ(plon.value(), 23.75);
    EXPECT_EQ(plat.text(), "3730.00S");
    EXPECT_EQ(plon.text(), "02345.00E");

    CoordText made(37, 30, QLatin1Char('S'));
    EXPECT_DOUBLE_EQ(made.value(), -37.5);
    EXPECT_EQ(made.text(), "3730.00S");
    EXPECT_EQ(CoordText(5, 6, QLatin1Char('W')).text(), "00506.00W");
}

TEST(CoordText, TextsTooShortForTheLetterAreRefused) {
    EXPECT_THROW(CoordText::fromAprsLatitude("4035.90"), std::invalid_argument);
    EXPECT_THROW(CoordText::fromAprsLongitude("02258.20"), std::invalid_argument);
    EXPECT_THROW(CoordText::fromAprsPosition("!3730.00S/02345.00"), std::invalid_argument);
    EXPECT_FALSE(CoordText::tryFromAprsLatitude(""));
    // Long enough but not digits: read leniently, as numbers that stop at the first non-digit.
    auto odd = CoordText::tryFromAprsLatitude("4x35.9yN");
    ASSERT_TRUE(odd);
    EXPECT_DOUBLE_EQ(odd->value(), 4 + 35.9 / 60);
}

TEST(Maidenhead, Locators) {
    EXPECT_EQ(Maidenhead::locator(48.1461, 11.6083), "JN58TD");
    EXPECT_EQ(Maidenhead::locator(51.5, -0.12), "IO91WM");
    EXPECT_EQ(Maidenhead::locator(-33.8688, 151.2093), "QF56OD");
    EXPECT_EQ(Maidenhead::locator(40.5983, 22.97), "KN10LO");
    EXPECT_EQ(Maidenhead::locator(-90, -180), "AA00AA");
    EXPECT_EQ(Maidenhead::locator(90, 180), "RR99XX");
    EXPECT_EQ(Maidenhead::locator(std::nan(""), 0), "");
}

TEST(Units, SpeedAndDistanceTexts) {
    EXPECT_EQ(Units::gpsSpeedText(10, Units::KilometresPerHour), "18.52Km/h");
    EXPECT_EQ(Units::gpsSpeedText(10, Units::MilesPerHour), "11.51Mi/h");
    EXPECT_EQ(Units::gpsSpeedText(10, 1), "10.00Kn");
    EXPECT_EQ(Units::gpsSpeedText(10, Units::Knots), "10.00Kn");
    EXPECT_EQ(Units::distanceText(10, Units::Kilometres), "10.00Km");
    EXPECT_EQ(Units::distanceText(10, Units::Centimetres), "10.00Km");
    EXPECT_EQ(Units::distanceText(10, Units::Inches), "6.21Mi");
    EXPECT_EQ(Units::distanceText(10, Units::Miles), "6.21Mi");
}
