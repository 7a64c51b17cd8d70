#include "engine/PESocket.h"
#include "support/StationFixture.h"

#include <gtest/gtest.h>

namespace {
QByteArray infoOf(const EngineFrame& f) {
    return EngineCodec::parseUnproto(f).info;
}
} // namespace

TEST(EngineLink, ConnectsAsksForPortsThenSwitchesMonitoringOn) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 1, 1);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    const auto& frames = s.engine->receivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].header.kind, 'G');
    EXPECT_EQ(frames[0].header.dataLength, 0u);
    EXPECT_EQ(frames[1].header.kind, 'm');
    EXPECT_EQ(frames[1].header.fromCall, "TEST");
    EXPECT_EQ(frames[1].header.toCall, "TEST");
    EXPECT_EQ(s.station->enginePorts().count, 2);
    ASSERT_EQ(s.station->activePorts().count(), 1);
    EXPECT_EQ(s.station->activePorts().entries[0].port, 1);
    EXPECT_EQ(s.station->activePorts().entries[0].name, "Port 2 HF");
    EXPECT_TRUE(s.prompter.asked.isEmpty());
}

TEST(EngineLink, MonitoredFramesReachTheCentralObjectInArrivalOrder) {
    StationFixture s;
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    for (int i = 0; i < 50; ++i)
        s.engine->sendMonitored(
            i % 2, i % 5 == 0 ? 'T' : 'U',
            EngineSimulator::monitorText(i % 2, QStringLiteral("N%1CALL").arg(i), "APRS", {},
                                         QByteArray(">status ") + QByteArray::number(i), QTime(1, 2, 3)));
    s.engine->sendMonitored(0, 'U', QByteArray());
    ASSERT_TRUE(waitUntil([&] { return s.handled.size() == 51; }));
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(s.handled[i].text.contains(QStringLiteral("Fm N%1CALL To").arg(i)));
        EXPECT_EQ(s.handled[i].port, i % 2);
        EXPECT_EQ(s.handled[i].ownTransmission, i % 5 == 0 ? 1 : 0);
        EXPECT_EQ(s.handled[i].fromInternet, 0);
    }
    EXPECT_TRUE(s.handled[50].text.isEmpty());
    EXPECT_EQ(s.handled[50].length, 0);
}

TEST(EngineLink, TheMinuteTickSendsThePositionReportAndBeaconTextsByteExact) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.engine->clearReceived();
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 2; }));
    const auto frames = s.framesOfKind("MV");
    // Position report: N0QPA to APZEL via RELAY.
    EXPECT_EQ(frames[0].header.kind, 'V');
    EXPECT_EQ(frames[0].header.port, 0u);
    EXPECT_EQ(frames[0].header.fromCall, "N0QPA");
    EXPECT_EQ(frames[0].header.toCall, "APZEL");
    EXPECT_EQ(frames[0].data, QByteArray("\x01RELAY\0\0\0\0\0", 11) + "=4035.90N/02258.20E-Quillon");
    // Beacon text: no via path by default, to TOCALL.
    EXPECT_EQ(frames[1].header.kind, 'M');
    EXPECT_EQ(frames[1].header.toCall, "APZEL");
    EXPECT_EQ(frames[1].data, ">QUILLON");

    // Nothing more until the periods run out (30 minutes each by default).
    s.engine->clearReceived();
    for (int i = 0; i < 29; ++i) s.tick();
    QCoreApplication::processEvents();
    waitUntil([] { return false; }, 100);
    EXPECT_TRUE(s.framesOfKind("MV").empty());
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 2; }));
}

TEST(EngineLink, UnicodePortSendsTheSecondPartAsUtf16) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    write(s.t.settings, Settings::UNICODERP, 0, 1);
    write(s.t.settings, Settings::BTEXT, 0, QStringLiteral("ab"));
    write(s.t.settings, Settings::POSTEXT, QString::fromUtf8("Caf\xc3\xa9"));
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.engine->clearReceived();
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 2; }));
    const auto frames = s.framesOfKind("MV");
    EXPECT_EQ(infoOf(frames[0]), QByteArray("=4035.90N/02258.20E-C\0a\0f\0\xe9\0", 28));
    EXPECT_EQ(infoOf(frames[1]), QByteArray(">a\0b\0", 5));
}

TEST(EngineLink, AQueryBringsThePositionReportForwardUnlessReportsAreOff) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    write(s.t.settings, Settings::BTIME, 0, 0);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.tick(); // first report
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 1; }));
    s.tick();
    s.engine->sendMonitored(
        0, 'U', EngineSimulator::monitorText(0, "N0CALL", "APRS", "WIDE1-1", "?APRS?", QTime(1, 2, 3)));
    ASSERT_TRUE(waitUntil([&] { return s.station->positionCountdown() == 0; }));
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 2; }));

    // A header line with too few words is not checked.
    write(s.t.settings, Settings::POSEVERY, 0);
    const std::size_t before = s.handled.size();
    s.engine->sendMonitored(0, 'U', "Fm X\r?APRS?\r");
    ASSERT_TRUE(waitUntil([&] { return s.handled.size() == before + 1; }));
    EXPECT_EQ(s.station->positionCountdown(), 30);
    s.engine->sendMonitored(0, 'U',
                            EngineSimulator::monitorText(0, "N0CALL", "APRS", {}, "?APRS?", QTime(1, 2, 4)));
    ASSERT_TRUE(waitUntil([&] { return s.station->positionCountdown() == 0; }));
    s.tick();
    s.tick();
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(s.framesOfKind("MV").size(), 2u) << "POSEVERY 0: no report, not even after a query";
}

