// The GPS reader against the gpsd simulator over loopback.
#include "cli/GpsdSimulator.h"
#include "gps/GPSReader.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/GpsReaderUpdates.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QTcpServer>
#include <gtest/gtest.h>

namespace {
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
} // namespace

TEST(GPSReader, FollowsTheSimulatedGpsdOverLoopback) {
    TempHome home;
    ManualClock clock;
    GpsdSimulator sim(clock);
    sim.setTrack({point(37.5, 23.75, 10, 45, 12), point(-37.5, -123.75, 20, 90, -3.5, 3)});
    sim.setRate(2);
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    write(home.settings, Settings::GPSD_PORT, sim.port());

    GpsReaderUpdates r(home.settings, clock);
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
    GpsReaderUpdates r(home.settings, clock);
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
    GpsReaderUpdates r(home.settings, clock);
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
    GpsReaderUpdates r(home.settings, clock);
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
