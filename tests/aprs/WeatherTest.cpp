#include "aprs/Weather.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "aprs/Ultimeter.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include "support/TrackedStations.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QString kReport = QStringLiteral("_10090556c220s004g005t077r000p000P000h50b09900wRSW");

// Real monitor lines through a real station database with real track files, on a manual clock
// (TZ=UTC: local time is UTC).
class WeatherDecoding : public TrackedStations {
protected:
    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("WX1ABC"),
                        int stepMs = 1000) {
        return feedLine(info, from, QStringLiteral("APRS"), QStringLiteral("WIDE2-1*"), 0, stepMs);
    }
};

} // namespace

// The parsers.

TEST(WeatherParser, PositionlessReportReadsEveryField) {
    const auto w = parsePositionlessWeather(kReport);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windDirection, 220);
    EXPECT_EQ(w->windSpeed, 4);
    EXPECT_EQ(w->windGust, 5);
    EXPECT_EQ(w->temperature, 77);
    EXPECT_EQ(w->rainLastHour, 0);
    EXPECT_EQ(w->rainLast24h, 0);
    EXPECT_EQ(w->rainSinceMidnight, 0);
    EXPECT_EQ(w->humidity, 50);
    EXPECT_EQ(w->pressure, 9900);
    EXPECT_EQ(w->remainder, "wRSW");
    EXPECT_EQ(w->software, "Unknown Program!");
    EXPECT_EQ(w->unnamed1, -1);
    EXPECT_EQ(w->unnamed2, -1);
}

TEST(WeatherParser, NegativeTemperatureOnlyAfterAPosition) {
    QString positionless = kReport;
    positionless.replace(QStringLiteral("t077"), QStringLiteral("t-05"));
    const auto a = parsePositionlessWeather(positionless);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->temperature, -50000);
    EXPECT_EQ(a->rainLastHour, 0); // the parse goes on past the refused temperature

    const auto b = parseWeatherAfterPositionText(u"220/004g005t-05r001");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->temperature, -5);
    EXPECT_EQ(b->rainLastHour, 1);
}

TEST(WeatherParser, PressureRuleDiffersBetweenTheForms) {
    // Positionless: four digits and a letter at once is whole hPa.
    const auto four = parsePositionlessWeather(u"_10090556h50b9900wRSW");
    ASSERT_TRUE(four);
    EXPECT_EQ(four->pressure, 99000);
    EXPECT_EQ(four->remainder, "wRSW");
    const auto five = parsePositionlessWeather(u"_10090556b10132wRSW");
    ASSERT_TRUE(five);
    EXPECT_EQ(five->pressure, 10132);
    EXPECT_EQ(five->remainder, "wRSW");

    // After a position the group is always six characters.
    const auto after = parseWeatherAfterPositionText(u"220/004b10132h45");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->pressure, 10132);
    EXPECT_EQ(after->humidity, 45);
    const auto afterFour = parseWeatherAfterPositionText(u"220/004b9900wRSW");
    ASSERT_TRUE(afterFour);
    EXPECT_EQ(afterFour->pressure, 9900);
    EXPECT_EQ(afterFour->remainder, "RSW");
}

TEST(WeatherParser, HumidityZeroZeroIsAHundredPercent) {
    EXPECT_EQ(parsePositionlessWeather(u"_10090556h00")->humidity, 100);
    EXPECT_EQ(parseWeatherAfterPositionText(u"220/004h00")->humidity, 100);
    EXPECT_EQ(parsePositionlessWeather(u"_10090556h07")->humidity, 7);
}

TEST(WeatherParser, SoftwareTable) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"M", "MacAPRS"}, {u"S", "APRS+SA"},    {u"W", "WinAPRS"},          {u"X", "X-APRS"},
        {u"d", "APRSdos"}, {u"p", "PocketAPRS"}, {u"Q", "Unknown Program!"}, {u"m", "Unknown Program!"},
    };
    for (const auto& [code, name] : cases) {
        const auto w = parsePositionlessWeather(QStringLiteral("_10090556t050S") + QString::fromUtf16(code));
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(w->software, name);
        EXPECT_EQ(w->temperature, 50);
        const auto a = parseWeatherAfterPositionText(QStringLiteral("090/010S") + QString::fromUtf16(code));
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->software, name);
    }
}

