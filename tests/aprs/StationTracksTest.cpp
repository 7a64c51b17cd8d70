#include "aprs/StationTracks.h"
#include "aprs/SafeFileName.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "support/TempHome.h"

#include "support/TrackedStations.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

template <typename T> T at(const QByteArray& b, int offset) {
    T v;
    std::memcpy(&v, b.constData() + offset, sizeof v);
    return qFromLittleEndian(v);
}

// Position reports through a real station database with the tracks plugged in (TZ=UTC).
class StationTracking : public TrackedStations {
protected:
    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("N0CALL"),
                        int stepMs = 1000) {
        return feedLine(info, from, QStringLiteral("APRS"), QString(), 0, stepMs);
    }
    // A car at 49°mm.mm' N: each minute value is a different place.
    StationRecord* car(int minutes, int stepMs = 1000, const QString& from = QStringLiteral("N0CALL")) {
        return feed(QStringLiteral("!49%1.00N/07201.75W>").arg(minutes % 60, 2, 10, QLatin1Char('0')), from,
                    stepMs);
    }
    size_t points(const QString& call = QStringLiteral("N0CALL")) const {
        return tracks.readTrack(call).size();
    }
};

} // namespace

TEST(TrackFileFormat, RecordLayout) {
    StationRecord r;
    r.latitude = 49.5;
    r.longitude = -72.75;
    r.lastHeard = SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 15), QTime(12, 34, 56, 789), Qt::UTC));
    r.course = 123;
    r.speed = 36.5;
    r.weather.windDirection = 220;
    r.weather.windSpeed = 4;
    r.weather.windGust = 5;
    r.weather.temperature = -7;
    r.weather.rainLastHour = 1;
    r.weather.rainLast24h = 2;
    r.weather.rainSinceMidnight = 3;
    r.weather.humidity = 100;
    r.weather.pressure = 10132;
    r.weather.windChill = -20.25;
    r.weather.dewPoint = 12.5;
    r.weather.heatIndex = 81;
    const QByteArray b = TrackFile::encode(TrackPoint::fromStation(r));
    ASSERT_EQ(b.size(), 120);
    EXPECT_EQ(at<double>(b, 0), 49.5);
    EXPECT_EQ(at<double>(b, 8), -72.75);
    EXPECT_EQ(at<uint16_t>(b, 16), 2026);
    EXPECT_EQ(at<uint16_t>(b, 18), 1);
    EXPECT_EQ(at<uint16_t>(b, 20), 4); // Thursday
    EXPECT_EQ(at<uint16_t>(b, 22), 15);
    EXPECT_EQ(at<uint16_t>(b, 24), 12);
    EXPECT_EQ(at<uint16_t>(b, 26), 34);
    EXPECT_EQ(at<uint16_t>(b, 28), 56);
    EXPECT_EQ(at<uint16_t>(b, 30), 789);
    EXPECT_EQ(at<uint32_t>(b, 32), 123u);
    EXPECT_EQ(at<uint32_t>(b, 36), 0u);
    EXPECT_EQ(at<double>(b, 40), 36.5);
    EXPECT_EQ(at<int32_t>(b, 48), 220);
    EXPECT_EQ(at<int32_t>(b, 52), 4);
    EXPECT_EQ(at<int32_t>(b, 56), 5);
    EXPECT_EQ(at<int32_t>(b, 60), -7);
    EXPECT_EQ(at<int32_t>(b, 64), 1);
    EXPECT_EQ(at<int32_t>(b, 68), 2);
    EXPECT_EQ(at<int32_t>(b, 72), 3);
    EXPECT_EQ(at<int32_t>(b, 76), 100);
    EXPECT_EQ(at<int32_t>(b, 80), 10132);
    EXPECT_EQ(at<int32_t>(b, 84), -1);
    EXPECT_EQ(at<int32_t>(b, 88), -1);
    EXPECT_EQ(at<uint32_t>(b, 92), 0u);
    EXPECT_EQ(at<double>(b, 96), -20.25);
    EXPECT_EQ(at<double>(b, 104), 12.5);
    EXPECT_EQ(at<double>(b, 112), 81.0);

    const auto back = TrackFile::decode(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, TrackPoint::fromStation(r));
    EXPECT_FALSE(TrackFile::decode(b.left(119)));
}

