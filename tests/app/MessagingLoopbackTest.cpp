#include "aprsis/APRSServerClient.h"
#include "cli/AprsIsSimulator.h"
#include "engine/EngineFrame.h"
#include "support/StationFixture.h"

#include <gtest/gtest.h>

// Messages end to end: the station on a manual clock, the packet engine and APRS-IS simulators on
// loopback, frames and lines checked as the simulators received them.
namespace {

struct MessagingStation : StationFixture {
    MessagingStation() { write(t.settings, Settings::MYCALL, QStringLiteral("N0ME")); }

    // A frame heard on a radio port, as the engine sends it.
    void hear(int port, const QString& from, const QString& path, const QByteArray& info) {
        engine->sendMonitored(
            port, 'U',
            EngineSimulator::monitorText(port, from, QStringLiteral("APRS"), path, info, QTime(10, 0, 0)));
    }

    // Unproto frames the station sent whose information field begins with the text.
    std::vector<EngineFrame> sentFrames(const QByteArray& prefix) const {
        std::vector<EngineFrame> out;
        for (const EngineFrame& f : framesOfKind("MV"))
            if (EngineCodec::parseUnproto(f).info.startsWith(prefix)) out.push_back(f);
        return out;
    }

    // Lets loopback bytes arrive (and the engine's echoes come back) without moving the clock.
    static void settle() {
        waitUntil([] { return false; }, 150);
    }
};

} // namespace

TEST(MessagingLoopback, AMessageHeardOnARadioPortIsAcknowledgedOnThatPortOverTheSendersPath) {
    MessagingStation s;
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    s.hear(1, QStringLiteral("N0ABC"), QStringLiteral("WIDE1-1*,WIDE2-1"), ":N0ME     :Hello from HF{12");
    ASSERT_TRUE(waitUntil([&] { return !s.sentFrames(":N0ABC").empty(); }));
    const EngineFrame ack = s.sentFrames(":N0ABC").front();
    EXPECT_EQ(ack.header.port, 1u);
    EXPECT_EQ(ack.header.fromCall, "N0ME");
    EXPECT_EQ(ack.header.toCall, "APZEL");
    const auto content = EngineCodec::parseUnproto(ack);
    EXPECT_EQ(content.info, ":N0ABC    :ack12");
    EXPECT_EQ(content.via, (QStringList{QStringLiteral("WIDE1-1"), QStringLiteral("WIDE2-1")}));

    MsgManager& m = s.station->messages();
    ASSERT_EQ(m.count(), 1);
    EXPECT_EQ(m.at(0)->status, MessageStatus::ForMe);
    EXPECT_EQ(m.at(0)->port, 1);
    EXPECT_EQ(m.at(0)->heardVia, "WIDE1-1");
    EXPECT_EQ(m.at(0)->text, "Hello from HF");
}