TEST(WeatherParser, FieldsWithoutDigitsStayUnreported) {
    const auto w = parsePositionlessWeather(u"_10090556c...s...g...t...h..b.....");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windDirection, -1);
    EXPECT_EQ(w->windSpeed, -1);
    EXPECT_EQ(w->windGust, -1);
    EXPECT_EQ(w->temperature, -50000);
    EXPECT_EQ(w->humidity, -1);
    EXPECT_EQ(w->pressure, -1);
    const auto a = parseWeatherAfterPositionText(u".../...g...t...");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->windDirection, -1);
    EXPECT_EQ(a->windSpeed, -1);
    EXPECT_EQ(a->temperature, -50000);
}

TEST(WeatherParser, FieldsCutShortAreRefused) {
    // A field that runs past the end of the text refuses the report: no partial values.
    for (const char16_t* text : {u"_1009", u"_10090556c22", u"_10090556c220s", u"_10090556t07",
                                 u"_10090556h5", u"_10090556b0990", u"_10090556b9900", u"_10090556S"})
        EXPECT_FALSE(parsePositionlessWeather(text)) << QString::fromUtf16(text).toStdString();
    for (const char16_t* text : {u"220/0", u"220/004g00", u"220/004t-0", u"220/004b1013", u"220/004S"})
        EXPECT_FALSE(parseWeatherAfterPositionText(text)) << QString::fromUtf16(text).toStdString();
    // Exactly at the end is fine.
    EXPECT_TRUE(parsePositionlessWeather(u"_10090556"));
    EXPECT_TRUE(parsePositionlessWeather(u"_10090556c220"));
    EXPECT_TRUE(parseWeatherAfterPositionText(u"220/004"));
    // Not a wind group: no weather at all.
    EXPECT_FALSE(parseWeatherAfterPositionText(u"220"));
    EXPECT_FALSE(parseWeatherAfterPositionText(u"g005t077"));
    // A number beyond 32 bits is refused rather than wrapped.
    EXPECT_FALSE(parsePositionlessWeather(u"_10090556c99999999999"));
}

TEST(WeatherParser, AfterAPositionWindLettersAreTheRemainder) {
    const auto a = parseWeatherAfterPositionText(u"220/004c111s222");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->windDirection, 220);
    EXPECT_EQ(a->windSpeed, 4);
    EXPECT_EQ(a->remainder, "c111s222");
}

TEST(WeatherParser, DerivedValues) {
    EXPECT_DOUBLE_EQ(windChillF(20, 3), 20.0); // calm: the temperature
    EXPECT_NEAR(windChillF(20, 10), 3.654, 0.001);
    EXPECT_NEAR(dewPointF(77, 50), 56.94, 0.01);
    EXPECT_NEAR(dewPointF(50, 100), 50.0, 1e-9); // saturated air: the temperature itself
    EXPECT_DOUBLE_EQ(heatIndexF(79, 90), 79.0);
    EXPECT_DOUBLE_EQ(heatIndexF(95, 39), 95.0);
    EXPECT_NEAR(heatIndexF(90, 70), 105.92, 0.01);
    // Without a humidity the dew point has no value: the not-derived mark, never a NaN.
    EXPECT_DOUBLE_EQ(dewPointF(77, -1), -1.0);
    EXPECT_DOUBLE_EQ(dewPointF(77, 0), -1.0);

    const auto w = parsePositionlessWeather(kReport);
    EXPECT_NEAR(w->windChill, 77.01, 0.01); // 4 mph already counts
    EXPECT_NEAR(w->dewPoint, 56.94, 0.01);
    EXPECT_DOUBLE_EQ(w->heatIndex, 77.0);
}

