#include "aprs/MicE.h"
#include "aprs/StationManager.h"
#include "gps/CoordText.h"
#include "gps/GPSReader.h"
#include "gps/GeoCalc.h"
#include "gps/GpsController.h"
#include "gps/MicEEncoder.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

std::vector<int> bytes(const QByteArray& b, int from, int count) {
    std::vector<int> v;
    for (int i = from; i < from + count; ++i) v.push_back(static_cast<unsigned char>(b[i]));
    return v;
}

// A position as the reader would hand it over, texts made by position processing.
GpsUpdate fix(double lat, double lon, double heading = 0, double knots = 0, double altitude = 0) {
    GpsPosition p;
    p.validFields = GpsPosition::Latitude | GpsPosition::Longitude | GpsPosition::Speed |
                    GpsPosition::Heading | GpsPosition::AltitudeMsl;
    p.fixQuality = GpsPosition::SpsValid;
    p.latitude = lat;
    p.longitude = lon;
    p.heading = static_cast<float>(heading);
    p.speed = static_cast<float>(knots);
    p.altitudeMsl = static_cast<float>(altitude);
    GpsUpdate u;
    u.position = p;
    int valid = 0;
    u.valid = GPSReader::processPosition(p, u.texts, valid);
    return u;
}

// A controller on a temporary station home and a manual clock, collecting what it sends.
struct Station {
    TempHome home;
    ManualClock clock;
    StationManager stations{home.home, home.settings, clock};
    std::vector<OutboundPacket> sent;
    GpsController gps{home.settings, clock, stations, [this](const OutboundPacket& p) { sent.push_back(p); }};
    Station() { write(home.settings, Settings::RADIOPORTSTX_BEACONING, QStringLiteral("0,")); }
    int sentCount() const { return static_cast<int>(sent.size()); }
};

// Counts the emissions of a signal.
struct Count {
    int n = 0;
    template <typename Sender, typename Signal> Count(Sender* sender, Signal signal) {
        QObject::connect(sender, signal, [this] { ++n; });
    }
    int count() const { return n; }
};

const double kKmPerDegree = 6371.0 * GeoCalc::kDegToRad;

} // namespace

TEST(MicEEncoder, DestinationsCarryLatitudeAndFlags) {
    auto r = MicEEncoder::encode("3730.00N", "02345.00E", 0, 0, 0, '>', '/');
    ASSERT_TRUE(r);
    EXPECT_EQ(r->destination, "SW3P00");
    r = MicEEncoder::encode("3730.00S", "12345.00W", 0, 0, 0, '>', '/');
    ASSERT_TRUE(r);
    EXPECT_EQ(r->destination, "SW30PP");
    // Longitude offset for 0..9 degrees too; the hundredths digits are raised one by one.
    r = MicEEncoder::encode("0512.34N", "00501.00W", 0, 0, 0, '>', '/');
    EXPECT_EQ(r->destination, "PU1RST");
    EXPECT_EQ(MicEEncoder::raise('7'), 'W');
    EXPECT_EQ(MicEEncoder::raise(' '), ' ');
}

TEST(MicEEncoder, InformationFieldBytes) {
    auto r = MicEEncoder::encode("3730.00N", "02345.00E", 0, 0, 0, '>', '/');
    ASSERT_TRUE(r);
    EXPECT_EQ(r->information.size(), 13);
    EXPECT_EQ(r->information[0], '`');
    EXPECT_EQ(bytes(r->information, 1, 3), (std::vector<int>{23 + 28, 45 + 28, 0 + 28}));
    // Speed 0 and course 0: 28, 32 (the course hundreds raised by 4), 28.
    EXPECT_EQ(bytes(r->information, 4, 3), (std::vector<int>{28, 32, 28}));
    EXPECT_EQ(r->information.mid(7, 2), ">/");
    // Altitude 0 m: the base-91 block of 10000, always present.
    EXPECT_EQ(r->information.mid(9), "\"3r}");

    // Speed 123 kn, course 267: 12+28, 10*3 + 2 + 32, 67+28.
    r = MicEEncoder::encode("3730.00N", "02345.00E", 267, 123, 1500, 'k', '\\');
    EXPECT_EQ(bytes(r->information, 4, 3), (std::vector<int>{40, 64, 95}));
    EXPECT_EQ(r->information.mid(7, 2), "k\\");
    const int a = 1500 + 10000;
    EXPECT_EQ(bytes(r->information, 9, 3),
              (std::vector<int>{a / 8281 + 33, a % 8281 / 91 + 33, a % 91 + 33}));

    // The four longitude degree ranges and the two minute ranges.
    EXPECT_EQ(bytes(MicEEncoder::encode("0000.00N", "00505.07E", 0, 0, 0, '>', '/')->information, 1, 3),
              (std::vector<int>{5 + 118, 5 + 88, 7 + 28}));
    EXPECT_EQ(bytes(MicEEncoder::encode("0000.00N", "09959.99E", 0, 0, 0, '>', '/')->information, 1, 3),
              (std::vector<int>{99 + 28, 59 + 28, 99 + 28}));
    EXPECT_EQ(MicEEncoder::encode("0000.00N", "10500.00E", 0, 0, 0, '>', '/')->information[1], char(105 + 8));
    EXPECT_EQ(MicEEncoder::encode("0000.00N", "17900.00E", 0, 0, 0, '>', '/')->information[1],
              char(179 - 72));
}

