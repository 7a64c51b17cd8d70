// Data/Stations.dat: the byte layout, round trips, the old 8-bit form and damaged files.
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Little-endian bytes built by hand, independent of the writer under test.
struct Bytes {
    QByteArray b;
    Bytes& u32(uint32_t v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
        return *this;
    }
    Bytes& u16(uint16_t v) {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
        return *this;
    }
    Bytes& f64(double d) {
        uint64_t v;
        std::memcpy(&v, &d, 8);
        char x[8];
        qToLittleEndian(v, x);
        b.append(x, 8);
        return *this;
    }
    Bytes& time(const SystemTime& t) {
        for (uint16_t v : {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.millisecond})
            u16(v);
        return *this;
    }
    Bytes& text(const QString& s) {
        if (s.isEmpty()) return u32(0);
        u32(static_cast<uint32_t>((s.size() + 1) * 2));
        for (QChar c : s) u16(c.unicode());
        return u16(0);
    }
    Bytes& text8(const QByteArray& s) { // old form: 8-bit, with a trailing zero counted
        if (s.isEmpty()) return u32(0);
        u32(static_cast<uint32_t>(s.size() + 1));
        b.append(s);
        b.append('\0');
        return *this;
    }
};

struct StationsDatTest : ::testing::Test {
    TempHome t;
    ManualClock clock{QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC)};
    StationManager stations{t.home, t.settings, clock};
    QString path() const { return t.home.dataFile(QStringLiteral("Stations.dat")); }

    QByteArray fileBytes() {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    std::unique_ptr<StationManager> reloaded() {
        auto m = std::make_unique<StationManager>(t.home, t.settings, clock);
        m->Load();
        return m;
    }

    // Every stored field with a value of its own.
    StationRecord* filled() {
        StationRecord* r = stations.Create();
        r->call = QStringLiteral("N0CALL-7");
        r->owner = QStringLiteral("OWNR");
        r->comment = QStringLiteral("Grüße");
        r->course = 271;
        r->firstHeard = SystemTime{2026, 1, 4, 15, 11, 58, 1, 2};
        r->altitude = -12;
        r->symbolCode = '>';
        r->symbolTable = '\\';
        r->lastHeard = SystemTime{2026, 1, 4, 15, 11, 59, 3, 4};
        r->lastPacket = QStringLiteral("!4903.50N/07201.75W>");
        r->latitude = 49.0583;
        r->longitude = -72.0291;
        r->speed = 12.5;
        r->status = QStringLiteral("On the air");
        r->stationType = StationType::Mobile;
        r->phg = {25, 20, 3, 90, 4.25};
        r->weather.windDirection = 1;
        r->weather.windSpeed = 2;
        r->weather.windGust = 3;
        r->weather.temperature = 4;
        r->weather.pressure = 5;
        r->weather.humidity = 6;
        r->weather.unnamed1 = 7;
        r->weather.unnamed2 = 8;
        r->weather.software = QStringLiteral("WX");
        r->weather.rainLastHour = 9;
        r->weather.rainLast24h = 10;
        r->weather.rainSinceMidnight = 11;
        r->weather.dewPoint = 12.5;
        r->weather.windChill = 13.5;
        r->weather.heatIndex = 14;
        r->weather.unnamedFloat = 15.5;
        r->RecordHeardPath(
            QStringLiteral("00:Fm N0CALL-7 To APRS Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=20 >[11:59:03]"));
        r->RecordHeardPath(QStringLiteral("00:Fm N0CALL-7 To APRS <UI pid=F0 Len=20 >[11:59:04]"));
        return r;
    }
};

TEST_F(StationsDatTest, OneRecordIsWrittenByteForByte) {
    filled();
    ASSERT_TRUE(stations.Save());

    Bytes e;
    e.u32(0x0001007C);
    e.text(QStringLiteral("N0CALL-7")).text(QStringLiteral("OWNR")).text(QStringLiteral("Grüße"));
    e.u32(271)
        .time(SystemTime{2026, 1, 4, 15, 11, 58, 1, 2})
        .u32(static_cast<uint32_t>(-12))
        .u32('>')
        .u32('\\');
    e.time(SystemTime{2026, 1, 4, 15, 11, 59, 3, 4}).text(QStringLiteral("!4903.50N/07201.75W>"));
    e.f64(49.0583).f64(-72.0291).f64(12.5).text(QStringLiteral("On the air")).u32(1);
    e.u32(90).u32(3).u32(20).u32(25).f64(4.25); // PHG: directivity, gain, height, power, range
    e.u32(1).u32(2).u32(3).u32(4).u32(5).u32(6).u32(7).u32(8).text(QStringLiteral("WX"));
    e.u32(9).u32(10).u32(11).f64(12.5).f64(13.5).u32(14).f64(15.5);
    e.text(QStringLiteral("00:Fm N0CALL-7 To APRS Via WIDE1-1*,WIDE2-1 "));
    e.text(QStringLiteral("00:Fm N0CALL-7 To APRS "));
    for (int i = 2; i < 20; ++i) e.text({});
    e.text(QStringLiteral("WIDE1-1")).text(QStringLiteral("Direct"));
    for (int i = 2; i < 20; ++i) e.text({});
    e.u32(2);
    EXPECT_EQ(fileBytes().toHex(), e.b.toHex());
}