TEST(WeatherParser, HugeValuesSaturateInTheRecord) {
    const auto w = parsePositionlessWeather(u"_10090556h99t999999999");
    ASSERT_TRUE(w);
    StationRecord r;
    applyWeather(r, *w);
    EXPECT_EQ(r.weather.temperature, 999999999);
    EXPECT_EQ(r.weather.heatIndex, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(wholeNumber(std::nan("")), -1);
    EXPECT_EQ(wholeNumber(-1e300), std::numeric_limits<int32_t>::min());
}

// Ultimeter data.

TEST(Ultimeter, PacketModeFields) {
    // wind 5, direction 180, 75.6 °F, -, 1000.0 hPa, -, -, -, 50.0 %, -, -, rain 100
    const auto w = parseUltimeter(u"!!000500B402F4----2710000000000000"
                                  "01F400000000"
                                  "0064");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windSpeed, 5);
    EXPECT_EQ(w->windDirection, 180);
    EXPECT_EQ(w->temperature, 75);
    EXPECT_EQ(w->pressure, 10000);
    EXPECT_EQ(w->humidity, 50);
    EXPECT_EQ(w->rainSinceMidnight, 100);
    EXPECT_EQ(w->software, "ULTIMETER");
}

TEST(Ultimeter, LoggerModeNegativeTemperatureAndMissingSensors) {
    const auto w = parseUltimeter(u"$ULTW0031003CFF9C0000----000000000000----000000000000");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windSpeed, 0x31);
    EXPECT_EQ(w->windDirection, 0x3C);
    EXPECT_EQ(w->temperature, -10); // FF9C is -10.0 °F
    EXPECT_EQ(w->pressure, -1);     // no barometer
    EXPECT_EQ(w->humidity, -1);     // no hygrometer
}

TEST(Ultimeter, ShortDataIsRefused) {
    EXPECT_FALSE(parseUltimeter(u"!!000500B402F4"));
    EXPECT_FALSE(parseUltimeter(u"$ULTW0031003CFF9C"));
    EXPECT_FALSE(parseUltimeter(u"$GPRMC,123519,A"));
    EXPECT_FALSE(parseUltimeter(u"!4903.50N/07201.75W-"));
}

// Through the station database.

TEST_F(WeatherDecoding, PositionlessReportMakesAWeatherStation) {
    StationRecord* r = feed(kReport);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "WX1ABC");
    EXPECT_EQ(r->stationType, StationType::Weather);
    EXPECT_EQ(r->symbolTable, '/');
    EXPECT_EQ(r->symbolCode, '_');
    EXPECT_EQ(r->comment, "");
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->heardVia(), "WIDE2-1");
    EXPECT_EQ(r->lastPacket, kReport);
    EXPECT_EQ(r->weather.windDirection, 220);
    EXPECT_EQ(r->weather.temperature, 77);
    EXPECT_EQ(r->weather.humidity, 50);
    EXPECT_EQ(r->weather.pressure, 9900);
    EXPECT_EQ(r->weather.software, "Unknown Program!");
    EXPECT_EQ(r->weather.heatIndex, 77);
    EXPECT_NEAR(r->weather.dewPoint, 56.94, 0.01);

    // The track point carries this packet's weather, not the one before.
    const auto points = tracks.readTrack(QStringLiteral("WX1ABC"));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].temperature, 77);
    EXPECT_EQ(points[0].pressure, 9900);

    // A second report replaces every value, unreported ones included.
    QString next = QStringLiteral("_10090557c180s010t060");
    r = feed(next);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_EQ(r->weather.windDirection, 180);
    EXPECT_EQ(r->weather.temperature, 60);
    EXPECT_EQ(r->weather.humidity, -1);
    EXPECT_EQ(r->weather.pressure, -1);
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX1ABC")).back().temperature, 60);
}

