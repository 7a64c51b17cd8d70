#include "gps/GPSReader.h"
#include "gps/GpsdJson.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/GpsReaderUpdates.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
const QString deg = QString(QChar(0x00B0));

GpsPosition parse(std::initializer_list<const char*> lines, GpsPosition p = {}) {
    for (const char* l : lines) GpsdJson::apply(QByteArrayView(l), p);
    return p;
}
} // namespace

TEST(GpsdJson, TpvFillsThePositionFieldsInReceiverUnits) {
    const GpsPosition p =
        parse({R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"time":"2026-01-15T12:00:05.000Z",
        "lat":37.5,"lon":-123.75,"altHAE":120.0,"altMSL":84.5,"alt":90.0,"track":231.4,"speed":10.0})"});
    EXPECT_EQ(p.validFields, GpsPosition::UtcTime | GpsPosition::Latitude | GpsPosition::Longitude |
                                 GpsPosition::Speed | GpsPosition::Heading | GpsPosition::AltitudeMsl);
    EXPECT_EQ(p.fixQuality, GpsPosition::SpsValid);
    EXPECT_EQ(p.utcTime, QDateTime(QDate(2026, 1, 15), QTime(12, 0, 5), Qt::UTC));
    EXPECT_DOUBLE_EQ(p.latitude, 37.5);
    EXPECT_DOUBLE_EQ(p.longitude, -123.75);
    EXPECT_NEAR(p.speed, 19.4384, 1e-3); // 10 m/s in knots
    EXPECT_FLOAT_EQ(p.heading, 231.4f);
    EXPECT_FLOAT_EQ(p.altitudeMsl, 84.5f); // above sea level, not the ellipsoid
}

TEST(GpsdJson, FixQualityFollowsModeAndStatus) {
    EXPECT_EQ(parse({R"({"class":"TPV","mode":2,"lat":1,"lon":1})"}).fixQuality, GpsPosition::SpsValid);
    EXPECT_EQ(parse({R"({"class":"TPV","mode":3,"status":2,"lat":1,"lon":1})"}).fixQuality,
              GpsPosition::DifferentialValid);
    EXPECT_EQ(parse({R"({"class":"TPV","mode":3,"status":1})"}).fixQuality, GpsPosition::SpsValid);
    EXPECT_EQ(parse({R"({"class":"TPV","mode":1,"time":"2026-01-15T12:00:05Z"})"}).fixQuality,
              GpsPosition::Invalid);
    EXPECT_EQ(parse({R"({"class":"TPV","mode":0})"}).fixQuality, GpsPosition::Invalid);
    EXPECT_EQ(parse({R"({"class":"TPV"})"}).fixQuality, GpsPosition::Invalid);
}

TEST(GpsdJson, EachTpvSaysAnewWhichFieldsHoldValues) {
    GpsPosition p =
        parse({R"({"class":"TPV","mode":3,"lat":37.5,"lon":23.75,"alt":10,"track":90,"speed":1})"});
    // Losing the fix: the mask clears, the old values stay in the record.
    p = parse({R"({"class":"TPV","mode":1,"time":"2026-01-15T12:00:06Z"})"}, p);
    EXPECT_EQ(p.validFields, uint32_t(GpsPosition::UtcTime));
    EXPECT_DOUBLE_EQ(p.latitude, 37.5);
    // Values out of range or of the wrong type are not taken.
    p = parse({R"({"class":"TPV","mode":3,"lat":95.0,"lon":"23.75","alt":1e300,"track":-1e9,"speed":null})"},
              p);
    EXPECT_EQ(p.validFields, 0u);
    EXPECT_DOUBLE_EQ(p.latitude, 37.5);
}