TEST_F(StationsDatTest, NextRunReadsEveryStoredFieldBack) {
    const StationRecord& a = *filled();
    StationRecord* b = stations.Create();
    b->call = QStringLiteral("B");
    ASSERT_TRUE(stations.Save());
    clock.setNow(QDateTime(QDate(2026, 1, 15), QTime(12, 5), Qt::UTC)); // both still fresh

    auto m = reloaded();
    ASSERT_EQ(m->count(), 2);
    const StationRecord& r = *m->at(0);
    EXPECT_EQ(r.call, a.call);
    EXPECT_EQ(r.owner, a.owner);
    EXPECT_EQ(r.comment, a.comment);
    EXPECT_EQ(r.course, a.course);
    EXPECT_EQ(r.firstHeard, a.firstHeard);
    EXPECT_EQ(r.altitude, a.altitude);
    EXPECT_EQ(r.symbolCode, a.symbolCode);
    EXPECT_EQ(r.symbolTable, a.symbolTable);
    EXPECT_EQ(r.lastHeard, a.lastHeard);
    EXPECT_EQ(r.lastPacket, a.lastPacket);
    EXPECT_EQ(r.latitude, a.latitude);
    EXPECT_EQ(r.longitude, a.longitude);
    EXPECT_EQ(r.speed, a.speed);
    EXPECT_EQ(r.status, a.status);
    EXPECT_EQ(r.stationType, a.stationType);
    EXPECT_EQ(r.phg.power, 25);
    EXPECT_EQ(r.phg.height, 20);
    EXPECT_EQ(r.phg.gain, 3);
    EXPECT_EQ(r.phg.directivity, 90);
    EXPECT_EQ(r.phg.range, 4.25);
    EXPECT_EQ(r.weather.software, QStringLiteral("WX"));
    EXPECT_EQ(r.weather.windDirection, 1);
    EXPECT_EQ(r.weather.windSpeed, 2);
    EXPECT_EQ(r.weather.windGust, 3);
    EXPECT_EQ(r.weather.temperature, 4);
    EXPECT_EQ(r.weather.pressure, 5);
    EXPECT_EQ(r.weather.humidity, 6);
    EXPECT_EQ(r.weather.unnamed1, 7);
    EXPECT_EQ(r.weather.unnamed2, 8);
    EXPECT_EQ(r.weather.rainLastHour, 9);
    EXPECT_EQ(r.weather.rainLast24h, 10);
    EXPECT_EQ(r.weather.rainSinceMidnight, 11);
    EXPECT_EQ(r.weather.dewPoint, 12.5);
    EXPECT_EQ(r.weather.windChill, 13.5);
    EXPECT_EQ(r.weather.heatIndex, 14);
    EXPECT_EQ(r.weather.unnamedFloat, 15.5);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(r.heardPaths.keys[i], a.heardPaths.keys[i]) << i;
        EXPECT_EQ(r.heardPaths.heardVia[i], a.heardPaths.heardVia[i]) << i;
        EXPECT_TRUE(r.heardPaths.digipeaters[i].isEmpty()) << i; // not stored
    }
    EXPECT_EQ(r.heardPaths.next, 2);
    EXPECT_EQ(r.heardVia(), QStringLiteral("Direct"));
    // Not stored: a loaded record gets a fresh id and no checksum.
    EXPECT_EQ(r.id, 1);
    EXPECT_EQ(m->at(1)->id, 2);
    EXPECT_EQ(r.lastChecksum, 0u);
    EXPECT_EQ(m->FindByCall(QStringLiteral("B")), m->at(1));
}

TEST_F(StationsDatTest, SavingAnEmptyListLeavesTheFileAlone) {
    writeFile("keep me");
    EXPECT_TRUE(stations.Save());
    EXPECT_EQ(fileBytes(), QByteArray("keep me"));
}