TEST(MicEEncoder, ValuesBeyondTheFormatAreBroughtIntoIt) {
    // 180 degrees: 179°59.99', with the longitude offset.
    auto r = MicEEncoder::encode("1000.00N", "18000.00W", 0, 0, 0, '>', '/');
    ASSERT_TRUE(r);
    EXPECT_EQ(bytes(r->information, 1, 3), (std::vector<int>{179 - 72, 59 + 28, 99 + 28}));
    EXPECT_EQ(r->destination, "QP0PPP");
    // Speed above 799 kn, a negative course, altitudes outside -10000..743570 m.
    r = MicEEncoder::encode("1000.00N", "01000.00E", -10, 5000, -20000, '>', '/');
    EXPECT_EQ(bytes(r->information, 4, 3), (std::vector<int>{79 + 28, 90 + 3 + 32, 50 + 28}));
    EXPECT_EQ(r->information.mid(9), "!!!}");
    r = MicEEncoder::encode("1000.00N", "01000.00E", 360, 0, 10000000, '>', '/');
    EXPECT_EQ(bytes(r->information, 5, 2), (std::vector<int>{3 + 32, 60 + 28}));
    EXPECT_EQ(r->information.mid(9), "{{{}");
    // Texts not of the APRS form are refused.
    EXPECT_FALSE(MicEEncoder::encode("3730.00", "02345.00E", 0, 0, 0, '>', '/'));
    EXPECT_FALSE(MicEEncoder::encode("37 0.00N", "02345.00E", 0, 0, 0, '>', '/'));
    EXPECT_FALSE(MicEEncoder::encode("3730.00N", "02345,00E", 0, 0, 0, '>', '/'));
    EXPECT_FALSE(MicEEncoder::encode("3730.00N", "02345.00X", 0, 0, 0, '>', '/'));
}

