// quillpad-cli decode: the "packet" member, format by format, with values worked out from the
// protocol references (APRS 1.0.1 and its addenda), and the refusals.
#include "cli/DecodeCommand.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

struct DecodeOutput {
    std::vector<QJsonObject> records;
    QByteArray out;
};

DecodeOutput run(const QByteArray& input) {
    QByteArray in = input, err;
    DecodeOutput r;
    QBuffer bin(&in), bout(&r.out), berr(&err);
    bin.open(QIODevice::ReadOnly);
    bout.open(QIODevice::WriteOnly);
    berr.open(QIODevice::WriteOnly);
    EXPECT_EQ(runDecodeCommand({}, bin, bout, berr), 0);
    for (const QByteArray& line : r.out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << line.constData();
        r.records.push_back(doc.object());
    }
    return r;
}

// The packet of a single APRS-IS line.
QJsonObject packet(const QByteArray& line) {
    const DecodeOutput r = run(line + "\n");
    EXPECT_EQ(r.records.size(), 1u) << line.constData();
    return r.records.empty() ? QJsonObject() : r.records[0].value("packet").toObject();
}

QString str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}
double num(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toDouble();
}

TEST(DecodePacketCompressed, CourseSpeedAltitudeAndRangeFollowTheCompressionType) {
    // APRS 1.0.1 chapter 9: 49°30'N 72°45'W; "7P" is course 88, speed 1.08^47-1 knots.
    const QJsonObject cs = packet("N0CALL>APRS:=/5L!!<*e7>7P[");
    EXPECT_EQ(str(cs, "format"), "compressed");
    EXPECT_NEAR(num(cs, "lat"), 49.5, 1e-4);
    EXPECT_NEAR(num(cs, "lon"), -72.75, 1e-4);
    EXPECT_EQ(num(cs, "course_deg"), 88);
    EXPECT_NEAR(num(cs, "speed_knots"), 36.2, 0.1);
    EXPECT_TRUE(cs.value("messaging").toBool());
    // "S]" with a GGA source is an altitude of 1.002^4610 feet.
    const QJsonObject alt = packet("N0CALL>APRS:=/5L!!<*e7OS]Q");
    EXPECT_NEAR(num(alt, "altitude_ft"), 10004, 2);
    EXPECT_FALSE(alt.contains("course_deg"));
    // "{?" is a radio range of 2 x 1.08^30 miles.
    const QJsonObject range = packet("N0CALL>APRS:=/5L!!<*e7>{?!");
    EXPECT_NEAR(num(range, "range_mi"), 20.1, 0.1);
    EXPECT_FALSE(range.contains("speed_knots"));
    // A blank cs carries nothing; the comment follows the block.
    const QJsonObject none = packet("N0CALL>APRS:!/5L!!<*e7>  !Plain");
    for (const char* key : {"course_deg", "speed_knots", "altitude_ft", "range_mi"})
        EXPECT_FALSE(none.contains(QLatin1String(key))) << key;
    EXPECT_EQ(str(none, "comment"), "Plain");
}

TEST(DecodePacketPosition, AFieldIsPresentOnlyWhenCarriedSoZeroDiffersFromNone) {
    const QJsonObject zero = packet("N0CALL>APRS:!4903.50N/07201.75W>000/000/A=000000");
    ASSERT_TRUE(zero.contains("course_deg"));
    EXPECT_EQ(num(zero, "course_deg"), 0);
    EXPECT_EQ(num(zero, "speed_knots"), 0);
    EXPECT_EQ(num(zero, "altitude_ft"), 0);
    EXPECT_FALSE(zero.contains("comment"));
    const QJsonObject plain = packet("N0CALL>APRS:!4903.50N/07201.75W>Moving");
    EXPECT_FALSE(plain.contains("course_deg"));
    EXPECT_FALSE(plain.contains("altitude_ft"));
    EXPECT_EQ(str(plain, "comment"), "Moving");
}