TEST_F(StationTracking, FixedStationBeaconingInPlaceKeepsOnePoint) {
    for (int i = 0; i < 10; ++i) ASSERT_NE(feed(QStringLiteral("!4903.50N/07201.75W-PHG5132")), nullptr);
    EXPECT_EQ(points(), 1u);
    ASSERT_NE(feed(QStringLiteral("!4903.51N/07201.75W-PHG5132")), nullptr);
    EXPECT_EQ(points(), 2u);
}

TEST_F(StationTracking, MobileStationAddsAPointOnlyWhenItMoves) {
    ASSERT_NE(car(3), nullptr);
    ASSERT_NE(car(3), nullptr);
    EXPECT_EQ(points(), 1u);
    ASSERT_NE(car(4), nullptr);
    EXPECT_EQ(points(), 2u);
    // Back to an earlier place is a move too.
    ASSERT_NE(car(3), nullptr);
    const auto track = tracks.readTrack(QStringLiteral("N0CALL"));
    ASSERT_EQ(track.size(), 3u);
    EXPECT_NEAR(track[1].latitude, 49 + 4.0 / 60, 1e-9);
    EXPECT_EQ(track[2].time, stations.FindByCall(QStringLiteral("N0CALL"))->lastHeard);
    EXPECT_EQ(track[0].temperature, -50000); // no weather: the not-reported values
    EXPECT_EQ(track[0].windSpeed, -1);
}

