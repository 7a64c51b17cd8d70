#include "aprs/MessageSink.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

struct RecordedMessages : MessageSink {
    struct Message {
        QString information, from, header;
        int port;
    };
    std::vector<Message> messages;
    void ProcessMessage(const QString& information, const QString& from, const QString& header,
                        int port) override {
        messages.push_back({information, from, header, port});
    }
};

class StatusDecoding : public ::testing::Test {
protected:
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};

    QString header(const QString& from, int length) const {
        return QStringLiteral("00:Fm %1 To APRS Via WIDE1-1* <UI pid=F0 Len=%2 >[%3]")
            .arg(from)
            .arg(length)
            .arg(clock.nowUtc().time().toString(u"hh:mm:ss"));
    }
    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("N0CALL"), int port = 0) {
        clock.advance(1000);
        return stations.ProcessMonitorText(header(from, info.size()) + u'\r' + info + u'\r', port);
    }
};

} // namespace

TEST_F(StatusDecoding, StatusOfAnUnknownStationCreatesNothing) {
    EXPECT_EQ(feed(QStringLiteral(">Net Control Center")), nullptr);
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(StatusDecoding, StatusOfAKnownStationIsStoredWithoutTouchingItsTime) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W-"));
    ASSERT_NE(r, nullptr);
    const SystemTime heard = r->lastHeard;
    const QString lastPacket = r->lastPacket;

    EXPECT_EQ(feed(QStringLiteral(">Net Control Center")), nullptr); // yields no record
    EXPECT_EQ(r->status, "Net Control Center");
    EXPECT_EQ(r->lastHeard, heard);
    EXPECT_EQ(r->lastPacket, lastPacket);
    EXPECT_EQ(stations.count(), 1);

    // Another station's status does not reach it.
    EXPECT_EQ(feed(QStringLiteral(">Elsewhere"), QStringLiteral("W1AW")), nullptr);
    EXPECT_EQ(r->status, "Net Control Center");
}

TEST_F(StatusDecoding, MessagesGoToTheMessageManagerOnly) {
    RecordedMessages sink;
    stations.setMessageSink(&sink);
    const QString info = QStringLiteral(":N0CALL   :Hello{12");
    EXPECT_EQ(feed(info, QStringLiteral("W1AW"), -1), nullptr);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].information, info);
    EXPECT_EQ(sink.messages[0].from, "W1AW");
    EXPECT_EQ(sink.messages[0].header, header(QStringLiteral("W1AW"), info.size()));
    EXPECT_EQ(sink.messages[0].port, -1);
    EXPECT_EQ(stations.count(), 0);
    stations.setMessageSink(nullptr);
}