TEST(DecodePacketPosition, AmbiguityDaoAndPositionsLaterInTheField) {
    // Four blanked digits: the centre of the 1° box, not its corner.
    const QJsonObject amb = packet("N0CALL>APRS:!49  .  N/072  .  W-Ambiguous");
    EXPECT_EQ(num(amb, "posambiguity"), 4);
    EXPECT_NEAR(num(amb, "lat"), 49.5, 1e-9);
    EXPECT_NEAR(num(amb, "lon"), -72.5, 1e-9);
    // "!W52!": a third minute digit of 5 for the latitude and 2 for the longitude.
    const QJsonObject dao = packet("N0CALL>APRS:!4903.50N/07201.75W>!W52! DAO here");
    EXPECT_NEAR(num(dao, "lat"), 49 + 3.505 / 60, 1e-9);
    EXPECT_NEAR(num(dao, "lon"), -(72 + 1.752 / 60), 1e-9);
    EXPECT_EQ(str(dao, "dao_datum"), "W");
    EXPECT_EQ(str(dao, "comment"), "DAO here");
    // The base-91 form refines to a ten-thousandth of a minute.
    const QJsonObject dao91 = packet("N0CALL>APRS:!4903.50N/07201.75W>!wA&! base91");
    EXPECT_NEAR(num(dao91, "lat"), 49 + (3.50 + 32 / 91.0 / 100) / 60, 1e-9);
    EXPECT_EQ(str(dao91, "comment"), "base91");
    // A TNC's fixed text before the '!'.
    const QJsonObject later = packet("N0CALL>APRS:TNC text !4903.50N/07201.75W-Later");
    EXPECT_EQ(str(later, "type"), "position");
    EXPECT_EQ(str(later, "comment"), "Later");
}

TEST(DecodePacketObjects, ObjectsAndItemsLiveAndKilled) {
    const QJsonObject live = packet("N1CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>088/036/A=001234 Obj");
    EXPECT_EQ(str(live, "type"), "object");
    EXPECT_EQ(str(live, "name"), "LEADER");
    EXPECT_TRUE(live.value("alive").toBool());
    EXPECT_EQ(str(live, "timestamp"), "092345z");
    EXPECT_EQ(num(live, "course_deg"), 88);
    EXPECT_EQ(num(live, "speed_knots"), 36);
    EXPECT_EQ(num(live, "altitude_ft"), 1234);
    EXPECT_EQ(str(live, "comment"), "Obj");
    const QJsonObject phg = packet("N1CALL>APRS:;REPEATER *092345z4903.50N/07201.75WrPHG5132 146.94");
    EXPECT_EQ(phg.value("phg").toObject().value("power_w").toInt(), 25);
    EXPECT_EQ(str(phg, "comment"), "146.94");
    EXPECT_FALSE(packet("N1CALL>APRS:;LEADER   _092345z4903.50N/07201.75W>Killed").value("alive").toBool());
    const QJsonObject item = packet("N1CALL>APRS:)AID #2!4903.50N/07201.75WA");
    EXPECT_EQ(str(item, "type"), "item");
    EXPECT_EQ(str(item, "name"), "AID #2");
    EXPECT_TRUE(item.value("alive").toBool());
    EXPECT_FALSE(packet("N1CALL>APRS:)AID #2_4903.50N/07201.75WA").value("alive").toBool());
}

TEST(DecodePacketWeather, EveryFieldIncludingLuminositySnowRawRainAndStationType) {
    const QJsonObject wx =
        packet("N2CALL>APRS:_10090556c220s004g005t077r001p002P003h50b09900L123s010#123wRSW");
    EXPECT_EQ(str(wx, "type"), "weather");
    const QJsonObject w = wx.value("weather").toObject();
    EXPECT_EQ(w.value("wind_direction_deg").toInt(), 220);
    EXPECT_EQ(w.value("wind_speed_mph").toInt(), 4);
    EXPECT_EQ(w.value("wind_gust_mph").toInt(), 5);
    EXPECT_EQ(w.value("temperature_f").toInt(), 77);
    EXPECT_EQ(w.value("rain_last_hour_hundredths_in").toInt(), 1);
    EXPECT_EQ(w.value("rain_last_24h_hundredths_in").toInt(), 2);
    EXPECT_EQ(w.value("rain_since_midnight_hundredths_in").toInt(), 3);
    EXPECT_EQ(w.value("humidity_pct").toInt(), 50);
    EXPECT_EQ(w.value("pressure_tenths_hpa").toInt(), 9900);
    EXPECT_EQ(w.value("luminosity_wm2").toInt(), 123);
    EXPECT_EQ(w.value("snow_24h_in").toInt(), 10);
    EXPECT_EQ(w.value("rain_raw").toInt(), 123);
    EXPECT_EQ(w.value("station_type").toString(), "wRSW");
    // After a position: "l" is luminosity of 1000 W/m² and more; the wind is not a course.
    const QJsonObject after = packet("N2CALL>APRS:!4903.50N/07201.75W_220/004g005t077l123");
    EXPECT_EQ(after.value("weather").toObject().value("luminosity_wm2").toInt(), 1123);
    EXPECT_FALSE(after.contains("course_deg"));
}