TEST(GpsdJson, SkyGivesTheSatellitesInView) {
    GpsPosition p = parse({R"({"class":"SKY","satellites":[{"PRN":5,"el":45.7,"az":120.2,"ss":38,"used":true},
        {"PRN":12,"el":-1,"az":400,"ss":-3,"used":false}]})"});
    ASSERT_EQ(p.satellites.size(), 2);
    EXPECT_EQ(p.satellites[0], (GpsSatellite{5, 45, 120, 38, true}));
    EXPECT_EQ(p.satellites[1], (GpsSatellite{12, -1, 360, 0, false}));
    EXPECT_TRUE(p.has(GpsPosition::SatellitesInView));
    // A SKY with only dilutions of precision keeps the list.
    p = parse({R"({"class":"SKY","hdop":1.1})"}, p);
    EXPECT_EQ(p.satellites.size(), 2);
    // Many satellites: the count as reported, the list bounded.
    QByteArray many = R"({"class":"SKY","satellites":[)";
    for (int i = 1; i <= 30; ++i)
        many += (i > 1 ? "," : "") + QByteArray(R"({"PRN":)") + QByteArray::number(i) + "}";
    many += "]}";
    GpsdJson::apply(many, p);
    EXPECT_EQ(p.satelliteCount, 30);
    EXPECT_EQ(p.satellites.size(), GpsPosition::kMaxSatellites);
}

TEST(GpsdJson, OtherClassesAndGarbageLeaveTheRecordAlone) {
    const GpsPosition before = parse({R"({"class":"TPV","mode":3,"lat":37.5,"lon":23.75})"});
    GpsPosition p = before;
    EXPECT_EQ(GpsdJson::apply(R"({"class":"VERSION","release":"3.22","proto_major":3,"proto_minor":14})", p),
              GpsdJson::Report::Version);
    EXPECT_EQ(GpsdJson::apply(R"({"class":"WATCH","enable":true})", p), GpsdJson::Report::Watch);
    EXPECT_EQ(GpsdJson::apply(R"({"class":"DEVICES","devices":[]})", p), GpsdJson::Report::Devices);
    EXPECT_EQ(GpsdJson::apply(R"({"class":"AIS","type":1})", p), GpsdJson::Report::Other);
    EXPECT_EQ(GpsdJson::apply("", p), GpsdJson::Report::Invalid);
    EXPECT_EQ(GpsdJson::apply("[1,2,3]", p), GpsdJson::Report::Invalid);
    EXPECT_EQ(GpsdJson::apply(R"({"class":"TPV","lat":)", p), GpsdJson::Report::Invalid);
    EXPECT_EQ(GpsdJson::apply("$GPGGA,120000,4035.90,N,02258.20,E,1,08,0.9,12.0,M,,M,,*47", p),
              GpsdJson::Report::Invalid);
    EXPECT_EQ(GpsdJson::apply(QByteArray(GpsdJson::kMaxLineLength + 1, ' '), p), GpsdJson::Report::Invalid);
    EXPECT_EQ(p.validFields, before.validFields);
    EXPECT_EQ(p.latitude, before.latitude);
    EXPECT_EQ(GpsdJson::watchCommand(), "?WATCH={\"enable\":true,\"json\":true}\n");
}

TEST(PositionProcessing, MakesTheTextsOfTheFieldsPresent) {
    GpsPosition p =
        parse({R"({"class":"TPV","mode":3,"time":"2026-01-05T09:03:07.250Z","lat":37.5,"lon":23.75,
        "altMSL":145.204,"track":231.44,"speed":6.3})"});
    GpsTexts t;
    int valid = 0;
    ASSERT_TRUE(GPSReader::processPosition(p, t, valid));
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(t.fixQuality, "SPS Valid");
    EXPECT_EQ(t.latitudeDisplay, "37" + deg + "30.0000N");
    EXPECT_EQ(t.longitudeDisplay, "023" + deg + "45.0000E");
    EXPECT_EQ(t.aprsLatitude, "3730.00N");
    EXPECT_EQ(t.aprsLongitude, "02345.00E");
    EXPECT_EQ(t.height, "145.20m");
    EXPECT_EQ(t.speed, "12.25kn");
    EXPECT_EQ(t.course, "231.4" + deg);
    EXPECT_EQ(t.date, "2026/01/05");
    EXPECT_EQ(t.time, "09:03:07");

    // A position without latitude keeps the latitude texts; the rest follows the new values.
    p = parse({R"({"class":"TPV","mode":3,"lon":-5.1})"}, p);
    ASSERT_TRUE(GPSReader::processPosition(p, t, valid));
    EXPECT_EQ(t.aprsLatitude, "3730.00N");
    EXPECT_EQ(t.aprsLongitude, "00506.00W");
    EXPECT_EQ(t.longitudeDisplay, "005" + deg + "6.0000W");
    EXPECT_EQ(t.height, "145.20m");

    // No fix: only the fix quality text and the flag change, and nothing is announced.
    const GpsTexts before = t;
    p = parse({R"({"class":"TPV","mode":1,"time":"2026-01-05T09:04:00Z"})"}, p);
    EXPECT_FALSE(GPSReader::processPosition(p, t, valid));
    EXPECT_EQ(valid, 0);
    EXPECT_EQ(t.fixQuality, "Invalid");
    EXPECT_EQ(t.time, before.time);
    EXPECT_EQ(t.aprsLongitude, before.aprsLongitude);

    EXPECT_EQ(GPSReader::fixQualityText(2), "Differential Valid");
    EXPECT_EQ(GPSReader::fixQualityText(3), "PPS Valid");
    EXPECT_EQ(GPSReader::fixQualityText(7), "");
}

