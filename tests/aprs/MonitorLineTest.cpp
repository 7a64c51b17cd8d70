// Monitor lines: splitting, the duplicate filter, dispatch, relayed packets and heard paths.
#include "aprs/MonitorLine.h"
#include "aprs/MessageSink.h"
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

QString radioLine(const QString& from, const QString& path, const QString& info,
                  const QString& time = "12:00:00") {
    const QString via = path.isEmpty() ? QString() : QStringLiteral("Via ") + path + QLatin1Char(' ');
    return QStringLiteral("1:Fm %1 To APRS %2<UI pid=F0 Len=%3 >[%4]\r%5\r")
        .arg(from, via, QString::number(info.size()), time, info)
        .prepend(QLatin1Char(' '));
}

const QString kPosition = QStringLiteral("!4903.50N/07201.75W-Test");

struct Messages : MessageSink {
    struct Call {
        QString information, from, header;
        int port;
    };
    std::vector<Call> calls;
    void ProcessMessage(const QString& information, const QString& from, const QString& header,
                        int port) override {
        calls.push_back({information, from, header, port});
    }
};

struct MonitorLineTest : ::testing::Test {
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};
};

TEST(MonitorLineSplit, TakesHeaderFromToAndInformation) {
    const auto m =
        splitMonitorLine(QStringLiteral("GT:Fm N0CALL To APRS Via MYGATE* <UI pid=F0 Len=26 >[12:34:56]\r"
                                        "!4903.50N/07201.75W-Test 1\r"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header, QStringLiteral("GT:Fm N0CALL To APRS Via MYGATE* <UI pid=F0 Len=26 >[12:34:56]"));
    EXPECT_EQ(m->from, QStringLiteral("N0CALL"));
    EXPECT_EQ(m->to, QStringLiteral("APRS"));
    EXPECT_EQ(m->information, QStringLiteral("!4903.50N/07201.75W-Test 1"));

    // LF and CR LF break lines too; blank lines between header and information are skipped.
    const auto lf = splitMonitorLine(QStringLiteral("00:Fm A To B <UI>[00:00:00]\r\n\n>abcd\n"));
    ASSERT_TRUE(lf);
    EXPECT_EQ(lf->information, QStringLiteral(">abcd"));
}

TEST(MonitorLineSplit, DropsIncompleteLinesAndShortInformation) {
    EXPECT_FALSE(splitMonitorLine(QString()));
    EXPECT_FALSE(splitMonitorLine(QStringLiteral("\r\n")));
    EXPECT_FALSE(splitMonitorLine(QStringLiteral("00:Fm A To B <UI>[00:00:00]\r")));      // no information
    EXPECT_FALSE(splitMonitorLine(QStringLiteral("00:Fm A To B <UI>[00:00:00]\r>ab\r"))); // 3 characters
    EXPECT_TRUE(splitMonitorLine(QStringLiteral("00:Fm A To B <UI>[00:00:00]\r>abc\r")));
    EXPECT_FALSE(splitMonitorLine(QStringLiteral("00:Fm A\r>abcdef\r")));
    // The text ends at a NUL.
    EXPECT_FALSE(splitMonitorLine(QStringLiteral("00:Fm A To B <UI>[00:00:00]\r") + QChar(0) +
                                  QStringLiteral(">abcd\r")));
}

TEST(MonitorLineSplit, RelayedPacketPieces) {
    const auto r = splitRelayedPacket(QStringLiteral("}N0CALL>APRS,TCPIP*:!4903.50N/07201.75W-"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->from, QStringLiteral("N0CALL"));
    EXPECT_EQ(r->to, QStringLiteral("APRS"));
    EXPECT_EQ(r->information, QStringLiteral("!4903.50N/07201.75W-"));
    EXPECT_FALSE(splitRelayedPacket(QStringLiteral("}>APRS,X:!4903.50N/07201.75W-"))); // no sender
    EXPECT_FALSE(splitRelayedPacket(QStringLiteral("}N0CALL>APRS,TCPIP*")));           // no inner field
    EXPECT_EQ(relayedHeaderLine(u"A", u"B", u"C"),
              QStringLiteral("00:Fm A To B Via C* <UI pid=F0 Len=10 >[06:39:03]"));
}

TEST(MonitorLineChecksum, IsIeeeCrc32OverTheLowBytes) {
    const QByteArray check("123456789");
    EXPECT_EQ(crc32Ieee(reinterpret_cast<const uint8_t*>(check.constData()), 9), 0xCBF43926u);
    const QByteArray joined("A B H I");
    EXPECT_EQ(monitorChecksum(u"A", u"B", u"H", u"I"),
              crc32Ieee(reinterpret_cast<const uint8_t*>(joined.constData()), 7));
    // Only the low byte of each UTF-16 unit counts.
    EXPECT_EQ(monitorChecksum(QString(QChar(0x0141)), u"B", u"H", u"I"),
              monitorChecksum(u"A", u"B", u"H", u"I"));
}

TEST(MonitorLineChecksum, LongFieldsMatchTheBytewiseCrc) {
    // Fields of every length up to 1,200 exercise the eight-at-a-time steps, the folding of
    // sixteen-byte blocks from 64 bytes on, every tail, and lines too long for the packed buffer.
    QString text;
    for (int i = 0; i < 1200; ++i) text += QChar(0x20 + (i * 37) % 0xDF + (i % 3 == 0 ? 0x100 : 0));
    for (int n = 0; n <= 1200; ++n) {
        const QString info = text.left(n);
        QByteArray low = QByteArrayLiteral("FROM TO HEADER LINE ");
        for (QChar c : info) low += static_cast<char>(c.unicode() & 0xFF);
        EXPECT_EQ(
            monitorChecksum(u"FROM", u"TO", u"HEADER LINE", info),
            crc32Ieee(reinterpret_cast<const uint8_t*>(low.constData()), static_cast<size_t>(low.size())))
            << n;
    }
}

TEST(MonitorLineTokens, AgreeWithAPlainStrtokOnRandomText) {
    // Texts over a small alphabet that is half delimiters, long enough for the vector scan.
    const QString alphabet = QStringLiteral("ab ,\r\n>:*");
    const QStringView sets[] = {u" ", u"\r\n", u",>", u", *"};
    uint32_t seed = 12345;
    auto rnd = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = static_cast<int>(rnd() % 60);
        for (int i = 0; i < length; ++i) text += alphabet[static_cast<qsizetype>(rnd() % alphabet.size())];
        const QStringView delimiters = sets[rnd() % 4];
        TokenCursor cursor(text);
        qsizetype pos = 0;
        for (;;) {
            while (pos < text.size() && delimiters.contains(text[pos])) ++pos;
            qsizetype end = pos;
            while (end < text.size() && !delimiters.contains(text[end])) ++end;
            const QStringView expected = QStringView(text).mid(pos, end - pos);
            const QStringView token = cursor.next(delimiters);
            ASSERT_EQ(token.toString(), expected.toString()) << text.toStdString();
            if (expected.isEmpty()) break;
            pos = end < text.size() ? end + 1 : end;
        }
    }
}

TEST_F(MonitorLineTest, PositionBecomesAStationWithItsLastPacket) {
    StationRecord* r = stations.ProcessMonitorText(radioLine("N0CALL", {}, kPosition), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, QStringLiteral("N0CALL"));
    EXPECT_EQ(r->lastPacket, kPosition);
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->heardVia(), QStringLiteral("Direct"));
    EXPECT_NE(r->lastChecksum, 0u);
}

