#include "aprsis/APRSServerClient.h"
#include "cli/AprsIsSimulator.h"
#include "support/StationFixture.h"

#include <gtest/gtest.h>

namespace {
struct ServerFixture : StationFixture {
    AprsIsSimulator server;
    ServerFixture() {
        server.listen(QHostAddress::LocalHost, 0);
        write(t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:%1").arg(server.port()));
        write(t.settings, Settings::APRSRVCONNECTSTARTUP, 1);
    }
    bool startAndWaitForBoth() {
        start();
        const int expectedPorts = (read(t.settings, Settings::ENABLERP, -1) ? 1 : 0) +
                                  (read(t.settings, Settings::ENABLERP, 0) ? 1 : 0);
        return waitUntil([this, expectedPorts] {
            return engine->monitoringClientCount() == 1 && server.loginLines().size() == 1 &&
                   station->activePorts().count() == expectedPorts;
        });
    }
};
} // namespace

TEST(AprsIsLink, OneTickSendsPositionAndBeaconsToServerAndEngineByteExact) {
    ServerFixture s;
    write(s.t.settings, Settings::ENABLERP, -1, 1);
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    ASSERT_TRUE(s.startAndWaitForBoth());
    EXPECT_EQ(s.server.loginLines().front(), "user N0QPA pass Listenonly300 vers Quillon 2005 ");
    ASSERT_EQ(s.station->activePorts().entries[0].port, -1);
    EXPECT_EQ(s.station->activePorts().entries[0].name, "APRS Server");
    EXPECT_EQ(s.station->activePorts().entries[1].port, 0);

    s.engine->clearReceived();
    s.tick();
    ASSERT_TRUE(
        waitUntil([&] { return s.server.receivedLines().size() == 2 && s.framesOfKind("MV").size() == 2; }));
    EXPECT_EQ(s.server.receivedBytes(),
              "N0QPA>APZEL,TCPIP*:=4035.90N/02258.20E-Quillon\rN0QPA>APZEL,TCPIP*:>QUILLON\r");
    const auto frames = s.framesOfKind("MV");
    EXPECT_EQ(frames[0].data, QByteArray("\x01RELAY\0\0\0\0\0", 11) + "=4035.90N/02258.20E-Quillon");
    EXPECT_EQ(frames[1].data, ">QUILLON");

    // Each own packet to the server is echoed to the monitor, marked as an own transmission.
    ASSERT_TRUE(waitUntil([&] {
        return std::count_if(s.handled.begin(), s.handled.end(),
                             [](const ReceivedFrame& f) { return f.ownTransmission && f.port == -1; }) == 2;
    }));
    for (const ReceivedFrame& f : s.handled) {
        if (f.port == -1 && f.ownTransmission) {
            EXPECT_TRUE(f.text.startsWith("GT:Fm N0QPA To APZEL Via MYGATE <UI"));
        }
    }
}

TEST(AprsIsLink, ServerLinesReachTheStationInOrderAndRadioTrafficIsNeverForwarded) {
    ServerFixture s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    for (int i = 0; i < 40; ++i) {
        s.server.sendLine(QByteArray("N") + QByteArray::number(i) +
                          "QP>APRS,TCPIP*,qAC,T2TEST:>status number " + QByteArray::number(i));
        s.engine->sendMonitored(
            0, 'U',
            EngineSimulator::monitorText(0, "RADIO", "APRS", {}, ">heard on the radio", QTime(1, 1, 1)));
    }
    s.server.sendLine("# a server comment");
    s.server.sendLine("N0SHORT>APRS:abc");
    ASSERT_TRUE(waitUntil([&] { return s.handled.size() >= 80; }));
    waitUntil([] { return false; }, 100);
    int next = 0;
    for (const ReceivedFrame& f : s.handled) {
        if (f.port != -1) continue;
        EXPECT_EQ(f.fromInternet, 1);
        EXPECT_EQ(f.ownTransmission, 0);
        EXPECT_TRUE(
            f.text.startsWith(QStringLiteral("GT:Fm N%1QP To APRS Via MYGATE* <UI pid=F0 Len=").arg(next)))
            << f.text.toStdString();
        EXPECT_TRUE(f.text.endsWith(QStringLiteral("\r>status number %1\r").arg(next)));
        ++next;
    }
    EXPECT_EQ(next, 40) << "comment lines and fields under 4 characters are dropped";
    EXPECT_TRUE(s.server.receivedLines().isEmpty()) << "nothing but own packets goes to the server";
}

TEST(AprsIsLink, AClosedServerIsDroppedAtTheNextTickAndReconnectedWhenSet) {
    ServerFixture s;
    write(s.t.settings, Settings::ENABLERP, -1, 1);
    write(s.t.settings, Settings::APRSRVRECONNECT, 1);
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.server.disconnectClients();
    ASSERT_TRUE(waitUntil([&] { return !s.station->aprsClient()->isConnected(); }));
    EXPECT_TRUE(waitUntil([&] { return s.station->activePorts().entries.empty(); }))
        << "the server port goes with the connection";
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.server.loginLines().size() == 2; }));
    ASSERT_TRUE(waitUntil([&] { return s.station->activePorts().count() == 1; }));
    EXPECT_EQ(s.station->activePorts().entries.front().port, -1);

    // Without reconnection the client is dropped and stays dropped.
    write(s.t.settings, Settings::APRSRVRECONNECT, 0);
    s.server.disconnectClients();
    ASSERT_TRUE(waitUntil([&] { return !s.station->aprsClient()->isConnected(); }));
    s.tick();
    EXPECT_EQ(s.station->aprsClient(), nullptr);
    s.tick();
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(s.server.loginLines().size(), 2);
}