TEST(MicEEncoder, EveryReportDecodesBackToItsPositionCourseSpeedAndAltitude) {
    int checked = 0;
    for (double lat = -89.9937; lat < 90; lat += 7.31) {
        for (double lon = -179.9991; lon <= 180; lon += 11.137) {
            for (int k = 0; k < 3; ++k) {
                const int course = (checked * 37) % 361;
                const int speed = (checked * 53) % 800;
                const int altitude = -500 + (checked * 977) % 9000;
                const QByteArray latText = Coord::gpsAprsLatitude(lat);
                const QByteArray lonText = Coord::gpsAprsLongitude(lon);
                const auto r = MicEEncoder::encode(latText, lonText, course, speed, altitude, '>', '/');
                ASSERT_TRUE(r) << latText.constData() << " " << lonText.constData();
                const auto d =
                    decodeMicEFields(QByteArrayView(r->destination), QByteArrayView(r->information));
                ASSERT_TRUE(d) << r->destination.constData();
                SCOPED_TRACE(latText.toStdString() + " " + lonText.toStdString());
                // To the hundredth of a minute the texts carry.
                EXPECT_NEAR(d->latitude, lat, 0.005 / 60 + 1e-9);
                EXPECT_NEAR(d->longitude, lon, 0.005 / 60 + 1e-9);
                EXPECT_EQ(d->latitudeText, QString::fromLatin1(latText));
                EXPECT_EQ(d->longitudeText, QString::fromLatin1(lonText));
                EXPECT_EQ(d->course, course);
                EXPECT_EQ(d->speed, speed);
                ASSERT_TRUE(d->altitude);
                EXPECT_NEAR(*d->altitude / 3.280839895013123, altitude, 0.5);
                EXPECT_EQ(d->symbolCode, u'>');
                EXPECT_EQ(d->symbolTable, u'/');
                EXPECT_EQ(d->messageBits, 0b110); // En Route
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1000);
    // 180 degrees decodes as 179°59.99'.
    const auto r = MicEEncoder::encode("4500.00N", "18000.00E", 0, 0, 0, '>', '/');
    const auto d = decodeMicEFields(QByteArrayView(r->destination), QByteArrayView(r->information));
    ASSERT_TRUE(d);
    EXPECT_NEAR(d->longitude, 179 + 59.99 / 60, 1e-9);
}

TEST(GpsController, FirstFixSendsOnEveryPortOfTheList) {
    Station s;
    write(s.home.settings, Settings::GPS_CALL, QStringLiteral("SV2ABC-9"));
    write(s.home.settings, Settings::GPS_STATUS, QStringLiteral("Mobile ünterwegs"));
    write(s.home.settings, Settings::GPS_VIAPATH, QStringLiteral("WIDE1-1,WIDE2-1"));
    write(s.home.settings, Settings::RADIOPORTSTX_BEACONING, QStringLiteral("-1,0,,2,x,"));
    Count transmitted(&s.gps, &GpsController::beaconTransmitted);

    s.gps.processUpdate(fix(37.5, 23.75));
    ASSERT_EQ(s.sentCount(), 3);
    EXPECT_EQ(s.sent[0].port, -1);
    EXPECT_EQ(s.sent[1].port, 0);
    EXPECT_EQ(s.sent[2].port, 2);
    for (const OutboundPacket& p : s.sent) {
        EXPECT_EQ(p.fromCall, "SV2ABC-9");
        EXPECT_EQ(p.toCall, "SW3P00");
        EXPECT_EQ(p.viaPath, "WIDE1-1,WIDE2-1");
        EXPECT_EQ(p.part1,
                  QString::fromLatin1("`3I\x1c\x1c \x1c>/\"3r}") + QStringLiteral("Mobile ünterwegs"));
        EXPECT_TRUE(p.part2.isEmpty());
    }
    EXPECT_EQ(transmitted.count(), 1);
    EXPECT_EQ(s.gps.beaconState().lastTransmission, s.clock.nowLocal());
}

TEST(GpsController, WithoutPortsTheReportIsComposedButNotSent) {
    Station s;
    write(s.home.settings, Settings::RADIOPORTSTX_BEACONING, QString());
    Count transmitted(&s.gps, &GpsController::beaconTransmitted);
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 0);
    EXPECT_EQ(transmitted.count(), 1);
    EXPECT_TRUE(s.gps.beaconState().lastTransmission.isValid());
    // The state moved on: the same position does not transmit again.
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(transmitted.count(), 1);
}

TEST(GpsController, TimeRuleNeedsMoreThanTheSetMinutes) {
    Station s;
    write(s.home.settings, Settings::TXEVERYTIME, 10);
    s.gps.processUpdate(fix(37.5, 23.75));
    ASSERT_EQ(s.sentCount(), 1);
    s.clock.advance(10 * 60 * 1000);
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 1); // exactly 10 minutes
    s.clock.advance(59 * 1000);
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 1); // 10 minutes 59 seconds: still 10 whole minutes
    s.clock.advance(1000);
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 2); // 11 whole minutes
    // The period counts from the last transmission.
    s.clock.advance(10 * 60 * 1000);
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 2);
}

TEST(GpsController, TimeRuleOffAndAStillReceiverNeverTransmitsAgain) {
    // 0 is off; so is a negative period (it does not mean "every minute").
    for (int period : {0, -1, -60}) {
        Station s;
        write(s.home.settings, Settings::TXEVERYTIME, period);
        s.gps.processUpdate(fix(37.5, 23.75, 0));
        for (int i = 0; i < 48; ++i) {
            s.clock.advance(30 * 60 * 1000);
            s.gps.processUpdate(fix(37.5, 23.75, 0));
        }
        EXPECT_EQ(s.sentCount(), 1) << period;
    }
}