TEST_F(MonitorLineTest, CourseOutOfRangeIsStoredAsZero) {
    // A damaged file can leave a course of 360 or more; the next packet that leaves the course
    // alone still brings it back into range.
    StationRecord* r = stations.Create();
    r->call = QStringLiteral("N0CALL");
    r->course = 360;
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("N0CALL", {}, kPosition), 0), r);
    EXPECT_EQ(r->course, 0u);
}

TEST_F(MonitorLineTest, HeardViaIsTheStarredDigipeaterOrDirect) {
    StationRecord* a = stations.ProcessMonitorText(radioLine("A1", "WIDE1-1*,WIDE2-1", kPosition), 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->heardVia(), QStringLiteral("WIDE1-1"));
    EXPECT_EQ(a->heardPaths.digipeaters[0], QStringLiteral("WIDE1-1,WIDE2-1"));
    StationRecord* b = stations.ProcessMonitorText(radioLine("B2", "WIDE1-1,WIDE2-1", kPosition), 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->heardVia(), QStringLiteral("Direct"));
    EXPECT_EQ(b->heardPaths.digipeaters[0], QStringLiteral("WIDE1-1,WIDE2-1"));
    StationRecord* c = stations.ProcessMonitorText(radioLine("C3", "DIGI1*,DIGI2*", kPosition), 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->heardVia(), QStringLiteral("DIGI1"));
}