TEST(DecodePacketStatus, TimeStampAndMaidenheadLocator) {
    const QJsonObject stamped = packet("N3CALL>APRS:>092345zNet at 2000");
    EXPECT_EQ(str(stamped, "timestamp"), "092345z");
    EXPECT_EQ(str(stamped, "status"), "Net at 2000");
    const QJsonObject grid = packet("N3CALL>APRS:>IO91SX/G Grid status");
    EXPECT_EQ(str(grid, "maidenhead"), "IO91SX");
    EXPECT_EQ(str(grid, "symbol_code"), "G");
    EXPECT_EQ(str(grid, "status"), "Grid status");
}

TEST(DecodePacketMessages, IdsAcksRejectsReplyAcksBulletinsAndAnnouncements) {
    const QJsonObject msg = packet("N4CALL>APRS::N0CALL   :Hello{001");
    EXPECT_EQ(str(msg, "addressee"), "N0CALL");
    EXPECT_EQ(str(msg, "text"), "Hello");
    EXPECT_EQ(str(msg, "id"), "001");
    EXPECT_EQ(str(packet("N4CALL>APRS::N0CALL   :ack001"), "ack"), "001");
    EXPECT_EQ(str(packet("N4CALL>APRS::N0CALL   :rej001"), "rej"), "001");
    const QJsonObject reply = packet("N4CALL>APRS::N0CALL   :Reply{MM}AA");
    EXPECT_EQ(str(reply, "id"), "MM");
    EXPECT_EQ(str(reply, "reply_ack"), "AA");
    EXPECT_EQ(str(reply, "text"), "Reply");
    EXPECT_EQ(str(packet("N4CALL>APRS::BLN1     :Bulletin"), "type"), "bulletin");
    EXPECT_EQ(str(packet("N4CALL>APRS::BLNA     :Announcement"), "type"), "announcement");
    EXPECT_EQ(str(packet("N4CALL>APRS::N4CALL   :PARM.Volts,Temp"), "type"), "telemetry-message");
}

TEST(DecodePacketOther, TelemetryCapabilitiesAndThirdParty) {
    const QJsonObject t =
        packet("N5CALL>APRS:T#005,199,000,255,073,123,01101001").value("telemetry").toObject();
    EXPECT_EQ(t.value("seq").toString(), "005");
    const QJsonArray vals = t.value("vals").toArray();
    ASSERT_EQ(vals.size(), 5);
    EXPECT_EQ(vals[0].toDouble(), 199);
    EXPECT_EQ(vals[4].toDouble(), 123);
    EXPECT_EQ(t.value("bits").toString(), "01101001");
    // Capability names come from the packet: a quote in one stays inside its key.
    const QJsonObject caps = packet("N5CALL>APRS:<IGATE,MSG_CNT=30,\"x=1").value("capabilities").toObject();
    EXPECT_TRUE(caps.value("IGATE").toBool());
    EXPECT_EQ(caps.value("MSG_CNT").toString(), "30");
    EXPECT_EQ(caps.value("\"x").toString(), "1");
    const QJsonObject third = packet("N6CALL>APRS:}N7CALL>APRS,TCPIP,N6CALL*:!4903.50N/07201.75W-Inner");
    EXPECT_EQ(str(third, "type"), "thirdparty");
    EXPECT_EQ(str(third, "from"), "N7CALL");
    EXPECT_EQ(str(third.value("inner").toObject(), "comment"), "Inner");
}