TEST_F(StationTracking, NeverTwoPointsForOnePacket) {
    StationRecord* r = feed(QStringLiteral("=4903.50N/07201.75W_220/004g005t077"), QStringLiteral("WX1"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(points(QStringLiteral("WX1")), 1u);
    tracks.appendTrackPoint(*r);
    tracks.appendTrackPoint(*r);
    EXPECT_EQ(points(QStringLiteral("WX1")), 1u);
    // A moving station moved within the second: still one point for that second.
    StationRecord* c = car(10, 1000, QStringLiteral("CAR"));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(car(11, 0, QStringLiteral("CAR")), nullptr);
    EXPECT_EQ(points(QStringLiteral("CAR")), 1u);
}

TEST_F(StationTracking, TrimKeepsTheLastMinutesBeforeLastHeard) {
    // Three hours, one point a minute.
    StationRecord* r = nullptr;
    for (int m = 0; m <= 180; ++m) ASSERT_NE(r = car(m, 60000), nullptr);
    ASSERT_EQ(points(), 181u);
    ASSERT_NE(feed(QStringLiteral("!4903.50N/07201.75W-"), QStringLiteral("OTHER")), nullptr);

    EXPECT_TRUE(tracks.trimTrack(*r, 45));
    const auto kept = tracks.readTrack(QStringLiteral("N0CALL"));
    ASSERT_EQ(kept.size(), 45u); // 44 minutes before last heard up to last heard
    const QDateTime heard = r->lastHeard.toDateTime();
    EXPECT_EQ(kept.front().time.toDateTime().secsTo(heard), 44 * 60);
    EXPECT_EQ(kept.back().time, r->lastHeard);
    EXPECT_FALSE(QFile::exists(trackFilePath(t.home, QStringLiteral("N0CALL"), "bpos")));

    // Over every station: the other one's single point is recent and stays.
    EXPECT_EQ(tracks.trimTracks(10), 2);
    EXPECT_EQ(points(), 10u);
    EXPECT_EQ(points(QStringLiteral("OTHER")), 1u);
    // Keep nothing.
    EXPECT_EQ(tracks.trimTracks(0), 2);
    EXPECT_EQ(points(), 0u);
    EXPECT_TRUE(QFile::exists(tracks.trackPath(QStringLiteral("N0CALL"))));
}

TEST_F(StationTracking, FailedTrimLeavesTheTrackWhole) {
    StationRecord* r = nullptr;
    for (int m = 0; m < 30; ++m) ASSERT_NE(r = car(m, 60000), nullptr);
    const QString pos = tracks.trackPath(QStringLiteral("N0CALL"));
    const QByteArray before = fileBytes(pos);
    // The new track cannot be written (its .bpos name is taken by a folder).
    const QString bpos = trackFilePath(t.home, QStringLiteral("N0CALL"), "bpos");
    ASSERT_TRUE(QDir().mkpath(bpos));
    EXPECT_FALSE(tracks.trimTrack(*r, 5));
    EXPECT_EQ(fileBytes(pos), before);
    ASSERT_TRUE(QDir(bpos).removeRecursively());

    // A leftover .bpos of an interrupted trim is only scratch: the next trim replaces it.
    writeFile(bpos, QByteArray(1000, 'x'));
    EXPECT_TRUE(tracks.trimTrack(*r, 5));
    EXPECT_EQ(points(), 5u);
    EXPECT_FALSE(QFile::exists(bpos));
}

TEST_F(StationTracking, TrackFilesGoWithTheirStations) {
    ASSERT_NE(car(1, 1000, QStringLiteral("GONE")), nullptr);
    ASSERT_NE(car(1, 1000, QStringLiteral("OLD")), nullptr);
    const QString gone = tracks.trackPath(QStringLiteral("GONE"));
    const QString old = tracks.trackPath(QStringLiteral("OLD"));
    writeFile(trackFilePath(t.home, QStringLiteral("GONE"), "bpos"), QByteArray(120, '\0'));
    ASSERT_TRUE(QFile::exists(gone));

    stations.Remove(stations.FindByCall(QStringLiteral("GONE")));
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_FALSE(QFile::exists(trackFilePath(t.home, QStringLiteral("GONE"), "bpos")));

    // Expiry.
    write(t.settings, Settings::EXPIRETIME, 10);
    clock.advance(9 * 60 * 1000);
    stations.Expire();
    EXPECT_TRUE(QFile::exists(old));
    ASSERT_NE(car(2, 1000, QStringLiteral("FRESH")), nullptr);
    clock.advance(2 * 60 * 1000);
    stations.Expire();
    EXPECT_EQ(stations.FindByCall(QStringLiteral("OLD")), nullptr);
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_TRUE(QFile::exists(tracks.trackPath(QStringLiteral("FRESH"))));
}

TEST_F(StationTracking, CutOffAndHostileFiles) {
    const QString path = tracks.trackPath(QStringLiteral("N0CALL"));
    // Two records and a piece of a third: the piece is not a point.
    StationRecord r;
    r.call = QStringLiteral("N0CALL");
    r.stationType = StationType::Mobile;
    r.lastHeard = SystemTime::fromDateTime(clock.nowLocal());
    QByteArray bytes = TrackFile::encode(TrackPoint::fromStation(r));
    r.latitude = 1;
    bytes += TrackFile::encode(TrackPoint::fromStation(r));
    writeFile(path, bytes + QByteArray(50, '\x7f'));
    EXPECT_EQ(points(), 2u);
    EXPECT_EQ(StationTracks::readTrackFile(path, 1).size(), 1u);
    EXPECT_EQ(StationTracks::readTrackFile(path, 1)[0].latitude, 1.0);

    // Appending drops the piece first, so later records stay aligned.
    r.latitude = 2;
    r.lastHeard = SystemTime::fromDateTime(clock.nowLocal().addSecs(1));
    tracks.appendTrackPoint(r);
    EXPECT_EQ(QFileInfo(path).size(), 360);
    const auto track = tracks.readTrack(QStringLiteral("N0CALL"));
    ASSERT_EQ(track.size(), 3u);
    EXPECT_EQ(track[2].latitude, 2.0);

    // Less than a record; garbage; an empty file.
    writeFile(path, QByteArray(119, '\xff'));
    EXPECT_EQ(points(), 0u);
    writeFile(path, QByteArray(1200, '\xff'));
    EXPECT_EQ(points(), 10u);
    EXPECT_TRUE(tracks.trimTrack(r, 45)); // unreadable times count as long ago
    EXPECT_EQ(points(), 0u);
    writeFile(path, QByteArray());
    EXPECT_EQ(points(), 0u);
    EXPECT_TRUE(tracks.readTrack(QStringLiteral("NOBODY")).empty());
}

TEST_F(StationTracking, NamesFromTheAirStayInsideData) {
    ASSERT_NE(car(1, 1000, QStringLiteral("../../x")), nullptr);
    const QString path = tracks.trackPath(QStringLiteral("../../x"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(t.home.dataDir()).absoluteFilePath());
}

TEST_F(StationTracking, MissingDataFolderLosesThePointSilently) {
    ASSERT_TRUE(QDir(t.home.dataDir()).removeRecursively());
    ASSERT_NE(car(1), nullptr); // the position still counts
    EXPECT_EQ(points(), 0u);
}