TEST(MessagingLoopback, AMessageFromTheServerIsAcknowledgedToTheServer) {
    MessagingStation s;
    AprsIsSimulator server;
    server.listen(QHostAddress::LocalHost, 0);
    write(s.t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:%1").arg(server.port()));
    write(s.t.settings, Settings::APRSRVCONNECTSTARTUP, 1);
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    ASSERT_TRUE(waitUntil([&] { return s.station->aprsClient() && s.station->aprsClient()->isConnected(); }));

    server.sendLine("N0NET>APRS,TCPIP*,qAC,T2TEST::N0ME     :hello over the net{7");
    ASSERT_TRUE(waitUntil([&] { return !server.receivedLines().isEmpty(); }));
    EXPECT_EQ(server.receivedLines().front(), "N0ME>APZEL,TCPIP*::N0NET    :ack7");
    MessagingStation::settle();
    EXPECT_TRUE(s.sentFrames(":N0NET").empty()) << "nothing goes to the radio";
    ASSERT_GE(s.station->messages().count(), 1);
    const MessageRecord* r = s.station->messages().at(0);
    EXPECT_EQ(r->port, -1);
    EXPECT_EQ(r->heardVia, "MYGATE");
}

TEST(MessagingLoopback, AnOwnMessageIsSentTenTimesUnlessAnAcknowledgementEndsIt) {
    MessagingStation s;
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    MsgManager& m = s.station->messages();

    // Unanswered: ten sends, 10 s apart, then the message leaves the queue.
    ASSERT_EQ(
        m.QueueMessage(QStringLiteral("BOB"), QStringLiteral("Are you there?"), QStringLiteral("WIDE2-2"), 0),
        1);
    for (int i = 1; i <= 12; ++i) {
        const size_t expected = static_cast<size_t>(std::min(i, 10));
        ASSERT_TRUE(waitUntil([&] { return s.sentFrames(":BOB").size() == expected; })) << "send " << i;
        s.clock.advance(10000);
    }
    MessagingStation::settle();
    EXPECT_EQ(s.sentFrames(":BOB").size(), 10u);
    const auto content = EngineCodec::parseUnproto(s.sentFrames(":BOB").front());
    EXPECT_EQ(content.info, ":BOB      :Are you there?{1\r\n");
    EXPECT_EQ(content.via, QStringList{QStringLiteral("WIDE2-2")});
    EXPECT_EQ(m.queueCount(), 0);
    // The engine's echoes put the message in the list once, as the station's own.
    ASSERT_EQ(m.count(), 1);
    EXPECT_EQ(m.at(0)->status, MessageStatus::SentByMe);

    // Answered after the third send: the acknowledgement ends it and marks the record.
    ASSERT_EQ(m.QueueMessage(QStringLiteral("CAROL"), QStringLiteral("Ping"), {}, 0), 1);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(waitUntil([&] { return s.sentFrames(":CAROL").size() == static_cast<size_t>(i); }));
        if (i < 3) s.clock.advance(10000);
    }
    // Meanwhile the station acknowledges a message with the same number from someone else; the
    // echo of that acknowledgement must not end the station's own message number 2.
    s.hear(0, QStringLiteral("N0ABC"), {}, ":N0ME     :number two{2");
    ASSERT_TRUE(waitUntil([&] { return !s.sentFrames(":N0ABC    :ack2").empty(); }));
    MessagingStation::settle();
    EXPECT_EQ(m.queueCount(), 1);

    s.hear(0, QStringLiteral("CAROL"), QStringLiteral("WIDE1-1*"), ":N0ME     :ack2");
    ASSERT_TRUE(waitUntil([&] { return m.queueCount() == 0; }));
    s.clock.advance(120000);
    MessagingStation::settle();
    EXPECT_EQ(s.sentFrames(":CAROL").size(), 3u);
    const MessageRecord* own = m.FindMessage(QStringLiteral("N0ME"), QStringLiteral("CAROL"), 2);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->status, MessageStatus::Acknowledged);
    EXPECT_EQ(own->ended, 1);
}

TEST(MessagingLoopback, ABulletinSurvivesARestartAndResumesItsSchedule) {
    MessagingStation s;
    ASSERT_TRUE(s.startAndWaitForMonitoring());
    ASSERT_EQ(s.station->messages().QueueMessage(QStringLiteral("BLN1"), QStringLiteral("Club net 20:00"),
                                                 QStringLiteral("WIDE2-1"), 1),
              1);
    ASSERT_TRUE(waitUntil([&] { return s.sentFrames(":BLN1").size() == 1u; }));
    s.station.reset(); // shutdown saves Data/msg.dat and Data/blns.dat
    ASSERT_TRUE(waitUntil([&] { return s.engine->clientCount() == 0; }));
    s.engine->clearReceived();

    ASSERT_TRUE(s.startAndWaitForMonitoring());
    ASSERT_EQ(s.station->messages().queueCount(), 1);
    // Restored bulletins go out at 10, 20, 40, 70 ... s after the start.
    const std::vector<int> dueSeconds = {10, 20, 40, 70, 110};
    int now = 0;
    for (size_t i = 0; i < dueSeconds.size(); ++i) {
        s.clock.advance((dueSeconds[i] - now) * 1000 - 1);
        MessagingStation::settle();
        EXPECT_EQ(s.sentFrames(":BLN1").size(), i) << "before " << dueSeconds[i] << " s";
        s.clock.advance(1);
        ASSERT_TRUE(waitUntil([&] { return s.sentFrames(":BLN1").size() == i + 1; }))
            << dueSeconds[i] << " s";
        now = dueSeconds[i];
    }
    const EngineFrame f = s.sentFrames(":BLN1").front();
    EXPECT_EQ(f.header.port, 1u);
    EXPECT_EQ(EngineCodec::parseUnproto(f).info, ":BLN1     :Club net 20:00\r\n");
    EXPECT_EQ(EngineCodec::parseUnproto(f).via, QStringList{QStringLiteral("WIDE2-1")});
}
