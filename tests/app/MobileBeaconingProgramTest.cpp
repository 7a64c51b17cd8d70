#include "aprs/MicE.h"
#include "cli/EngineSimulator.h"
#include "cli/GpsTrack.h"
#include "cli/GpsdSimulator.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QHostAddress>
#include <QProcess>
#include <gtest/gtest.h>
#include <signal.h>

// gpsd simulator -> the real program, headless with --gps -> engine simulator: the mobile reports
// arrive on the ports of RADIOPORTSTX when the rules say (first fix, then a turn of 90 degrees).
TEST(MobileBeaconingProgram, GpsFixesBecomeMicEReportsOnTheChosenPorts) {
    TempHome t;
    EngineSimulator engine;
    ASSERT_TRUE(engine.listen(QHostAddress::LocalHost, 0));
    engine.setPortInformation(QStringLiteral("3;A;B;C"));

    SystemClock clock;
    GpsdSimulator gpsd(clock);
    QVector<GpsTrackPoint> track;
    ASSERT_TRUE(GpsTrack::parse(QStringLiteral("- 40.5983 22.9700 20 0 12 8\n"
                                               "- 40.5988 22.9700 20 0 12 8\n"
                                               "- 40.5993 22.9700 20 10 12 8\n"
                                               "- 40.5998 22.9701 20 90 12 8\n"
                                               "- 40.5998 22.9706 20 95 12 8\n"),
                                track));
    gpsd.setTrack(track);
    gpsd.setRate(10);
    ASSERT_TRUE(gpsd.listen(QHostAddress::LocalHost, 0));

    write(t.settings, Settings::Port, engine.port());
    write(t.settings, Settings::GPSD_HOST, QStringLiteral("127.0.0.1"));
    write(t.settings, Settings::GPSD_PORT, gpsd.port());
    write(t.settings, Settings::RADIOPORTSTX_BEACONING, QStringLiteral("0,2,"));
    write(t.settings, Settings::GPS_CALL, QStringLiteral("N0QPM-9"));
    write(t.settings, Settings::GPS_VIAPATH, QStringLiteral("WIDE1-1"));
    write(t.settings, Settings::GPS_STATUS, QStringLiteral("Mobile"));

    QProcess station;
    station.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--home"), t.home.root(),
                                               QStringLiteral("--headless"), QStringLiteral("--gps")});
    ASSERT_TRUE(station.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return gpsd.finished(); }, 15000));
    waitUntil([] { return false; }, 500); // the last reports on their way
    ::kill(static_cast<pid_t>(station.processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return station.state() == QProcess::NotRunning; }, 10000));

    std::vector<EngineFrame> reports;
    for (const EngineFrame& f : engine.receivedFrames())
        if (f.header.kind == 'V') reports.push_back(f);
    ASSERT_EQ(reports.size(), 4u) << "first fix and the turn, each on ports 0 and 2";
    const int expectedPorts[] = {0, 2, 0, 2};
    const double expectedLatitude[] = {40.5983, 40.5983, 40.5998, 40.5998};
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].header.port, static_cast<uint32_t>(expectedPorts[i]));
        EXPECT_EQ(reports[i].header.fromCall, "N0QPM-9");
        const EngineCodec::UnprotoContent content = EngineCodec::parseUnproto(reports[i]);
        EXPECT_EQ(content.via, QStringList{"WIDE1-1"});
        EXPECT_TRUE(content.info.endsWith("Mobile"));
        const auto fields =
            decodeMicEFields(QByteArrayView(reports[i].header.toCall), QByteArrayView(content.info));
        ASSERT_TRUE(fields.has_value());
        EXPECT_NEAR(fields->latitude, expectedLatitude[i], 0.01 / 60 + 1e-9);
        EXPECT_NEAR(fields->longitude, i < 2 ? 22.9700 : 22.9701, 0.01 / 60 + 1e-9);
        EXPECT_EQ(fields->course, i < 2 ? 0 : 90);
        EXPECT_EQ(fields->speed, 20);
    }
}
