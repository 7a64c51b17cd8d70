#include "engine/EngineFrame.h"
#include "support/LinkedStation.h"

#include <gtest/gtest.h>

// A station whose call sign is not set listens on both links but transmits nothing on either:
// no position report, beacon, acknowledgement, message or GPS report.
namespace {
struct UnnamedStation : LinkedStation {
    explicit UnnamedStation(const QString& myCall) { write(t.settings, Settings::MYCALL, myCall); }
    void hearMessageFor(const QString& addressee) {
        const QByteArray info = ":" + addressee.leftJustified(9, QLatin1Char(' ')).toLatin1() + ":hello{7";
        engine->sendMonitored(0, 'U',
                              EngineSimulator::monitorText(0, QStringLiteral("N1ABC"), QStringLiteral("APRS"),
                                                           {}, info, QTime(10, 0, 0)));
    }
};
} // namespace

TEST(NoCall, NothingIsSentOnEitherLinkWhileTheCallIsUnsetButTrafficIsStillReceived) {
    for (const QString& call : {QStringLiteral("NOCALL"), QStringLiteral(""), QStringLiteral(" nocall ")}) {
        UnnamedStation s(call);
        ASSERT_TRUE(s.startAndWaitForBoth()) << call.toStdString();
        s.engine->clearReceived();
        s.tick(); // position report and beacon texts are due on both ports
        s.station->sendPositionNow();
        s.hearMessageFor(call.trimmed().isEmpty() ? QStringLiteral("NOCALL") : call.trimmed());
        s.server.sendLine("N2XYZ>APRS,TCPIP*,qAC,T2TEST:!4903.50N/07201.75W-from the internet");
        ASSERT_TRUE(waitUntil([&] { return s.handled.size() >= 2; }));
        s.settle();
        EXPECT_TRUE(s.framesOfKind("MV").empty()) << call.toStdString();
        EXPECT_TRUE(s.server.receivedLines().isEmpty()) << call.toStdString();
        // Received on both links all the same, and nothing echoed as sent.
        EXPECT_TRUE(s.station->stations().FindByCall(u"N2XYZ"));
        for (const ReceivedFrame& f : s.handled) EXPECT_EQ(f.ownTransmission, 0) << f.text.toStdString();
    }
}

TEST(NoCall, ACallSetWhileRunningTakesEffectAtTheNextTransmission) {
    UnnamedStation s(QStringLiteral("NOCALL"));
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.station->sendPositionNow();
    s.settle();
    EXPECT_TRUE(s.server.receivedLines().isEmpty());
    write(s.t.settings, Settings::MYCALL, QStringLiteral("N0QPA-5"));
    s.station->sendPositionNow();
    ASSERT_TRUE(
        waitUntil([&] { return s.server.receivedLines().size() == 1 && s.framesOfKind("MV").size() == 1; }));
    EXPECT_TRUE(s.server.receivedLines().front().startsWith("N0QPA-5>APZEL,TCPIP*:="));
}