TEST(DecodePacketRefusals, WhatThePublicParsersRefuseStaysRefused) {
    for (const char* line : {"N8CALL>APRS:!4903.50N$07201.75W-BadTable", // no such symbol table
                             "N8CALL>APRS:!9903.50N/07201.75W-OffGlobe", // latitude above 90
                             "N8CALL>APRS:!4903.50N/18201.75W-OffGlobe", // longitude above 180
                             "N8CALL>AB:`c51!f?>/",                      // destination too short for Mic-E
                             "N8CALL>APRS:;BAD"}) {                      // object without its fields
        const QJsonObject p = packet(line);
        EXPECT_EQ(str(p, "type"), "invalid") << line;
        EXPECT_FALSE(str(p, "reason").isEmpty()) << line;
    }
}

TEST(DecodePacketOutput, HostileBytesAlwaysGiveOneValidObjectPerLine) {
    // Control characters, quotes, backslashes, invalid UTF-8 and a lone surrogate's bytes.
    QByteArray input;
    input += "N0CALL>APRS:>quote \" back \\ tab \t bell \x07 end\n";
    input += "N0CALL>APRS:!4903.50N/07201.75W-\xff\xfe\x80 latin\n";
    input += "N0CALL>APRS:>\xed\xa0\x80 surrogate\n";
    input += "N0CALL>APRS:>caf\xc3\xa9\n";
    const DecodeOutput r = run(input);
    ASSERT_EQ(r.records.size(), 4u);
    EXPECT_EQ(str(r.records[0].value("packet").toObject(), "status"),
              "quote \" back \\ tab \t bell \x07 end");
    EXPECT_EQ(str(r.records[3].value("packet").toObject(), "status"), QStringLiteral("caf\u00e9"));
}

TEST(DecodePacketOutput, LongInputKeepsItsOrderAcrossReadBlocks) {
    // Far more than one read block of 256 KB, with a monitor header whose information line is in
    // the next block: every record comes out once, in input order.
    constexpr qsizetype kBlock = 1 << 18;
    const QByteArray header = " 1:Fm BOUND To APRS <UI pid=F0 Len=30 >[10:00:00]\n";
    QByteArray input;
    int count = 0;
    const auto add = [&](const QByteArray& line) {
        input += line;
        ++count;
    };
    const auto serverLine = [&] {
        return "N" + QByteArray::number(count % 997) + "X>APRS,TCPIP*:!4903.50N/07201.75W-line " +
               QByteArray::number(count) + "\n";
    };
    while (input.size() + 2 * serverLine().size() + header.size() < kBlock) add(serverLine());
    const qsizetype fill = kBlock - header.size() - input.size();
    add("N0X>APRS:>" + QByteArray(fill - 11, 'x') + "\n");
    ASSERT_EQ(input.size() + header.size(), kBlock);
    input += header; // the header ends the first block; its information line starts the second
    add(">status " + QByteArray::number(count) + "\n");
    const int boundary = count - 1;
    while (count < 6000) add(serverLine());

    const DecodeOutput r = run(input);
    ASSERT_EQ(static_cast<int>(r.records.size()), count);
    const QJsonObject split = r.records[static_cast<size_t>(boundary)].value("packet").toObject();
    EXPECT_EQ(str(split, "status"), "status " + QString::number(boundary));
    for (int i = boundary + 1; i < count; i += 499)
        EXPECT_TRUE(str(r.records[static_cast<size_t>(i)].value("packet").toObject(), "comment")
                        .endsWith(QLatin1Char(' ') + QString::number(i)))
            << i;
    EXPECT_TRUE(str(r.records[7].value("packet").toObject(), "comment").endsWith(u" 7"));
}

TEST(DecodePacketOutput, AnEndlessLineIsSkippedAndMemoryStaysBounded) {
    // 3 MB without a line end between two packets: both packets come out, the monster does not,
    // and standard error says so.
    QByteArray input = "N0CALL>APRS:>before\n";
    input += "N0CALL>APRS:>" + QByteArray(3 << 20, 'x') + "\n";
    input += "N1CALL>APRS:>after\n";
    QByteArray in = input, out, err;
    QBuffer bin(&in), bout(&out), berr(&err);
    bin.open(QIODevice::ReadOnly);
    bout.open(QIODevice::WriteOnly);
    berr.open(QIODevice::WriteOnly);
    ASSERT_EQ(runDecodeCommand({}, bin, bout, berr), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("before"));
    EXPECT_TRUE(lines[1].contains("after"));
    EXPECT_TRUE(err.contains("1 line(s) longer than"));
}

} // namespace