namespace {
QByteArray nmea(const QByteArray& body) {
    quint8 sum = 0;
    for (char c : body) sum ^= static_cast<quint8>(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

// A short drive of our own in NMEA 0183: one GGA, RMC and GSA per second.
QByteArray nmeaSecond(int second) {
    const QByteArray hms = "1200" + QByteArray::number(second).rightJustified(2, '0') + ".00";
    const QByteArray lat = "4035." + QByteArray::number(900 + second).rightJustified(3, '0');
    return nmea("GPGGA," + hms + "," + lat + ",N,02258.200,E,1,08,0.9,12.0,M,36.0,M,,") +
           nmea("GPGSA,A,3,02,09,16,23,30,05,12,19,,,,,1.8,0.9,1.5") +
           nmea("GPRMC," + hms + ",A," + lat + ",N,02258.200,E,010.0,045.0,150126,,,A");
}
} // namespace

TEST(GPSReader, GetsTheFixFromARealGpsd) {
    const QString gpsd =
        QStandardPaths::findExecutable(QStringLiteral("gpsd"), {"/usr/sbin", "/usr/local/sbin", "/sbin"});
    if (gpsd.isEmpty()) GTEST_SKIP() << "gpsd is not installed";

    // The NMEA source gpsd reads from.
    QTcpServer source;
    ASSERT_TRUE(source.listen(QHostAddress::LocalHost, 0));
    std::vector<QTcpSocket*> feeds;
    QObject::connect(&source, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = source.nextPendingConnection()) feeds.push_back(s);
    });
    int second = 0;
    QTimer pace; // the receiver's once-a-second output, faster
    QObject::connect(&pace, &QTimer::timeout, [&] {
        const QByteArray burst = nmeaSecond(second++ % 60);
        for (QTcpSocket* s : feeds) s->write(burst);
    });
    pace.start(100);

    quint16 gpsdPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        gpsdPort = probe.serverPort();
    }
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::MergedChannels);
    daemon.start(gpsd, {"-N", "-n", "-S", QString::number(gpsdPort),
                        QStringLiteral("tcp://127.0.0.1:%1").arg(source.serverPort())});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    auto stop = qScopeGuard([&] {
        daemon.terminate();
        if (!daemon.waitForFinished(3000)) daemon.kill();
        daemon.waitForFinished(1000);
    });
    // Wait for gpsd to listen before the reader opens, so the first attempt connects.
    ASSERT_TRUE(waitUntil(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, gpsdPort);
            return probe.waitForConnected(100);
        },
        10000))
        << daemon.readAll().toStdString();

    TempHome home;
    ManualClock clock;
    write(home.settings, Settings::GPSD_PORT, gpsdPort);
    GpsReaderUpdates r(home.settings, clock);
    r.reader.Open();
    ASSERT_TRUE(waitUntil([&] { return !r.updates.empty(); }, 20000)) << daemon.readAll().toStdString();
    const GpsUpdate& u = r.updates.back();
    EXPECT_GE(u.position.fixQuality, GpsPosition::SpsValid);
    EXPECT_NEAR(u.position.latitude, 40 + 35.9 / 60, 0.01);
    EXPECT_NEAR(u.position.longitude, 22 + 58.2 / 60, 1e-6);
    EXPECT_EQ(u.texts.aprsLongitude, "02258.20E");
    EXPECT_TRUE(u.texts.aprsLatitude.startsWith("4035.9"));
}