TEST(GpsController, DistanceRuleAccumulatesTheTravelSinceTheLastReport) {
    Station s;
    write(s.home.settings, Settings::TXEVERYTIME, 0);
    write(s.home.settings, Settings::TXEVERYDISTANCE, 2);
    const double step = 0.9 / kKmPerDegree; // 0.9 km north each time
    double lat = 37.5;
    s.gps.processUpdate(fix(lat, 23.75));
    ASSERT_EQ(s.sentCount(), 1);
    s.gps.processUpdate(fix(lat += step, 23.75));
    EXPECT_NEAR(s.gps.beaconState().accumulatedKm, 0.9, 1e-3);
    s.gps.processUpdate(fix(lat += step, 23.75));
    EXPECT_EQ(s.sentCount(), 1); // 1.8 km
    s.gps.processUpdate(fix(lat += step, 23.75));
    EXPECT_EQ(s.sentCount(), 2); // 2.7 km
    EXPECT_EQ(s.gps.beaconState().accumulatedKm, 0.0);
    EXPECT_EQ(s.gps.beaconState().lastLatitude, lat);
    // Going back and forth counts every leg.
    s.gps.processUpdate(fix(lat - step, 23.75));
    s.gps.processUpdate(fix(lat, 23.75));
    EXPECT_EQ(s.sentCount(), 2);
    s.gps.processUpdate(fix(lat - step, 23.75));
    EXPECT_EQ(s.sentCount(), 3);
}

TEST(GpsController, AngleRuleUsesThePlainDifferenceOfHeadings) {
    Station s;
    write(s.home.settings, Settings::TXEVERYTIME, 0);
    s.gps.processUpdate(fix(37.5, 23.75, 90));
    ASSERT_EQ(s.sentCount(), 1);
    EXPECT_EQ(s.gps.beaconState().lastHeading, 0); // the first report does not set it
    s.gps.processUpdate(fix(37.5, 23.75, 90));
    EXPECT_EQ(s.sentCount(), 2); // 90 against the initial 0
    s.gps.processUpdate(fix(37.5, 23.75, 120));
    EXPECT_EQ(s.sentCount(), 2); // 30
    s.gps.processUpdate(fix(37.5, 23.75, 135.9));
    EXPECT_EQ(s.sentCount(), 3); // 45 whole degrees
    s.gps.processUpdate(fix(37.5, 23.75, 350));
    EXPECT_EQ(s.sentCount(), 4);
    s.gps.processUpdate(fix(37.5, 23.75, 10));
    EXPECT_EQ(s.sentCount(), 5); // 350 to 10 counts as 340
    EXPECT_EQ(s.gps.beaconState().lastHeading, 10);
    s.gps.processUpdate(fix(37.5, 23.75, 10));
    EXPECT_EQ(s.sentCount(), 5);

    write(s.home.settings, Settings::TXEVERYANGLE, 0);
    s.gps.processUpdate(fix(37.5, 23.75, 10));
    s.gps.processUpdate(fix(37.5, 23.75, 10));
    EXPECT_EQ(s.sentCount(), 7); // every position
}

TEST(GpsController, PositionsAtZeroOrWithoutFixAreNotUsed) {
    Station s;
    Count updated(&s.gps, &GpsController::positionUpdated);
    s.gps.processUpdate(fix(0.0, 23.75));
    s.gps.processUpdate(fix(37.5, 0.0));
    GpsUpdate invalid = fix(37.5, 23.75);
    invalid.valid = false;
    s.gps.processUpdate(invalid);
    EXPECT_EQ(s.sentCount(), 0);
    EXPECT_EQ(s.stations.count(), 0);
    EXPECT_EQ(updated.count(), 3); // the view still sees them
    ASSERT_TRUE(s.gps.lastUpdate());
    EXPECT_FALSE(s.gps.lastUpdate()->valid);
}

