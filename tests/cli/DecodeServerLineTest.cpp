// APRS-IS server lines become the monitor lines radio frames also become.
#include "aprs/MonitorLine.h"
#include "aprsis/ServerLine.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

const QTime kAt(12, 34, 56);

std::optional<QString> convert(const QByteArray& line, QTime at = kAt) {
    return serverLineToMonitorLine(line, at);
}

TEST(ServerLine, BuildsTheGatewayMonitorLine) {
    EXPECT_EQ(convert("N0CALL>APRS,TCPIP*,qAC,T2TEST:!4903.50N/07201.75W-Test 1"),
              QStringLiteral("GT:Fm N0CALL To APRS Via MYGATE* <UI pid=F0 Len=26 >[12:34:56]\r"
                             "!4903.50N/07201.75W-Test 1\r"));
    // Hours, minutes and seconds have two digits; the header needs no path.
    EXPECT_EQ(convert("A>B:>abc", QTime(1, 2, 3)),
              QStringLiteral("GT:Fm A To B Via MYGATE* <UI pid=F0 Len=4 >[01:02:03]\r>abc\r"));
    // The information field keeps its own colons; its length is counted in bytes.
    EXPECT_EQ(convert("A>B,C::N0CALL   :hi"),
              QStringLiteral("GT:Fm A To B Via MYGATE* <UI pid=F0 Len=13 >[12:34:56]\r:N0CALL   :hi\r"));
    const auto utf8 = convert("A>B:>Gr\xc3\xbc\xc3\x9f"
                              "e");
    ASSERT_TRUE(utf8);
    EXPECT_TRUE(utf8->contains(QStringLiteral("Len=8 ")));
    EXPECT_TRUE(utf8->endsWith(QStringLiteral(">Grüße\r")));
}

TEST(ServerLine, ShortestFieldsKeepMicEWithoutComment) {
    EXPECT_FALSE(convert("A>B:>ab"));           // 3 bytes
    EXPECT_TRUE(convert("A>B:>abc"));           // 4 bytes
    EXPECT_TRUE(convert("A>T2SP0W:`c.l+@&'/")); // a 9-byte Mic-E report
}

TEST(ServerLine, DropsCommentsAndMalformedLines) {
    EXPECT_FALSE(convert("# aprsc 2.1.10 22 Mar 2026 12:34:56 GMT T2TEST 10.0.0.1:14580"));
    EXPECT_FALSE(convert("#A>B:>status"));
    EXPECT_FALSE(convert(""));
    EXPECT_FALSE(convert(":::"));
    EXPECT_FALSE(convert("A>B:"));
    EXPECT_FALSE(convert("NOGREATERTHAN:>status"));
    EXPECT_FALSE(convert("A>:>status"));
    EXPECT_FALSE(convert(">>>:>status"));
    EXPECT_FALSE(convert("ABCDEFGHIJ>APRS:>status")); // 10-character sender
    EXPECT_TRUE(convert("ABCDEFGHI>APRS:>status"));
    EXPECT_FALSE(convert("N0 CALL>APRS:>status"));          // a blank would split the header wrongly
    EXPECT_FALSE(convert(QByteArray("A>B:>ab\0cdef", 12))); // the line ends at NUL
}

} // namespace

// The decode tool hands the station database the pieces of a server line directly; they must be
// what splitting the monitor line gives, for well-formed and hostile lines alike.
TEST(ServerLine, PacketPiecesAreWhatTheMonitorLineSplitGives) {
    const QByteArray lines[] = {
        "N0CALL>APRS,TCPIP*,qAC,T2TEST:!4903.50N/07201.75W-Test 1",
        "A>B:>abc",
        "A>B:>ab",
        "A>B,C::N0CALL   :hi",
        "A>B:>Gr\xc3\xbc\xc3\x9f"
        "e",
        "A>B:>caf\xe9 latin",
        "A\xe9>B:>sender not ASCII",
        "A>B:\r\r\r\rx",
        "A>B:\r\n>abcd",
        "A>B:>ab\rcdef",
        "A>B:>abcdef\r\nmore",
        QByteArray("A>B:>ab\0cdef", 12),
        "A>B:\n\n\n\n",
        "#A>B:>status",
        "A>B C:>abc",
        "ABCDEFGHIJ>B:>too long a sender",
        ">B:>no sender",
        "A>:>no destination",
        "A>B",
    };
    for (const QByteArray& line : lines) {
        const auto monitor = serverLineToMonitorLine(line, kAt);
        const auto split = monitor ? splitMonitorLine(*monitor) : std::nullopt;
        const auto packet = serverLinePacket(line, kAt);
        ASSERT_EQ(packet.has_value(), split.has_value()) << line.toStdString();
        if (!packet) continue;
        EXPECT_EQ(packet->header, split->header.toString()) << line.toStdString();
        EXPECT_EQ(packet->from, split->from.toString()) << line.toStdString();
        EXPECT_EQ(packet->to, split->to.toString()) << line.toStdString();
        EXPECT_EQ(packet->information, split->information) << line.toStdString();

        // Appended after other text, and with the line already standing in that text (the
        // decode command's form): the same pieces.
        QString text = QStringLiteral("earlier lines");
        const auto appended = appendServerLinePacket(text, line, kAt);
        ASSERT_TRUE(appended) << line.toStdString();
        EXPECT_EQ(appended->header.in(text), packet->header) << line.toStdString();
        EXPECT_EQ(appended->from.in(text), packet->from) << line.toStdString();
        EXPECT_EQ(appended->to.in(text), packet->to) << line.toStdString();
        EXPECT_EQ(appended->information.in(text), packet->information) << line.toStdString();
        if (!CodePage::isAscii(line)) continue;
        const qsizetype lineAt = text.size();
        text.append(QLatin1StringView(line));
        const auto inLine = appendServerLinePacket(text, line, kAt, lineAt);
        ASSERT_TRUE(inLine) << line.toStdString();
        EXPECT_EQ(inLine->header.in(text), packet->header) << line.toStdString();
        EXPECT_EQ(inLine->from.in(text), packet->from) << line.toStdString();
        EXPECT_EQ(inLine->to.in(text), packet->to) << line.toStdString();
        EXPECT_EQ(inLine->information.in(text), packet->information) << line.toStdString();
        EXPECT_LT(inLine->information.at, lineAt + line.size()); // a piece of the line, not a copy
    }
}
