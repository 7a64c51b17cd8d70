#include "aprsis/APRSServerClient.h"
#include "cli/AprsIsSimulator.h"
#include "support/StationFixture.h"
#include "ui/LinkStatusBar.h"

#include <gtest/gtest.h>

// The status bar against real links on loopback: what it says, and that a lost link shows at once
// rather than at the next minute tick.
namespace {
QString indicatorText(LinkStatusBar& bar, const char* name) {
    auto* indicator = bar.findChild<LinkIndicator*>(QString::fromLatin1(name));
    return indicator ? indicator->text() : QStringLiteral("(missing)");
}
} // namespace

TEST(LinkStatus, EngineAndServerStatesFollowTheLinksAsTheyChange) {
    StationFixture s;
    AprsIsSimulator server;
    server.listen(QHostAddress::LocalHost, 0);
    write(s.t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:%1").arg(server.port()));
    write(s.t.settings, Settings::APRSRVCONNECTSTARTUP, 1);
    write(s.t.settings, Settings::ENABLERP, 1, 1);
    s.start();
    LinkStatusBar bar(*s.station);
    EXPECT_EQ(indicatorText(bar, "gpsStatus"), "GPS: off");
    ASSERT_TRUE(waitUntil([&] {
        return indicatorText(bar, "engineStatus") == "Packet engine: connected, 2 ports (beacons on 2)";
    })) << indicatorText(bar, "engineStatus").toStdString();
    ASSERT_TRUE(waitUntil([&] { return indicatorText(bar, "aprsIsStatus").startsWith("APRS-IS: "); }));
    // The simulator answers the login (no passcode: receive only) and names itself.
    ASSERT_TRUE(waitUntil([&] {
        const QString text = indicatorText(bar, "aprsIsStatus");
        return text == "APRS-IS: QPSIM, receive only";
    })) << indicatorText(bar, "aprsIsStatus").toStdString();

    // Losing both links shows without any tick of the clock.
    s.engine->disconnectClients();
    server.disconnectClients();
    EXPECT_TRUE(waitUntil([&] {
        return indicatorText(bar, "engineStatus").startsWith("Packet engine: connecting") &&
               indicatorText(bar, "aprsIsStatus").startsWith("APRS-IS: connecting");
    })) << indicatorText(bar, "engineStatus").toStdString()
        << " / " << indicatorText(bar, "aprsIsStatus").toStdString();
}

TEST(LinkStatus, TheLoginAnswerOfTheServerIsRead) {
    TempHome t;
    ManualClock clock;
    APRSServerClient client(t.settings, clock);
    EXPECT_FALSE(client.takeLoginResponse("# aprsc 2.1.14"));
    EXPECT_EQ(client.loginState(), APRSServerClient::Login::Pending);
    EXPECT_TRUE(client.takeLoginResponse("# logresp N0QPA unverified, server T2TEST"));
    EXPECT_EQ(client.loginState(), APRSServerClient::Login::Unverified);
    EXPECT_EQ(client.serverName(), "T2TEST");
    EXPECT_TRUE(client.takeLoginResponse("# logresp N0QPA verified, server T2FINLAND"));
    EXPECT_EQ(client.loginState(), APRSServerClient::Login::Verified);
    EXPECT_EQ(client.serverName(), "T2FINLAND");
    EXPECT_FALSE(client.takeLoginResponse("# logresp"));
}

TEST(LinkStatus, PacketRateCountsReceivedFramesOfTheLastTenSeconds) {
    StationFixture s;
    s.station = std::make_unique<GlobalObjects>(s.t.home, s.t.settings, s.clock, s.prompter);
    LinkStatusBar bar(*s.station);
    ReceivedFrame heard;
    heard.text = QStringLiteral("GT:Fm N1ABC To APRS Via MYGATE* <UI pid=F0 Len=10 >[10:00:00]\r>status\r");
    ReceivedFrame own = heard;
    own.ownTransmission = 1;
    for (int i = 0; i < 30; ++i) s.station->handleReceivedFrame(heard);
    s.station->handleReceivedFrame(own);
    EXPECT_DOUBLE_EQ(bar.packetRate(), 30.0); // all within the first second
    s.clock.advance(4000);
    for (int i = 0; i < 20; ++i) s.station->handleReceivedFrame(heard);
    EXPECT_DOUBLE_EQ(bar.packetRate(), 10.0); // 50 in five seconds
    s.clock.advance(6000);
    EXPECT_DOUBLE_EQ(bar.packetRate(), 2.0); // the first 30 are older than ten seconds now
}
