#include "cli/JsonWriter.h"
#include "aprs/StationRecord.h"
#include "cli/DecodeCommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

QByteArray written(const std::function<void(JsonWriter&)>& write) {
    QByteArray out;
    JsonWriter json(out);
    write(json);
    json.finish();
    return out;
}

std::string shortest(double v) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

} // namespace

TEST(JsonWriter, DoublesAreShortestAndReadBackExactly) {
    const double values[] = {
        49.058333333333337, -72.029833333333329, 0.1, 1e-7, -0.0, 12.5, 1234567.0, 1e300, 5e-324};
    for (const double v : values) {
        const QByteArray text = written([&](JsonWriter& json) { json.value(v); });
        if (v == 0 && std::signbit(v))
            EXPECT_EQ(text, "-0");
        else if (v == std::trunc(v) && std::fabs(v) < 1e15)
            EXPECT_EQ(text.toStdString(), std::to_string(static_cast<long long>(v)));
        else
            EXPECT_EQ(text.toStdString(), shortest(v));
        EXPECT_EQ(std::strtod(text.constData(), nullptr), v) << text.constData();
    }
    EXPECT_EQ(written([](JsonWriter& json) { json.value(std::numeric_limits<double>::quiet_NaN()); }),
              "null");
    EXPECT_EQ(written([](JsonWriter& json) { json.value(std::numeric_limits<double>::infinity()); }), "null");
}

TEST(JsonWriter, DoubleTextsNotedByOneWriterServeAnother) {
    JsonWriter::DoubleTexts texts;
    const QByteArray packet = written([&](JsonWriter& json) {
        json.noteDoublesIn(&texts);
        json.beginObject();
        json.member("speed", 12.0); // whole: not noted
        json.member("lat", 49.058333333333337);
        json.member("lon", -72.029833333333329);
        json.member("third", 0.25); // past the room: written, not noted
        json.endObject();
    });
    EXPECT_EQ(packet, "{\"speed\":12,\"lat\":49.05833333333334,\"lon\":-72.02983333333333,\"third\":0.25}");
    ASSERT_EQ(texts.count, 2);

    // A value found among the texts is copied from there (another text of the same value is put
    // there to show it); a value not among them is formatted as usual.
    const char other[] = "-72.029833333333330";
    std::memcpy(texts.text[1], other, sizeof other - 1);
    texts.length[1] = sizeof other - 1;
    const QByteArray station = written([&](JsonWriter& json) {
        json.takeDoublesFrom(&texts);
        json.beginObject();
        json.member("lat", 49.058333333333337);
        json.member("lon", -72.029833333333329);
        json.member("other", 0.125);
        json.endObject();
    });
    EXPECT_EQ(station, "{\"lat\":49.05833333333334,\"lon\":-72.029833333333330,\"other\":0.125}");
}

TEST(JsonWriter, TextsOfEveryKindMakeValidJson) {
    const QString hostile = QStringLiteral("q\"b\\c\n\t\x01") + QChar(0xD800) + QStringLiteral("é€") +
                            QString::fromUcs4(U"\U0001F600");
    const QByteArray text = written([&](JsonWriter& json) {
        json.beginObject();
        json.member("utf16", hostile);
        json.member("latin1", QLatin1StringView("caf\xe9 \"x\"\\\x02"));
        json.key(QStringLiteral("k\"ey"));
        json.value(true);
        json.endObject();
    });
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(text, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << text.constData();
    // A lone surrogate has no UTF-8 form and comes back as the replacement character.
    QString expected = hostile;
    expected[8] = QChar(0xFFFD);
    EXPECT_EQ(o.value("utf16").toString(), expected);
    EXPECT_EQ(o.value("latin1").toString(), QString::fromLatin1("caf\xe9 \"x\"\\\x02"));
    EXPECT_TRUE(o.value("k\"ey").toBool());
}

TEST(JsonWriter, StationObjectHoldsTextsThatGrowSixfoldWhenEscaped) {
    // The station object is written through room made once from a bound: texts made only of
    // control characters take six bytes a unit, in every text member at once.
    StationRecord r;
    const QString controls(3000, QChar(0x01));
    r.call = QStringLiteral("N0CALL\"\\");
    r.owner = controls;
    r.comment = controls;
    r.status = controls;
    r.lastPacket = controls;
    r.stationType = StationType::Weather;
    r.weather.software = controls;
    r.phg.power = 25;
    r.phg.range = 12.25;
    r.latitude = std::numeric_limits<double>::quiet_NaN();
    r.symbolTable = 7;
    QByteArray out("prefix:");
    {
        JsonWriter json(out);
        writeStationJson(json, r);
    }
    ASSERT_TRUE(out.startsWith("prefix:{"));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(out.mid(7), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(o.value("call").toString(), r.call);
    EXPECT_EQ(o.value("comment").toString(), controls);
    EXPECT_EQ(o.value("last_packet").toString(), controls);
    EXPECT_EQ(o.value("weather").toObject().value("software").toString(), controls);
    EXPECT_TRUE(o.value("lat").isNull());
    EXPECT_EQ(o.value("symbol_table").toString(), QString());
    EXPECT_EQ(o.value("phg").toObject().value("range_mi").toDouble(), 12.25);
}