TEST(EngineLink, ALostEngineIsReplacedAtTheNextTickWithoutAQuestion) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    const quint16 port = s.engine->port();
    s.engine.reset(); // the engine program goes away
    ASSERT_TRUE(waitUntil([&] { return !s.station->engineSocket()->isConnected(); }));
    s.tick(); // replaced; the connect fails (nothing listens)
    s.tick();
    EXPECT_TRUE(s.prompter.asked.isEmpty());

    s.engine = std::make_unique<EngineSimulator>();
    s.engine->setPortInformation(QStringLiteral("1;Back"));
    ASSERT_TRUE(s.engine->listen(QHostAddress::LocalHost, port));
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.engine->monitoringClientCount() == 1; }));
    EXPECT_EQ(s.station->activePorts().entries.at(0).name, "Back");
    EXPECT_TRUE(s.prompter.asked.isEmpty());
}

TEST(EngineLink, NoEngineAtAllIsRetriedEveryMinuteSilently) {
    StationFixture s;
    const quint16 port = s.engine->port();
    s.engine.reset();
    s.start();
    for (int i = 0; i < 3; ++i) {
        const PESocket* before = s.station->engineSocket();
        ASSERT_NE(before, nullptr);
        waitUntil([] { return false; }, 50);
        s.tick();
        EXPECT_NE(s.station->engineSocket(), nullptr);
    }
    EXPECT_TRUE(s.prompter.asked.isEmpty());
    s.engine = std::make_unique<EngineSimulator>();
    ASSERT_TRUE(s.engine->listen(QHostAddress::LocalHost, port));
    waitUntil([] { return false; }, 50);
    s.tick();
    EXPECT_TRUE(waitUntil([&] { return s.engine->monitoringClientCount() == 1; }));
}

TEST(EngineLink, AConnectThatFailsAtOnceAsksAndNoGivesUpForTheRun) {
    StationFixture s;
    write(s.t.settings, Settings::ComputerName, QString());
    s.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    s.start();
    ASSERT_EQ(s.prompter.asked.size(), 1);
    EXPECT_EQ(s.prompter.asked[0], "Failed to connect to Zel Packet Engine\nTry again?");
    EXPECT_NE(s.station->engineSocket(), nullptr) << "Yes keeps the link for the next tick";
    s.tick();
    EXPECT_EQ(s.prompter.asked.size(), 2);
    EXPECT_EQ(s.station->engineSocket(), nullptr);
    EXPECT_TRUE(s.station->engineGivenUp());
    s.tick();
    EXPECT_EQ(s.prompter.asked.size(), 2) << "no further attempt in this run";
}

TEST(EngineLink, ACorruptStreamDropsTheLinkAndTheTickReplacesIt) {
    StationFixture s;
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.engine->sendRaw(EngineCodec::encodeHeader(0, 'U', "A", "B", 0x7FFFFFFF));
    ASSERT_TRUE(waitUntil([&] { return !s.station->engineSocket()->isConnected(); }));
    s.tick();
    EXPECT_TRUE(waitUntil([&] { return s.engine->monitoringClientCount() == 1; }));
}

TEST(EngineLink, ChangingTheNumberOfActivePortsFiresEveryBeaconAtTheNextTick) {
    StationFixture s;
    write(s.t.settings, Settings::ENABLERP, 0, 1);
    write(s.t.settings, Settings::POSEVERY, 0);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 1; }));
    s.tick();
    write(s.t.settings, Settings::ENABLERP, 1, 1);
    s.station->RebuildActivePorts();
    ASSERT_EQ(s.station->activePorts().count(), 2);
    s.engine->clearReceived();
    s.tick();
    ASSERT_TRUE(waitUntil([&] { return s.framesOfKind("MV").size() == 2; }));
    const auto frames = s.framesOfKind("MV");
    EXPECT_EQ(frames[0].header.port, 0u);
    EXPECT_EQ(frames[1].header.port, 1u);
}

TEST(ReceivedFrames, WaitForTheEventLoopAreHandledInArrivalOrderAndABacklogIsBounded) {
    StationFixture s;
    s.start();
    const auto frame = [](int i) {
        ReceivedFrame f;
        f.text =
            QStringLiteral("GT:Fm N%1X To APRS Via MYGATE* <UI pid=F0 Len=8 >[10:00:00]\r>status\r").arg(i);
        f.port = -1;
        f.fromInternet = 1;
        return f;
    };
    for (int i = 0; i < 3000; ++i) s.station->enqueueReceivedFrame(frame(i));
    // Nothing runs inside the link's delivery: the frames wait for the event loop.
    EXPECT_TRUE(s.handled.empty());
    EXPECT_EQ(s.station->pendingFrames(), 3000);
    ASSERT_TRUE(waitUntil([&] { return s.handled.size() == 3000; }));
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(s.handled[i].text.startsWith(QStringLiteral("GT:Fm N%1X ").arg(i)));

    s.handled.clear();
    for (int i = 0; i < GlobalObjects::kMaxPendingFrames + 25; ++i) s.station->enqueueReceivedFrame(frame(i));
    EXPECT_EQ(s.station->pendingFrames(), GlobalObjects::kMaxPendingFrames);
    EXPECT_EQ(s.station->droppedFrames(), 25);
    // The oldest are kept: what is handled is a gapless start of what arrived.
    ASSERT_TRUE(waitUntil([&] { return s.station->pendingFrames() == 0; }, 60000));
    ASSERT_EQ(s.handled.size(), size_t(GlobalObjects::kMaxPendingFrames));
    EXPECT_TRUE(s.handled.back().text.startsWith(
        QStringLiteral("GT:Fm N%1X ").arg(GlobalObjects::kMaxPendingFrames - 1)));
}
