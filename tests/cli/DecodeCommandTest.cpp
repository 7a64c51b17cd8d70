// quillpad-cli decode: lines in, one JSON object per record out, through a real station database.
#include "cli/DecodeCommand.h"
#include "support/TempHome.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

struct DecodeRun {
    int code = 0;
    std::vector<QJsonObject> records;
    QByteArray out, err;
};

DecodeRun decode(const QByteArray& input, const QStringList& args = {}) {
    QByteArray in = input;
    QBuffer inBuf(&in);
    inBuf.open(QIODevice::ReadOnly);
    DecodeRun run;
    QBuffer outBuf(&run.out);
    QBuffer errBuf(&run.err);
    outBuf.open(QIODevice::WriteOnly);
    errBuf.open(QIODevice::WriteOnly);
    run.code = runDecodeCommand(args, inBuf, outBuf, errBuf);
    for (const QByteArray& line : run.out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << line.constData();
        run.records.push_back(doc.object());
    }
    return run;
}

QJsonObject station(const QJsonObject& record) {
    return record.value(QStringLiteral("station")).toObject();
}

TEST(DecodeCommand, NewUserExamplePrintsTheStation) {
    const DecodeRun r = decode("N0CALL>APRS,WIDE1-1:!4903.50N/07201.75W-Test\n");
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].value("line").toString(),
              QStringLiteral("N0CALL>APRS,WIDE1-1:!4903.50N/07201.75W-Test"));
    const QJsonObject s = station(r.records[0]);
    EXPECT_EQ(s.value("call").toString(), QStringLiteral("N0CALL"));
    EXPECT_EQ(s.value("owner").toString(), QString());
    EXPECT_NEAR(s.value("lat").toDouble(), 49.058333, 1e-6);
    EXPECT_NEAR(s.value("lon").toDouble(), -72.029167, 1e-6);
    EXPECT_EQ(s.value("symbol_table").toString(), QStringLiteral("/"));
    EXPECT_EQ(s.value("symbol_code").toString(), QStringLiteral("-"));
    EXPECT_EQ(s.value("symbol_name").toString(), QStringLiteral("House QTH (VHF)"));
    EXPECT_EQ(s.value("type").toInt(), 0);
    EXPECT_EQ(s.value("type_name").toString(), QStringLiteral("Fixed"));
    EXPECT_EQ(s.value("comment").toString(), QStringLiteral("Test"));
    EXPECT_TRUE(s.value("is_new").toBool());
    EXPECT_EQ(s.value("heard_via").toString(), QStringLiteral("MYGATE"));
    EXPECT_EQ(s.value("last_packet").toString(), QStringLiteral("!4903.50N/07201.75W-Test"));
    for (const char* key : {"course", "speed_knots", "altitude_ft", "status"})
        EXPECT_TRUE(s.contains(key)) << key;
    EXPECT_FALSE(s.contains("phg"));
    EXPECT_FALSE(s.contains("weather"));
}

TEST(DecodeCommand, MonitorHeaderTakesTheNextLineAsInformation) {
    const DecodeRun r = decode(" 1:Fm GATE To APRS Via WIDE1-1* <UI pid=F0 Len=40 >[10:00:00]\r\n"
                               "}N0CALL>APRS,TCPIP*:!4903.50N/07201.75W-\r\n"
                               "\n"
                               " 1:Fm W1AW To APRS <UI pid=F0 Len=30 >[10:00:01]\n"
                               "=4903.50N/07201.75W_PHG5132\n"
                               "garbage without structure\n"
                               " 1:Fm LAST To APRS <UI pid=F0 Len=30 >[10:00:01]\n");
    ASSERT_EQ(r.records.size(), 4u);
    EXPECT_EQ(r.records[0].value("line").toString(),
              QStringLiteral(" 1:Fm GATE To APRS Via WIDE1-1* <UI pid=F0 Len=40 >[10:00:00]\n"
                             "}N0CALL>APRS,TCPIP*:!4903.50N/07201.75W-"));
    EXPECT_EQ(station(r.records[0]).value("call").toString(), QStringLiteral("N0CALL"));
    EXPECT_EQ(station(r.records[0]).value("heard_via").toString(), QStringLiteral("GATE"));

    const QJsonObject wx = station(r.records[1]);
    EXPECT_EQ(wx.value("call").toString(), QStringLiteral("W1AW"));
    EXPECT_EQ(wx.value("heard_via").toString(), QStringLiteral("Direct"));
    EXPECT_EQ(wx.value("type_name").toString(), QStringLiteral("Weather"));
    ASSERT_TRUE(wx.value("weather").isObject());
    EXPECT_TRUE(wx.value("weather").toObject().contains("temperature_f"));
    const QJsonObject phg = wx.value("phg").toObject();
    EXPECT_EQ(phg.value("power_w").toInt(), 25);
    EXPECT_EQ(phg.value("height_ft").toInt(), 20);
    EXPECT_EQ(phg.value("gain_db").toInt(), 3);
    EXPECT_EQ(phg.value("directivity_deg").toInt(), 90);

    EXPECT_TRUE(r.records[2].value("station").isNull());
    EXPECT_TRUE(r.records[3].value("station").isNull()); // a header with no information line
}

TEST(DecodeCommand, HomeKeepsTheStationsBetweenRuns) {
    TempHome t;
    const QStringList args{QStringLiteral("--home"), t.dir.path()};
    DecodeRun first = decode("N0CALL>APRS:!4903.50N/07201.75W-\n", args);
    ASSERT_EQ(first.code, 0);
    ASSERT_TRUE(QFile::exists(t.home.dataFile(QStringLiteral("Stations.dat"))));
    DecodeRun second = decode("N0CALL>APRS:!4904.50N/07201.75W-\n", args);
    ASSERT_EQ(second.records.size(), 1u);
    EXPECT_FALSE(station(second.records[0]).value("is_new").toBool()); // known from the first run
}

TEST(DecodeCommand, WithoutHomeNothingIsKept) {
    decode("N0CALL>APRS:!4903.50N/07201.75W-\n");
    const DecodeRun b = decode("N0CALL>APRS:!4904.50N/07201.75W-\n");
    EXPECT_TRUE(station(b.records[0]).value("is_new").toBool());
}

TEST(DecodeCommand, DropsAndDuplicatesPrintNull) {
    const DecodeRun r = decode("# server comment\nA>B:>ab\nN0CALL>APRS:DX de N0CALL\n");
    ASSERT_EQ(r.records.size(), 3u);
    for (const QJsonObject& o : r.records) EXPECT_TRUE(o.value("station").isNull());
}

TEST(DecodeCommand, RefusesUnknownOptions) {
    const DecodeRun r = decode("", {QStringLiteral("--bogus")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("usage"));
    EXPECT_EQ(decode("", {QStringLiteral("--home")}).code, 2);
}

} // namespace