TEST_F(MonitorLineTest, SameLineInTheSameSecondOnlyRefreshesLastHeard) {
    const QString line = radioLine("N0CALL", {}, kPosition, "12:00:00");
    StationRecord* r = stations.ProcessMonitorText(line, 0);
    ASSERT_NE(r, nullptr);
    const SystemTime first = r->lastHeard;
    r->comment = QStringLiteral("marker");
    clock.advance(20000);
    EXPECT_EQ(stations.ProcessMonitorText(line, 0), nullptr);
    EXPECT_EQ(r->comment, QStringLiteral("marker")); // not decoded again
    EXPECT_EQ(r->lastHeard, SystemTime::fromDateTime(clock.nowLocal()));
    EXPECT_NE(r->lastHeard, first);
    // The next second's copy is a new packet.
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("N0CALL", {}, kPosition, "12:00:01"), 0), r);
    EXPECT_EQ(r->isNew, 0);
}

TEST_F(MonitorLineTest, RelayedPacketIsTheInnerStationHeardViaTheRelay) {
    const QString outer = QStringLiteral("}N0CALL>APRS,TCPIP*:!4903.50N/07201.75W-");
    StationRecord* r = stations.ProcessMonitorText(radioLine("GATE", "WIDE1-1*", outer, "10:00:00"), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, QStringLiteral("N0CALL"));
    EXPECT_EQ(r->heardVia(), QStringLiteral("GATE"));
    EXPECT_EQ(r->lastPacket, outer);
    EXPECT_EQ(r->heardPaths.keys[0], QStringLiteral("00:Fm N0CALL To APRS Via GATE* "));
    EXPECT_EQ(stations.FindByCall(QStringLiteral("GATE")), nullptr);
    // The relayed header has a constant time: the same packet relayed later is a duplicate.
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("GATE", "WIDE1-1*", outer, "10:05:00"), 0), nullptr);
}

TEST_F(MonitorLineTest, NestedRelaysUnwrapUpToSixteenLevels) {
    auto nested = [](int levels) {
        QString info = QStringLiteral("!4903.50N/07201.75W-");
        for (int i = levels; i >= 1; --i) info.prepend(QStringLiteral("}L%1>APRS,X:").arg(i));
        return info;
    };
    StationRecord* r = stations.ProcessMonitorText(radioLine("GATE", {}, nested(16)), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, QStringLiteral("L16"));
    EXPECT_EQ(r->heardVia(), QStringLiteral("L15"));
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("GATE", {}, nested(17)), 0), nullptr);
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("GATE", {}, nested(3000)), 0), nullptr);
    EXPECT_EQ(stations.count(), 1);
    // A relayed field too short to dispatch is dropped.
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("GATE", {}, QStringLiteral("}A>B,C:!")), 0), nullptr);
}

