#include "aprs/ObjectDecoder.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("LEADER   ");
const QString kLive = QStringLiteral(";LEADER   *092345z4903.50N/07201.75W>088/036/A=001234 Lead car");
const QString kKilled = QStringLiteral(";LEADER   _092345z4903.50N/07201.75W>");

class ObjectDecoding : public ::testing::Test {
protected:
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};
    StationTracks tracks{stations};

    ObjectDecoding() { stations.setTrackSink(&tracks); }
    ~ObjectDecoding() override { stations.setTrackSink(nullptr); }

    StationRecord* feed(const QString& info, const QString& from) {
        clock.advance(1000);
        const QString header = QStringLiteral("GT:Fm %1 To APRS Via MYGATE* <UI pid=F0 Len=%2 >[%3]")
                                   .arg(from)
                                   .arg(info.size())
                                   .arg(clock.nowUtc().time().toString(u"hh:mm:ss"));
        return stations.ProcessMonitorText(header + u'\r' + info + u'\r', -1);
    }
};

} // namespace

TEST(ObjectParser, Layout) {
    const auto o = parseObjectReport(kLive);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->name, kName);
    EXPECT_TRUE(o->live);
    EXPECT_EQ(o->time, "092345z");
    EXPECT_NEAR(o->latitude, 49.058333, 1e-6);
    EXPECT_NEAR(o->longitude, -72.029167, 1e-6);
    EXPECT_EQ(o->symbolTable, u'/');
    EXPECT_EQ(o->symbolCode, u'>');
    EXPECT_EQ(o->comment, "088/036/A=001234 Lead car");

    const auto k = parseObjectReport(kKilled);
    ASSERT_TRUE(k);
    EXPECT_FALSE(k->live);
    EXPECT_EQ(k->comment, "");
}

TEST(ObjectParser, ShortTextsAreRefused) {
    // 34 characters after ';'.
    EXPECT_FALSE(parseObjectReport(u";LEADER   *092345z4903.50N/07201.75"));
    // 35: enough for a killed object, but a live one has no symbol code.
    EXPECT_TRUE(parseObjectReport(u";LEADER   _092345z4903.50N/07201.75W"));
    EXPECT_FALSE(parseObjectReport(u";LEADER   *092345z4903.50N/07201.75W"));
    // 36: exactly a live object without a comment.
    const auto o = parseObjectReport(u";LEADER   *092345z4903.50N/07201.75W>");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->comment, "");
    // A live object whose position does not read.
    EXPECT_FALSE(parseObjectReport(u";LEADER   *092345zGreetings from the club"));
}

TEST_F(ObjectDecoding, LiveObjectIsKeptUnderItsNameAndOwner) {
    StationRecord* r = feed(kLive, QStringLiteral("N0CALL"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, kName); // blanks included
    EXPECT_EQ(r->owner, "N0CALL");
    EXPECT_EQ(r->stationType, StationType::Object);
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->isNew, 1);
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_EQ(r->comment, "Lead car"); // the extensions are taken out
    EXPECT_EQ(r->altitude, 1234);
    EXPECT_EQ(r->course, 88u);
    EXPECT_EQ(r->heardVia(), "MYGATE");
    EXPECT_EQ(r->lastPacket, kLive);
    EXPECT_EQ(stations.FindObject(kName, QStringLiteral("N0CALL")), r);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("N0CALL")), nullptr); // the owner is not a station
    // Objects keep no track.
    EXPECT_FALSE(QFile::exists(tracks.trackPath(kName)));

    // A new report moves the same record.
    StationRecord* again =
        feed(QStringLiteral(";LEADER   *092400z4904.00N/07202.00W>"), QStringLiteral("N0CALL"));
    ASSERT_EQ(again, r);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_NEAR(r->previousLatitude, 49.058333, 1e-6);
    EXPECT_EQ(r->comment, "");
    EXPECT_FALSE(QFile::exists(tracks.trackPath(kName)));
}

TEST_F(ObjectDecoding, TwoOwnersKeepTwoObjectsAndKillOnlyTheirOwn) {
    StationRecord* a = feed(kLive, QStringLiteral("N0CALL"));
    StationRecord* b = feed(kLive, QStringLiteral("W1AW"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(stations.count(), 2);

    // W1AW kills its object: N0CALL's stays.
    EXPECT_EQ(feed(kKilled, QStringLiteral("W1AW")), nullptr);
    EXPECT_EQ(stations.count(), 1);
    EXPECT_EQ(stations.FindObject(kName, QStringLiteral("W1AW")), nullptr);
    EXPECT_EQ(stations.FindObject(kName, QStringLiteral("N0CALL")), a);

    // A kill from a third station that never placed it changes nothing.
    EXPECT_EQ(feed(kKilled, QStringLiteral("K2ABC")), nullptr);
    EXPECT_EQ(stations.count(), 1);
}

TEST_F(ObjectDecoding, KilledObjectWithoutARecordCreatesNothing) {
    EXPECT_EQ(feed(kKilled, QStringLiteral("N0CALL")), nullptr);
    EXPECT_EQ(stations.count(), 0);
}

// Objects keep no track, so a file of the object's name is a station's: killing the object leaves it.
TEST_F(ObjectDecoding, KillingAnObjectLeavesTheTrackFileOfItsName) {
    ASSERT_NE(feed(kLive, QStringLiteral("N0CALL")), nullptr);
    QFile f(tracks.trackPath(kName));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(120, '\0'));
    f.close();
    EXPECT_EQ(feed(kKilled, QStringLiteral("N0CALL")), nullptr);
    EXPECT_EQ(stations.count(), 0);
    EXPECT_TRUE(QFile::exists(tracks.trackPath(kName)));
}

TEST_F(ObjectDecoding, BadObjectsAreDropped) {
    EXPECT_EQ(feed(QStringLiteral(";LEADER   *092345z4903.50N/07201.75"), QStringLiteral("N0CALL")), nullptr);
    EXPECT_EQ(feed(QStringLiteral(";LEADER   *092345z4903.50N/07201.75W"), QStringLiteral("N0CALL")),
              nullptr);
    EXPECT_EQ(feed(QStringLiteral(";LEADER   *092345z9903.50N/07201.75W>"), QStringLiteral("N0CALL")),
              nullptr);
    EXPECT_EQ(stations.count(), 0);
    // A symbol code outside 33..126 is stored as '"'.
    StationRecord* r =
        feed(QStringLiteral(";LEADER   *092345z4903.50N/07201.75W") + QChar(0x7F), QStringLiteral("N0CALL"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->symbolCode, '"');
}