TEST(GpsController, OwnMobileStationEntersTheDatabase) {
    Station s;
    write(s.home.settings, Settings::GPS_CALL, QStringLiteral("SV2ABC-9"));
    s.gps.processUpdate(fix(37.5, 23.75, 231.7, 12.5, 100.9));
    ASSERT_EQ(s.stations.count(), 1);
    StationRecord* r = s.stations.FindByCall(QStringLiteral("SV2ABC-9"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->symbolTable, '/');
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->stationType, StationType::Mobile);
    EXPECT_DOUBLE_EQ(r->latitude, 37.5);
    EXPECT_DOUBLE_EQ(r->longitude, 23.75);
    EXPECT_DOUBLE_EQ(r->speed, 12.5);
    EXPECT_EQ(r->course, 231u);
    EXPECT_EQ(r->altitude, 328); // 100 m in feet
    EXPECT_EQ(r->lastHeard, SystemTime::fromDateTime(s.clock.nowLocal()));
    EXPECT_EQ(r->isNew, 1);

    // Another station heard meanwhile; the next fix updates the same record and moves it last.
    StationRecord* other = s.stations.Create();
    other->call = QStringLiteral("SV1XYZ");
    s.clock.advance(5000);
    write(s.home.settings, Settings::GPS_POSICONTABLE, 1);
    write(s.home.settings, Settings::GPS_POSICON, 500); // outside the table: the car
    s.gps.processUpdate(fix(37.6, 23.8, 90));
    ASSERT_EQ(s.stations.count(), 2);
    EXPECT_EQ(s.stations.at(1), r);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_EQ(r->symbolTable, '\\');
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_DOUBLE_EQ(r->previousLatitude, 37.5);
    EXPECT_DOUBLE_EQ(r->latitude, 37.6);
    EXPECT_EQ(r->lastHeard, SystemTime::fromDateTime(s.clock.nowLocal()));
}

TEST(GpsController, ReportsDecodeThroughTheStationDatabase) {
    Station s;
    write(s.home.settings, Settings::GPS_CALL, QStringLiteral("SV2ABC-9"));
    write(s.home.settings, Settings::GPS_STATUS, QStringLiteral("on the road"));
    s.gps.processUpdate(fix(-33.8688, -70.6483, 123, 45, 520));
    ASSERT_EQ(s.sentCount(), 1);
    const OutboundPacket& p = s.sent[0];

    // A second station hears the report.
    TempHome other;
    StationManager heard(other.home, other.settings, s.clock);
    StationRecord* r =
        heard.DecodePacket(p.part1, p.fromCall, p.toCall, QString(p.fromCall + ">" + p.toCall), p.part1, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "SV2ABC-9");
    EXPECT_NEAR(r->latitude, -33.8688, 0.005 / 60 + 1e-9);
    EXPECT_NEAR(r->longitude, -70.6483, 0.005 / 60 + 1e-9);
    EXPECT_EQ(r->course, 123u);
    EXPECT_DOUBLE_EQ(r->speed, 45);
    EXPECT_NEAR(r->altitude, 520 * 3.2808, 1);
    EXPECT_EQ(r->symbolCode, '>');
}

TEST(GpsController, BeaconStateOutlivesStopAndStart) {
    Station s;
    write(s.home.settings, Settings::GPSD_PORT, 1); // nothing listens there; the reader just retries
    Count running(&s.gps, &GpsController::runningChanged);
    EXPECT_TRUE(s.gps.start());
    EXPECT_TRUE(s.gps.isRunning());
    ASSERT_NE(s.gps.reader(), nullptr);
    s.gps.processUpdate(fix(37.5, 23.75));
    s.gps.stop();
    EXPECT_FALSE(s.gps.isRunning());
    EXPECT_EQ(s.gps.reader(), nullptr);
    EXPECT_TRUE(s.gps.start());
    s.gps.processUpdate(fix(37.5, 23.75));
    EXPECT_EQ(s.sentCount(), 1); // not a first fix again
    EXPECT_EQ(running.count(), 3);
}

TEST(GpsController, StoppingFromAReceiverOfTheUpdateIsSafe) {
    Station s;
    write(s.home.settings, Settings::GPSD_PORT, 1);
    ASSERT_TRUE(s.gps.start());
    QObject::connect(&s.gps, &GpsController::positionUpdated, [&] { s.gps.stop(); });
    // As the reader delivers it: from the reader's own signal.
    emit s.gps.reader()->positionUpdated(fix(37.5, 23.75));
    EXPECT_FALSE(s.gps.isRunning());
    EXPECT_EQ(s.sentCount(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
