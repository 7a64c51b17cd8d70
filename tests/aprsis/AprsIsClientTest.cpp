#include "aprsis/APRSServerClient.h"
#include "aprsis/Passcode.h"
#include "aprsis/ServerLineReader.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {
std::vector<QByteArray> readLines(std::initializer_list<QByteArray> chunks) {
    ServerLineReader reader;
    std::vector<QByteArray> lines;
    for (const QByteArray& c : chunks) reader.feed(c, lines);
    return lines;
}
} // namespace

TEST(ServerLineReader, CrLfCrAndLfEndLinesAndEmptyLinesAreSkipped) {
    const auto lines = readLines({"a\r\nb\rc\n\r\n\n", "d", "e\r", "\nf"});
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "c");
    EXPECT_EQ(lines[3], "de");
}

TEST(ServerLineReader, FiveHundredBytesAreKeptAndALongerLineIsThrownAwayWithTheRestOfItsChunk) {
    const QByteArray line500(500, 'x');
    auto lines = readLines({line500 + "\r"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 500);

    lines = readLines({QByteArray(501, 'y') + "\rlost in the same chunk\r", "kept\r"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "kept");

    // The overlong line may build up over several chunks.
    lines = readLines({QByteArray(300, 'z'), QByteArray(300, 'z') + "\rlost\r", "next\r"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "next");
}

TEST(AprsIsClient, LoginLineKeepsTheFilterAsStoredAndEndsInCrLf) {
    EXPECT_EQ(APRSServerClient::loginLine("N0CALL", "12345", ""),
              "user N0CALL pass 12345 vers Quillon 2005 \r\n");
    EXPECT_EQ(APRSServerClient::loginLine("N0CALL", "-1", "Filter r/40/22/50"),
              "user N0CALL pass -1 vers Quillon 2005 Filter r/40/22/50\r\n");
}

TEST(AprsIsClient, OwnPacketBytesEndInOneCrAndTheUnicodeFormHasOneZeroByte) {
    OutboundPacket p{QStringLiteral("=4035.90N/02258.20E-"),
                     QStringLiteral("Quillon"),
                     QStringLiteral("N0CALL"),
                     QStringLiteral("APZEL"),
                     QStringLiteral("RELAY"),
                     -1};
    EXPECT_EQ(APRSServerClient::packetBytes(p, false), "N0CALL>APZEL,TCPIP*:=4035.90N/02258.20E-Quillon\r");
    EXPECT_EQ(APRSServerClient::packetBytes(p, true), QByteArray("N0CALL>APZEL,TCPIP*:=4035.90N/02258.20E-") +
                                                          QByteArray("\0Q\0u\0i\0l\0l\0o\0n\0\r", 16));
    p.part2.clear();
    EXPECT_EQ(APRSServerClient::packetBytes(p, true), "N0CALL>APZEL,TCPIP*:=4035.90N/02258.20E-\r");
}

TEST(AprsIsClient, EchoLineUsesMygateWithoutStarAndLocalTime) {
    OutboundPacket p{QStringLiteral(">"),
                     QStringLiteral("QUILLON"),
                     QStringLiteral("N0CALL"),
                     QStringLiteral("APZEL"),
                     {},
                     -1};
    EXPECT_EQ(APRSServerClient::echoLine(p, QDateTime(QDate(2026, 1, 2), QTime(7, 8, 9))),
              "GT:Fm N0CALL To APZEL Via MYGATE <UI pid=F0 Len=8 >[07:08:09]\r>QUILLON\r");
}

TEST(AprsIsPasscode, KnownValuesAndTheSsidIsIgnored) {
    EXPECT_EQ(aprsPasscode("N0CALL"), 13023);
    EXPECT_EQ(aprsPasscode("n0call-9"), 13023);
    EXPECT_EQ(aprsPasscode(""), 0x73e2 & 0x7fff);
}

TEST(AprsIsClient, ServerTextGivesHostAndPortWith23WhenMissingOrZero) {
    using P = std::pair<QString, quint16>;
    EXPECT_EQ(APRSServerClient::parseServerText("rotate.aprs2.net:14580"), P("rotate.aprs2.net", 14580));
    EXPECT_EQ(APRSServerClient::parseServerText("example.net"), P("example.net", 23));
    EXPECT_EQ(APRSServerClient::parseServerText("example.net:0"), P("example.net", 23));
    EXPECT_EQ(APRSServerClient::parseServerText("example.net:"), P("example.net", 23));
    EXPECT_EQ(APRSServerClient::parseServerText("example.net:10152;Full feed"), P("example.net", 10152));
    EXPECT_EQ(APRSServerClient::parseServerText("::example.net:14580:x"), P("example.net", 14580));
    EXPECT_EQ(APRSServerClient::parseServerText("example.net:99999"), P("example.net", 23));
}
