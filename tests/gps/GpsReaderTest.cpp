#include "gps/GPSReader.h"
#include "gps/GpsdJson.h"
#include "gps/GpsdSimulator.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
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

GpsTrackPoint point(double lat, double lon, double knots, double course, double alt, int sats = 6) {
    GpsTrackPoint p;
    p.utcTime = QDateTime(QDate(2026, 1, 15), QTime(12, 0, 5), Qt::UTC);
    p.latitude = lat;
    p.longitude = lon;
    p.speedKnots = knots;
    p.course = course;
    p.altitude = alt;
    p.satellites = GpsTrack::syntheticSky(sats);
    return p;
}

// A reader with its updates collected.
struct Reader {
    GPSReader reader;
    std::vector<GpsUpdate> updates;
    Reader(SettingsStore& s, Clock& c) : reader(s, c) {
        QObject::connect(&reader, &GPSReader::positionUpdated,
                         [this](const GpsUpdate& u) { updates.push_back(u); });
    }
};
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

TEST(GPSReader, FollowsTheSimulatedGpsdOverLoopback) {
    TempHome home;
    ManualClock clock;
    GpsdSimulator sim(clock);
    sim.setTrack({point(37.5, 23.75, 10, 45, 12), point(-37.5, -123.75, 20, 90, -3.5, 3)});
    sim.setRate(2);
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    write(home.settings, Settings::GPSD_PORT, sim.port());

    Reader r(home.settings, clock);
    ASSERT_TRUE(r.reader.Open());
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 1; }));
    EXPECT_TRUE(r.reader.isConnected());
    EXPECT_EQ(sim.watcherCount(), 1);
    const GpsUpdate& first = r.updates[0];
    EXPECT_TRUE(first.valid);
    EXPECT_EQ(first.texts.aprsLatitude, "3730.00N");
    EXPECT_EQ(first.texts.aprsLongitude, "02345.00E");
    EXPECT_EQ(first.texts.speed, "10.00kn");
    EXPECT_EQ(first.texts.height, "12.00m");
    EXPECT_EQ(first.texts.time, "12:00:05");
    EXPECT_EQ(first.position.satellites.size(), 6); // the sky came before the position

    clock.advance(sim.intervalMs());
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 2; }));
    EXPECT_EQ(r.updates[1].texts.aprsLatitude, "3730.00S");
    EXPECT_EQ(r.updates[1].texts.aprsLongitude, "12345.00W");
    EXPECT_EQ(r.updates[1].texts.height, "-3.50m");
    EXPECT_EQ(r.updates[1].position.satellites.size(), 3);
    // The first update is a copy: later positions do not change it.
    EXPECT_EQ(r.updates[0].texts.aprsLatitude, "3730.00N");
}

TEST(GPSReader, NoFixAnnouncesNothing) {
    TempHome home;
    ManualClock clock;
    GpsdSimulator sim(clock);
    GpsTrackPoint lost = point(1, 1, 0, 0, 0);
    lost.fix = GpsTrackPoint::None;
    sim.setTrack({lost, point(40.5, 22.9, 0, 0, 0)});
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    write(home.settings, Settings::GPSD_PORT, sim.port());
    Reader r(home.settings, clock);
    r.reader.Open();
    ASSERT_TRUE(waitUntil([&] { return sim.pointsSent() == 1 && r.reader.texts().fixQuality == "Invalid"; }));
    EXPECT_EQ(r.reader.valid(), 0);
    EXPECT_TRUE(r.updates.empty());
    clock.advance(sim.intervalMs());
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 1; }));
    EXPECT_EQ(r.reader.valid(), 1);
}

TEST(GPSReader, AbsentOrVanishingGpsdIsRetriedEveryFewSeconds) {
    TempHome home;
    ManualClock clock;
    // Find a free port, then leave it closed.
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    write(home.settings, Settings::GPSD_PORT, port);
    Reader r(home.settings, clock);
    ASSERT_TRUE(r.reader.Open()); // open even without gpsd
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_TRUE(r.reader.isOpen());
    EXPECT_FALSE(r.reader.isConnected());

    GpsdSimulator sim(clock);
    sim.setTrack({point(37.5, 23.75, 0, 0, 0), point(37.6, 23.75, 0, 0, 0)});
    sim.setLoop(true);
    if (!sim.listen(QHostAddress::LocalHost, port)) GTEST_SKIP() << "port taken meanwhile";
    // The first attempt was refused; nothing happens until the retry falls due.
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(sim.clientCount(), 0);
    clock.advance(GPSReader::kReconnectMs);
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 1; }));

    // gpsd goes away: the reader notices and comes back after the retry interval.
    sim.disconnectClients();
    ASSERT_TRUE(waitUntil([&] { return !r.reader.isConnected(); }));
    clock.advance(GPSReader::kReconnectMs);
    ASSERT_TRUE(waitUntil([&] { return r.reader.isConnected() && sim.watcherCount() == 1; }));

    // Closed: no more attempts.
    r.reader.Close();
    sim.disconnectClients();
    clock.advance(10 * GPSReader::kReconnectMs);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(sim.clientCount(), 0);
}

TEST(GPSReader, SplitLinesLongLinesAndNoise) {
    TempHome home;
    ManualClock clock;
    GpsdSimulator sim(clock); // no track: the test writes the stream itself
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    write(home.settings, Settings::GPSD_PORT, sim.port());
    Reader r(home.settings, clock);
    r.reader.Open();
    ASSERT_TRUE(waitUntil([&] { return sim.watcherCount() == 1; }));

    sim.sendRaw(R"({"class":"TPV","mode":3,"lat":37.5,)");
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    sim.sendRaw("\"lon\":23.75}\r\n");
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 1; }));
    EXPECT_EQ(r.updates[0].texts.aprsLongitude, "02345.00E");

    // A line far longer than any report is dropped whole, in pieces; the next line counts.
    QByteArray huge = R"({"class":"TPV","mode":3,"lat":10,"lon":10,"x":")";
    huge += QByteArray(100000, 'x');
    sim.sendRaw(huge);
    sim.sendRaw("\"}\n\x01\x02 not json\n");
    sim.sendRaw(R"({"class":"TPV","mode":3,"lat":-37.5,"lon":23.75})"
                "\n");
    ASSERT_TRUE(waitUntil([&] { return r.updates.size() == 2; }));
    EXPECT_EQ(r.updates[1].texts.aprsLatitude, "3730.00S");
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
    Reader r(home.settings, clock);
    r.reader.Open();
    ASSERT_TRUE(waitUntil([&] { return !r.updates.empty(); }, 20000)) << daemon.readAll().toStdString();
    const GpsUpdate& u = r.updates.back();
    EXPECT_GE(u.position.fixQuality, GpsPosition::SpsValid);
    EXPECT_NEAR(u.position.latitude, 40 + 35.9 / 60, 0.01);
    EXPECT_NEAR(u.position.longitude, 22 + 58.2 / 60, 1e-6);
    EXPECT_EQ(u.texts.aprsLongitude, "02258.20E");
    EXPECT_TRUE(u.texts.aprsLatitude.startsWith("4035.9"));
}
