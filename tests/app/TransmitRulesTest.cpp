#include "engine/EngineFrame.h"
#include "platform/TextRules.h"
#include "support/LinkedStation.h"

#include <gtest/gtest.h>

// What never leaves the station: texts with line breaks or NULs (a beacon text with a line break
// would inject a second line to the server), and nothing on a period of 0 or below.

TEST(TransmitRules, BeaconAndPositionTextsWithALineBreakOrNulAreNotSentAnywhere) {
    LinkedStation s;
    write(s.t.settings, Settings::POSEVERY, 0);
    write(s.t.settings, Settings::BTEXT, -1, QStringLiteral("hello\r\nN0EVIL>APRS:!injected"));
    write(s.t.settings, Settings::BTEXT, 0, QStringLiteral("nul") + QChar(0) + QStringLiteral("inside"));
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.engine->clearReceived();
    s.tick();
    s.settle();
    EXPECT_TRUE(s.server.receivedLines().isEmpty());
    EXPECT_TRUE(s.framesOfKind("MV").empty());

    // The position report's text the same; a clean one goes out on both ports.
    write(s.t.settings, Settings::POSTEXT, QStringLiteral("home\nN0EVIL>APRS:!injected"));
    s.station->sendPositionNow();
    s.settle();
    EXPECT_TRUE(s.server.receivedLines().isEmpty());
    write(s.t.settings, Settings::POSTEXT, QStringLiteral("clean"));
    s.station->sendPositionNow();
    ASSERT_TRUE(
        waitUntil([&] { return s.server.receivedLines().size() == 1 && s.framesOfKind("MV").size() == 1; }));
    EXPECT_EQ(s.server.receivedLines().front(), "N0QPA>APZEL,TCPIP*:=4035.90N/02258.20E-clean");
}

TEST(TransmitRules, ALoginLineWithALineBreakIsNeverWritten) {
    LinkedStation s;
    write(s.t.settings, Settings::APRSRVLOGIN, QStringLiteral("N0QPA"));
    write(s.t.settings, Settings::APRSRVPASSWORD, QStringLiteral("12345"));
    write(s.t.settings, Settings::APRSRVFILTER, QStringLiteral("filter r/37/23/50\r\n# injected"));
    s.start();
    EXPECT_FALSE(s.station->aprsClient()); // refused before connecting
    s.settle();
    EXPECT_TRUE(s.server.loginLines().isEmpty());
}

TEST(TransmitRules, PeriodsOfZeroOrBelowMeanNever) {
    for (int period : {0, -1, -30}) {
        LinkedStation s;
        write(s.t.settings, Settings::POSEVERY, period);
        write(s.t.settings, Settings::BTIME, -1, period);
        write(s.t.settings, Settings::BTIME, 0, period);
        ASSERT_TRUE(s.startAndWaitForBoth());
        s.engine->clearReceived();
        for (int minute = 0; minute < 5; ++minute) s.tick();
        s.settle();
        EXPECT_TRUE(s.server.receivedLines().isEmpty()) << period;
        EXPECT_TRUE(s.framesOfKind("MV").empty()) << period;
    }
}

TEST(TransmitRules, CallSignsAndTexts) {
    for (const char* call : {"N0QPA", "N0QPA-9", "SV2ABC-15", "W1AW", "N0QPA-A"})
        EXPECT_TRUE(TextRules::isCallSign(QString::fromLatin1(call))) << call;
    for (const char* call : {"", "n0qpa", "N0QPA-", "-9", "N0QPA-9-1", "TOOLONGCALL", "N0 QPA", "N0QPA/P"})
        EXPECT_FALSE(TextRules::isCallSign(QString::fromLatin1(call))) << call;
    EXPECT_TRUE(TextRules::hasControlCharacter(u"a\tb"));
    EXPECT_TRUE(TextRules::hasControlCharacter(QString(QChar(0x85))));
    EXPECT_FALSE(TextRules::hasControlCharacter(u"Grüße 73"));
    // A Mic-E information field holds 0x1C..0x1F and goes out; CR, LF and NUL never do.
    EXPECT_TRUE(TextRules::isSendableInformation(QString::fromLatin1("`\x1c\x1d\x1e\x1f>/]")));
    EXPECT_FALSE(TextRules::isSendableInformation(u"a\rb"));
    EXPECT_FALSE(TextRules::isSendableInformation(u"a\nb"));
    EXPECT_FALSE(TextRules::isSendableInformation(QString(QChar(0))));
    EXPECT_TRUE(TextRules::isSendableInformation(u":BOB      :Are you there?{1\r\n")); // a message's own end
    EXPECT_FALSE(TextRules::isSendableInformation(u":BOB      :one\r\ntwo{1\r\n"));
}