TEST(AprsIsLink, OwnPacketsNeverGoToAServerThatIsNotConnected) {
    ServerFixture s;
    write(s.t.settings, Settings::APRSRVCONNECTSTARTUP, 0);
    s.start();
    OutboundPacket p{QStringLiteral(">"),
                     QStringLiteral("hello"),
                     QStringLiteral("N0CALL"),
                     QStringLiteral("APZEL"),
                     {},
                     -1};
    s.station->SendPacketUN(p);
    write(s.t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:%1").arg(s.server.port()));
    s.station->ConnectAPRSServer();
    s.station->SendPacketUN(p); // still connecting
    ASSERT_TRUE(waitUntil([&] { return s.server.loginLines().size() == 1; }));
    waitUntil([] { return false; }, 100);
    EXPECT_TRUE(s.server.receivedLines().isEmpty());
    s.station->SendPacketUN(p);
    ASSERT_TRUE(waitUntil([&] { return s.server.receivedLines().size() == 1; }));
    // The toggle drops the connection; later packets go nowhere.
    s.station->toggleAPRSServer();
    EXPECT_EQ(s.station->aprsClient(), nullptr);
    s.station->SendPacketUN(p);
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(s.server.receivedLines().size(), 1);
}

TEST(AprsIsLink, ServerTextAndLoginDefaults) {
    ServerFixture s;
    write(s.t.settings, Settings::APRSRVLOGIN, QStringLiteral("N0QP"));
    write(s.t.settings, Settings::APRSRVPASSWORD, QStringLiteral("")); // a login without passcode is not used
    write(s.t.settings, Settings::APRSRVFILTER, QStringLiteral("Filter r/40/22/50"));
    write(s.t.settings, Settings::MYCALL, QStringLiteral("N0ME"));
    write(s.t.settings, Settings::APRSERVER,
          QStringLiteral("127.0.0.1:%1;Local test server").arg(s.server.port()));
    ASSERT_TRUE(s.startAndWaitForBoth());
    EXPECT_EQ(s.server.loginLines().front(),
              "user N0ME pass Listenonly300 vers Quillon 2005 Filter r/40/22/50");

    s.station->disconnectAPRSServer();
    write(s.t.settings, Settings::APRSRVPASSWORD, QStringLiteral("12345"));
    s.station->ConnectAPRSServer();
    ASSERT_TRUE(waitUntil([&] { return s.server.loginLines().size() == 2; }));
    EXPECT_EQ(s.server.loginLines()[1], "user N0QP pass 12345 vers Quillon 2005 Filter r/40/22/50");
}
