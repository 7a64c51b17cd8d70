#include "cli/DecodeCommand.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
QList<QJsonObject> decode(const QByteArray& input) {
    QByteArray in = input, out, err;
    QBuffer bin(&in), bout(&out), berr(&err);
    bin.open(QIODevice::ReadOnly);
    bout.open(QIODevice::WriteOnly);
    berr.open(QIODevice::WriteOnly);
    EXPECT_EQ(runDecodeCommand({}, bin, bout, berr), 0);
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty()) objects << QJsonDocument::fromJson(line).object();
    return objects;
}
} // namespace

TEST(DecodeMessages, EveryNewMessageRecordIsPrintedWithItsNumberAndStatus) {
    const auto lines = decode("N0QPF>APRS,WIDE1-1*,WIDE2-1::NOCALL   :Hello there{12\n"
                              "N0QPF>APRS,TCPIP*::BLN1     :Net tonight 20:00\n"
                              "N0QPG>APRS::N0QPF    :ack12\n"
                              "N0QPA>APRS:!4903.50N/07201.75W-Plain\n");
    ASSERT_EQ(lines.size(), 4);
    const QJsonObject m = lines[0]["message"].toObject();
    EXPECT_EQ(m["from"].toString(), "N0QPF");
    EXPECT_EQ(m["to"].toString(), "NOCALL");
    EXPECT_EQ(m["text"].toString(), "Hello there");
    EXPECT_EQ(m["seq"].toString(), "12");
    EXPECT_EQ(m["status"].toString(), "for_me");
    EXPECT_TRUE(lines[0]["station"].isNull());
    EXPECT_EQ(lines[1]["message"].toObject()["status"].toString(), "bulletin");
    EXPECT_FALSE(lines[3].contains("message"));
    EXPECT_EQ(lines[3]["station"].toObject()["call"].toString(), "N0QPA");
}
