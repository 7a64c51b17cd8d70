#include "app/HeadlessMonitor.h"
#include "app/Version.h"
#include "cli/EngineSimulator.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <gtest/gtest.h>
#include <signal.h>

TEST(Program, VersionComesFromTheBuildDate) {
    const ProgramVersion v = ProgramVersion::fromBuildDate("May 18 2008");
    EXPECT_EQ(v.major, 2008);
    EXPECT_EQ(v.minor, 518);
    EXPECT_EQ(v.text(), "Ver 2008.518");
    EXPECT_EQ(ProgramVersion::fromBuildDate("Dec  8 2026").minor, 1208);
}

TEST(Program, HeadlessMonitorMarksOwnTransmissionsAndKeepsControlCharactersOffTheTerminal) {
    ReceivedFrame f;
    f.text = QStringLiteral(" 1:Fm A To B <UI pid=F0 Len=3 >[01:02:03]\rab\x1b"
                            "c\r");
    EXPECT_EQ(HeadlessMonitor::format(f),
              QStringLiteral("    1:Fm A To B <UI pid=F0 Len=3 >[01:02:03]\n   ab\uFFFDc"));
    f.ownTransmission = 1;
    EXPECT_TRUE(HeadlessMonitor::format(f).startsWith("TX  1:Fm"));
}

// The real program, headless, against the engine simulator: it prints the traffic, beacons on the
// short tick, and saves its stations when told to stop.
TEST(Program, HeadlessStationPrintsTrafficBeaconsAndSavesOnSigterm) {
    TempHome t;
    EngineSimulator engine;
    ASSERT_TRUE(engine.listen(QHostAddress::LocalHost, 0));
    engine.setPortInformation(QStringLiteral("1;Port 1 VHF"));
    engine.setReplay({QStringLiteral("N0QPA>APRS,WIDE1-1:!4903.50N/07201.75W-Replayed station")}, 50);
    write(t.settings, Settings::Port, engine.port());
    write(t.settings, Settings::ENABLERP, 0, 1);
    write(t.settings, Settings::MYCALL, QStringLiteral("N0QPZ"));

    QProcess station;
    station.start(QStringLiteral(QP_PROGRAM),
                  {QStringLiteral("--home"), t.home.root(), QStringLiteral("--headless"),
                   QStringLiteral("--tick-seconds"), QStringLiteral("1")});
    ASSERT_TRUE(station.waitForStarted());
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const EngineFrame& f : engine.receivedFrames())
                if (f.header.kind == 'M') return true;
            return false;
        },
        10000));
    QByteArray out;
    ASSERT_TRUE(waitUntil([&] {
        out += station.readAllStandardOutput();
        return out.contains("Replayed station") && out.contains("TX ");
    }));
    ::kill(static_cast<pid_t>(station.processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return station.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(t.home.dataFile(QStringLiteral("Stations.dat"))));
}

TEST(Program, HelpAndVersionAndBadOptions) {
    QProcess p;
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("Ver "));
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_TRUE(p.readAllStandardOutput().contains("--tick-seconds"));
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--tick-seconds"), QStringLiteral("zero")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), 2);
}