TEST_F(StationsDatTest, OldEightBitFileLoadsAndIsSavedInTheNewForm) {
    const SystemTime heard = SystemTime::fromDateTime(clock.nowLocal());
    Bytes old;
    old.u32(0x0000007C);
    old.text8("OLD-1").text8("").text8("caf\xe9");
    old.u32(90).time(heard).u32(100).u32('>').u32('/').time(heard).text8("!4903.50N/07201.75W>");
    old.f64(49.0).f64(-72.0).f64(5).text8("st").u32(1);
    old.u32(0).u32(0).u32(0).u32(0).f64(0);
    for (int i = 0; i < 8; ++i) old.u32(static_cast<uint32_t>(-1));
    old.text8("")
        .u32(static_cast<uint32_t>(-1))
        .u32(static_cast<uint32_t>(-1))
        .u32(static_cast<uint32_t>(-1));
    old.f64(0).f64(0).u32(0).f64(0);
    old.text8("00:Fm OLD-1 To APRS ");
    for (int i = 1; i < 20; ++i) old.text8("");
    old.text8("Direct");
    for (int i = 1; i < 20; ++i) old.text8("");
    old.u32(1);
    writeFile(old.b);

    stations.Load();
    ASSERT_EQ(stations.count(), 1);
    StationRecord* r = stations.at(0);
    EXPECT_EQ(r->call, QStringLiteral("OLD-1"));
    EXPECT_EQ(r->comment, QStringLiteral("café"));
    EXPECT_EQ(r->heardVia(), QStringLiteral("Direct"));

    ASSERT_TRUE(stations.Save());
    const QByteArray now = fileBytes();
    Bytes head;
    head.u32(0x0001007C).text(QStringLiteral("OLD-1")).text({}).text(QStringLiteral("café"));
    EXPECT_TRUE(now.startsWith(head.b)) << now.left(40).toHex().constData();
    EXPECT_EQ(reloaded()->FindByCall(QStringLiteral("OLD-1"))->comment, QStringLiteral("café"));
}

TEST_F(StationsDatTest, TruncatedRecordEndsTheLoadKeepingEarlierOnes) {
    filled();
    ASSERT_TRUE(stations.Save());
    const qsizetype firstEnd = fileBytes().size();
    StationRecord* second = stations.Create();
    second->call = QStringLiteral("SECOND");
    ASSERT_TRUE(stations.Save());
    const QByteArray whole = fileBytes();
    for (qsizetype cut : {whole.size() - 1, whole.size() - 100, firstEnd + 2, firstEnd + 10}) {
        writeFile(whole.left(cut));
        auto m = reloaded();
        ASSERT_EQ(m->count(), 1) << cut;
        EXPECT_EQ(m->at(0)->call, QStringLiteral("N0CALL-7"));
        EXPECT_EQ(m->FindByCall(QStringLiteral("SECOND")), nullptr);
        EXPECT_EQ(m->at(0)->id, 1);
    }
    // A record with an empty call sign ends the file as well.
    QByteArray ended = whole.left(firstEnd);
    ended.append(QByteArray(4, '\0'));
    ended.append(whole.mid(firstEnd));
    writeFile(ended);
    EXPECT_EQ(reloaded()->count(), 1);
}

TEST_F(StationsDatTest, HostileCountsAndHeadersLoadNothingHarmful) {
    // A text count far beyond the file, and one above 64 KiB that the file could hold.
    Bytes huge;
    huge.u32(0x0001007C).u32(0xFFFFFFF0u);
    writeFile(huge.b);
    EXPECT_EQ(reloaded()->count(), 0);

    Bytes big;
    big.u32(0x0001007C).u32(70000);
    big.b.append(QByteArray(70000, 'A'));
    writeFile(big.b);
    EXPECT_EQ(reloaded()->count(), 0);

    Bytes wrongHeader;
    wrongHeader.u32(0x0001007D).text(QStringLiteral("X"));
    writeFile(wrongHeader.b);
    EXPECT_EQ(reloaded()->count(), 0);

    writeFile(QByteArray("\x7C\x00", 2)); // shorter than the header
    EXPECT_EQ(reloaded()->count(), 0);

    QFile::remove(path());
    EXPECT_EQ(reloaded()->count(), 0);
}

TEST_F(StationsDatTest, LoadRunsTheExpiryPass) {
    StationRecord* old = stations.Create();
    old->call = QStringLiteral("OLD");
    old->lastHeard = SystemTime::fromDateTime(clock.nowLocal().addSecs(-181 * 60));
    stations.Create()->call = QStringLiteral("NEW");
    ASSERT_TRUE(stations.Save());
    auto m = reloaded();
    ASSERT_EQ(m->count(), 1);
    EXPECT_EQ(m->at(0)->call, QStringLiteral("NEW"));
}

TEST_F(StationsDatTest, FailedSaveReportsFailure) {
    // Data is a plain file, so nothing can be created inside it (root included).
    ASSERT_TRUE(QDir(t.home.dataDir()).removeRecursively());
    QFile blocker(t.home.dataDir());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    stations.Create()->call = QStringLiteral("A");
    EXPECT_FALSE(stations.Save());
}

} // namespace