TEST_F(MonitorLineTest, DxSpotsUnknownTypesAndStatusYieldNoStation) {
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("A", {}, "DX de N0CALL 14.070"), 0), nullptr);
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("A", {}, "Hello there"), 0), nullptr);
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("A", {}, ">Status text"), 0), nullptr);
    EXPECT_EQ(stations.ProcessMonitorText(radioLine("A", {}, "!ab"), 0), nullptr); // 3 characters
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(MonitorLineTest, MessagesGoToTheMessageSink) {
    const QString info = QStringLiteral(":N0CALL   :Hello{1");
    const QString line = radioLine("SENDER", "WIDE1-1*", info);
    EXPECT_EQ(stations.ProcessMonitorText(line, 3), nullptr); // no sink: dropped
    Messages sink;
    stations.setMessageSink(&sink);
    EXPECT_EQ(stations.ProcessMonitorText(line, 3), nullptr);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].information, info);
    EXPECT_EQ(sink.calls[0].from, QStringLiteral("SENDER"));
    EXPECT_EQ(sink.calls[0].header, line.section(QLatin1Char('\r'), 0, 0));
    EXPECT_EQ(sink.calls[0].port, 3);
}

TEST(HeardPath, RingOfTwentyWrapsAndIgnoresKnownPaths) {
    StationRecord r;
    auto header = [](int i) {
        return QStringLiteral("00:Fm A To B Via D%1* <UI pid=F0 Len=4 >[00:00:00]").arg(i);
    };
    for (int i = 0; i < 20; ++i) r.RecordHeardPath(header(i));
    EXPECT_EQ(r.heardPaths.next, 20);
    EXPECT_EQ(r.heardVia(), QStringLiteral("D19"));
    r.RecordHeardPath(header(5)); // known key: nothing
    EXPECT_EQ(r.heardPaths.next, 20);
    r.RecordHeardPath(header(20)); // wraps into slot 0
    EXPECT_EQ(r.heardPaths.next, 1);
    EXPECT_EQ(r.heardPaths.keys[0], QStringLiteral("00:Fm A To B Via D20* "));
    EXPECT_EQ(r.heardPaths.heardVia[0], QStringLiteral("D20"));
    EXPECT_EQ(r.heardVia(), QStringLiteral("D20"));
    EXPECT_EQ(r.heardPaths.keys[1], QStringLiteral("00:Fm A To B Via D1* "));

    StationRecord empty;
    empty.RecordHeardPath(QStringLiteral("<no key>"));
    EXPECT_EQ(empty.heardPaths.next, 0);
    EXPECT_EQ(empty.heardVia(), QString());
    empty.heardPaths.next = -7; // from a damaged file
    empty.RecordHeardPath(header(1));
    EXPECT_EQ(empty.heardPaths.next, 1);
}

TEST(HeardPath, DigipeaterListDropsStarsAndKeepsTwentyElements) {
    StationRecord r;
    QStringList path;
    for (int i = 0; i < 25; ++i) path << QStringLiteral("D%1").arg(i);
    path[2] += QLatin1Char('*');
    r.RecordHeardPath(QStringLiteral("00:Fm A To B Via %1 <UI>").arg(path.join(QLatin1Char(','))));
    EXPECT_EQ(r.heardVia(), QStringLiteral("D2"));
    EXPECT_EQ(r.heardPaths.digipeaters[0].split(QLatin1Char(',')).size(), 20);
    EXPECT_FALSE(r.heardPaths.digipeaters[0].contains(QLatin1Char('*')));
    // A star inside an element still marks it (less its last character); a lone star is no element.
    StationRecord odd;
    odd.RecordHeardPath(QStringLiteral("00:Fm A To B Via A*B,*,C <UI>"));
    EXPECT_EQ(odd.heardVia(), QStringLiteral("A*"));
    EXPECT_EQ(odd.heardPaths.digipeaters[0], QStringLiteral("AB,C"));
    // "Via" must be the fifth word; elsewhere it is just text.
    StationRecord s;
    s.RecordHeardPath(QStringLiteral("00:Fm Via To B X1*,X2 <UI>"));
    EXPECT_EQ(s.heardVia(), QStringLiteral("Direct"));
    EXPECT_EQ(s.heardPaths.digipeaters[0], QString());
}

} // namespace