TEST_F(WeatherDecoding, ShortPositionlessReportChangesNothing) {
    EXPECT_EQ(feed(QStringLiteral("_10090556c22")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("_1009")), nullptr);
    EXPECT_EQ(stations.count(), 0);
    EXPECT_FALSE(QFile::exists(tracks.trackPath(QStringLiteral("WX1ABC"))));

    // A known station keeps what it had.
    ASSERT_NE(feed(kReport), nullptr);
    EXPECT_EQ(feed(QStringLiteral("_10090557t050h40b1")), nullptr);
    StationRecord* r = stations.FindByCall(QStringLiteral("WX1ABC"));
    EXPECT_EQ(r->weather.temperature, 77);
    EXPECT_EQ(r->weather.humidity, 50);
}

TEST_F(WeatherDecoding, WeatherAfterAPlainPosition) {
    StationRecord* r = feed(QStringLiteral("=4903.50N/07201.75W_220/004g005t-05r001p002P003h00b10132SX"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->stationType, StationType::Weather);
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_EQ(r->weather.windDirection, 220);
    EXPECT_EQ(r->weather.windSpeed, 4);
    EXPECT_EQ(r->weather.windGust, 5);
    EXPECT_EQ(r->weather.temperature, -5);
    EXPECT_EQ(r->weather.rainLastHour, 1);
    EXPECT_EQ(r->weather.rainLast24h, 2);
    EXPECT_EQ(r->weather.rainSinceMidnight, 3);
    EXPECT_EQ(r->weather.humidity, 100);
    EXPECT_EQ(r->weather.pressure, 10132);
    EXPECT_EQ(r->weather.software, "X-APRS");
    EXPECT_EQ(r->course, 0u); // the wind is not a course
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX1ABC")).size(), 1u);
}

TEST_F(WeatherDecoding, CutShortWeatherAfterAPositionKeepsThePositionOnly) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W_220/004g005t07"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->longitude, -72.029167, 1e-6);
    EXPECT_EQ(r->weather.windDirection, -1);
    EXPECT_EQ(r->weather.temperature, -50000);
}

TEST_F(WeatherDecoding, WeatherStationHeardTwiceInOneSecondAddsOnePoint) {
    ASSERT_NE(feed(kReport), nullptr);
    // A different report within the same second: decoded, but the track keeps one point for it.
    StationRecord* r = feed(QStringLiteral("_10090556c220s004g005t078"), QStringLiteral("WX1ABC"), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->weather.temperature, 78);
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX1ABC")).size(), 1u);
    // The next second counts again, though the station has not moved.
    ASSERT_NE(feed(QStringLiteral("_10090556c220s004g005t079")), nullptr);
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX1ABC")).size(), 2u);
}

TEST_F(WeatherDecoding, UltimeterWithoutARecordGivesWeatherButNoPosition) {
    const QString data = QStringLiteral("$ULTW0031003CFF9C0000271000000000000001F4000000000064");
    StationRecord* r = feed(data, QStringLiteral("ULT1"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "ULT1");
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->stationType, StationType::Weather);
    EXPECT_EQ(r->weather.software, "ULTIMETER");
    EXPECT_EQ(r->weather.temperature, -10);
    EXPECT_EQ(r->weather.pressure, 10000);
    EXPECT_EQ(r->weather.humidity, 50);
    EXPECT_EQ(r->weather.rainSinceMidnight, 100);
    EXPECT_EQ(r->latitude, 0.0);
    EXPECT_EQ(r->longitude, 0.0);
    EXPECT_EQ(r->symbolCode, '-');
    EXPECT_EQ(r->lastPacket, data);

    // The packet-mode form keeps the known station's position and symbol.
    ASSERT_NE(feed(QStringLiteral("!4903.50N/07201.75W-"), QStringLiteral("ULT2")), nullptr);
    r = feed(QStringLiteral("!!000500B402F4----2710000000000000"
                            "01F4000000000064"),
             QStringLiteral("ULT2"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_EQ(r->symbolCode, '-');
    EXPECT_EQ(r->weather.temperature, 75);

    // Short data: nothing (and "$ULT" then fails as a GPS sentence too).
    EXPECT_EQ(feed(QStringLiteral("$ULTW0031003C"), QStringLiteral("ULT3")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("!!0005"), QStringLiteral("ULT3")), nullptr);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("ULT3")), nullptr);
}
