#include "aprs/PositionDecoders.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/TrackSink.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

struct CountingTracks : TrackSink {
    std::vector<QString> points;
    void appendTrackPoint(StationRecord& record) override { points.push_back(record.call); }
    void deleteTrack(const QString&) override {}
};

// Real monitor lines through a real station database on a manual clock (TZ=UTC: local = UTC).
class PositionDecoding : public ::testing::Test {
protected:
    TempHome t;
    ManualClock clock{QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC)};
    StationManager stations{t.home, t.settings, clock};
    CountingTracks tracks;

    PositionDecoding() { stations.setTrackSink(&tracks); }

    // One monitor line a second, so that no two lines count as repeats.
    StationRecord* feed(const QString& info, const QString& from = QStringLiteral("N0CALL"),
                        const QString& to = QStringLiteral("APRS"),
                        const QString& via = QStringLiteral("WIDE1-1*,WIDE2-1")) {
        clock.advance(1000);
        return stations.ProcessMonitorText(line(info, from, to, via), 0);
    }
    QString line(const QString& info, const QString& from, const QString& to, const QString& via) const {
        const QTime now = clock.nowUtc().time();
        QString header = QStringLiteral("00:Fm %1 To %2").arg(from, to);
        if (!via.isEmpty()) header += QStringLiteral(" Via ") + via;
        header += QStringLiteral(" <UI pid=F0 Len=%1 >[%2]").arg(info.size()).arg(now.toString(u"hh:mm:ss"));
        return header + u'\r' + info + u'\r';
    }
    SystemTime now() const { return SystemTime::fromDateTime(clock.nowLocal()); }
};

} // namespace

TEST_F(PositionDecoding, PlainPositionCreatesTheStation) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W-Test 001234"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "N0CALL");
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_NEAR(r->longitude, -72.029167, 1e-6);
    EXPECT_EQ(r->symbolTable, '/');
    EXPECT_EQ(r->symbolCode, '-');
    EXPECT_EQ(r->stationType, StationType::Fixed);
    EXPECT_EQ(r->comment, "Test 001234");
    EXPECT_EQ(r->course, 0u);
    EXPECT_EQ(r->speed, 0.0);
    EXPECT_EQ(r->altitude, 0);
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->firstHeard, now());
    EXPECT_EQ(r->lastHeard, now());
    EXPECT_NE(r->lastChecksum, 0u);
    EXPECT_EQ(r->heardVia(), "WIDE1-1");
    EXPECT_EQ(r->lastPacket, "!4903.50N/07201.75W-Test 001234");
    EXPECT_EQ(tracks.points.size(), 1u);

    // The next report updates the same record and keeps the previous position.
    const SystemTime first = r->firstHeard;
    StationRecord* again = feed(QStringLiteral("=4904.00N/07202.00W-Moved"), QStringLiteral("N0CALL"),
                                QStringLiteral("APRS"), QString());
    ASSERT_EQ(again, r);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_EQ(r->firstHeard, first);
    EXPECT_EQ(r->lastHeard, now());
    EXPECT_NEAR(r->previousLatitude, 49.058333, 1e-6);
    EXPECT_NEAR(r->latitude, 49 + 4.0 / 60, 1e-9);
    EXPECT_EQ(r->comment, "Moved");
    EXPECT_EQ(r->heardVia(), "Direct");
    EXPECT_EQ(stations.count(), 1);
    EXPECT_EQ(tracks.points.size(), 2u);
}

TEST_F(PositionDecoding, CourseSpeedAltitudeFromTheComment) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W>090/036/A=001234"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 90u);
    EXPECT_EQ(r->speed, 36.0);
    EXPECT_EQ(r->altitude, 1234);
    EXPECT_EQ(r->stationType, StationType::Mobile);

    // No "ccc/sss" and no "/A=": what was known stays.
    r = feed(QStringLiteral("!4903.60N/07201.75W>driving"));
    EXPECT_EQ(r->course, 90u);
    EXPECT_EQ(r->speed, 36.0);
    EXPECT_EQ(r->altitude, 1234);

    // A course beyond 359 is no course.
    r = feed(QStringLiteral("!4903.60N/07201.75W>400/010"));
    EXPECT_EQ(r->course, 0u);
    EXPECT_EQ(r->speed, 10.0);
}

TEST_F(PositionDecoding, WeatherStationDoesNotTakeTheWindAsCourse) {
    StationRecord* r = feed(QStringLiteral("=4903.50N/07201.75W_220/004g005t077"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->stationType, StationType::Weather);
    EXPECT_EQ(r->course, 0u);
    EXPECT_EQ(r->speed, 0.0);
    EXPECT_EQ(r->comment, ""); // nothing follows the weather fields
}

TEST_F(PositionDecoding, ShortOrGarbledPlainPositionsAreDropped) {
    EXPECT_EQ(feed(QStringLiteral("!4903.50N/07201.75W")), nullptr); // 19 characters
    EXPECT_EQ(feed(QStringLiteral("=3426.19N/24051.47E-")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("@Greetings from Fritz")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("!49O3.50N/07201.75W-")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("!4903.50N/07201.75X-")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("/0923")), nullptr);
    EXPECT_EQ(stations.count(), 0);
    EXPECT_TRUE(tracks.points.empty());
}

TEST_F(PositionDecoding, RejectedReportLeavesTheRecordAlone) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W>090/036/A=001234 first"));
    ASSERT_NE(r, nullptr);
    const StationRecord before = *r;
    for (const char* bad : {"!4903.50N/07201.75W", "=9903.50N/07201.75W>", "!9", "=/5L!!<*e7>7P",
                            "=/5L!!<*e|>7P[", "@092345z/5L!!<*e7", "`dYgoXv>", "Zel^1^2"})
        EXPECT_EQ(feed(QString::fromLatin1(bad)), nullptr) << bad;
    EXPECT_EQ(r->latitude, before.latitude);
    EXPECT_EQ(r->comment, before.comment);
    EXPECT_EQ(r->course, before.course);
    EXPECT_EQ(r->lastChecksum, before.lastChecksum);
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(tracks.points.size(), 1u);
}

TEST_F(PositionDecoding, AmbiguousPosition) {
    StationRecord* r = feed(QStringLiteral("!4903.  N/07201.  W-"));
    ASSERT_NE(r, nullptr);
    // The centre of the box the blanks leave open, with the level kept.
    EXPECT_NEAR(r->latitude, 49 + 3.5 / 60, 1e-9);
    EXPECT_NEAR(r->longitude, -(72 + 1.5 / 60), 1e-9);
    EXPECT_EQ(r->positionAmbiguity, 2);
}

TEST_F(PositionDecoding, SymbolCodesOutsideTheTableBecomeTheDoubleQuote) {
    for (char16_t code : {char16_t(127), char16_t(31), char16_t(0xE9)}) {
        const QString info = QStringLiteral("!4903.50N/07201.75W") + QChar(code) + QStringLiteral("x");
        StationRecord* r = feed(info);
        ASSERT_NE(r, nullptr) << int(code);
        EXPECT_EQ(r->symbolCode, '"');
        EXPECT_EQ(r->stationType, StationType::Fixed);
    }
}

TEST_F(PositionDecoding, OverlaySymbolsUseTheAlternateTable) {
    StationRecord* r = feed(QStringLiteral("!4903.50ND07201.75W&PHG5132"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->symbolTable, 'D');
    EXPECT_EQ(r->symbolCode, '&');
    r = feed(QStringLiteral("!4903.50N\\07201.75W>"), QStringLiteral("N1CALL"));
    EXPECT_EQ(r->stationType, StationType::Mobile);
    r = feed(QStringLiteral("!4903.50N507201.75W#"), QStringLiteral("N2CALL"));
    EXPECT_EQ(r->stationType, StationType::Digi);
}

TEST_F(PositionDecoding, PhgIsStoredOnlyWhenValid) {
    StationRecord* r = feed(QStringLiteral("!4903.50N/07201.75W#PHG5132/Digi"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(r->phg.height, 20);
    EXPECT_EQ(r->phg.gain, 3);
    EXPECT_EQ(r->phg.directivity, 90);
    EXPECT_NEAR(r->phg.range, 7.9, 0.05);

    // 0 dB gain is an antenna like any other.
    r = feed(QStringLiteral("!4903.50N/07201.75W#PHG5102"), QStringLiteral("N1CALL"));
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(r->phg.gain, 0);
    EXPECT_EQ(r->phg.directivity, 90);

    // Power 0: nothing stored, the earlier PHG stays.
    r = feed(QStringLiteral("!4903.50N/07201.75W#PHG0132"), QStringLiteral("N1CALL"));
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(r->phg.height, 20);
}

TEST_F(PositionDecoding, TimeStampedPositions) {
    StationRecord* r = feed(QStringLiteral("@092345z4903.50N/07201.75W>"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->lastHeard, now()); // the time of reception, not the time stamp

    r = feed(QStringLiteral("/092345/4903.50S/07201.75E>088/012Hello"), QStringLiteral("N1CALL"));
    ASSERT_NE(r, nullptr);
    EXPECT_LT(r->latitude, 0);
    EXPECT_GT(r->longitude, 0);
    EXPECT_EQ(r->course, 88u);
    EXPECT_EQ(r->comment, "Hello");

    r = feed(QStringLiteral("@234517h4903.50N/07201.75W>"), QStringLiteral("N2CALL"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->longitude, -72.029167, 1e-6);
}

TEST_F(PositionDecoding, TimeStampedCompressedPosition) {
    StationRecord* r = feed(QStringLiteral("@092345z/5L!!<*e7>7P[Moving"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49.5, 1e-4);
    EXPECT_NEAR(r->longitude, -72.75, 1e-4);
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->course, 88u);
    EXPECT_NEAR(r->speed, 36.2, 0.05);
    EXPECT_EQ(r->comment, "Moving");
}

TEST_F(PositionDecoding, CompressedPositions) {
    StationRecord* r = feed(QStringLiteral("=/5L!!<*e7>7P[comment/A=000500"));
    ASSERT_NE(r, nullptr);
    EXPECT_NEAR(r->latitude, 49.5, 1e-4);
    EXPECT_NEAR(r->longitude, -72.75, 1e-4);
    EXPECT_EQ(r->symbolTable, '/');
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->stationType, StationType::Mobile);
    EXPECT_EQ(r->course, 88u);
    EXPECT_NEAR(r->speed, 36.2, 0.05);
    EXPECT_EQ(r->comment, "comment");
    EXPECT_EQ(r->altitude, 500);
    EXPECT_EQ(tracks.points.size(), 1u);

    // cs as altitude (GGA source): course and speed stay.
    r = feed(QStringLiteral("!/5L!!<*e7>S]2"));
    EXPECT_NEAR(r->altitude, 10004, 1);
    EXPECT_EQ(r->course, 88u);
    EXPECT_EQ(r->comment, "");

    // Range, or a blank c: nothing of cs is stored.
    r = feed(QStringLiteral("!/5L!!<*e7>{?!"));
    EXPECT_EQ(r->course, 88u);
    r = feed(QStringLiteral("!/5L!!<*e7>  T"));
    EXPECT_EQ(r->course, 88u);

    // An overlay table character.
    r = feed(QStringLiteral("=A5L!!<*e7#  T"), QStringLiteral("DIGI"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->symbolTable, 'A');
    EXPECT_EQ(r->stationType, StationType::Digi);
}

TEST_F(PositionDecoding, CompressedWeatherStationKeepsNoCourse) {
    StationRecord* r = feed(QStringLiteral("=/5L!!<*e7_7P[g005t077"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->stationType, StationType::Weather);
    EXPECT_EQ(r->course, 0u);
    EXPECT_EQ(r->speed, 0.0);
}

TEST_F(PositionDecoding, ShortOrGarbledCompressedPositionsAreDropped) {
    EXPECT_EQ(feed(QStringLiteral("=/5L!!<*e7>7P")), nullptr); // 13 characters
    EXPECT_EQ(feed(QStringLiteral("=/5L!!<*e7>")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("=/5L !<*e7>7P[")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("=/{{{{<*e7>7P[")), nullptr);
    EXPECT_EQ(feed(QStringLiteral("=Hello, world")), nullptr);
    DecodeContext ctx{stations, QStringLiteral("!!5L!!<*e7>7P["), u"N0CALL", u"APRS", u"hdr", QString(), 0,
                      1};
    EXPECT_EQ(decodeCompressedPosition(ctx), nullptr); // '!' is no symbol table
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(PositionDecoding, MicEThroughTheMonitorLine) {
    StationRecord* r = feed(QStringLiteral("`dYgoXv>/]\"4{}Hello PHG5132"), QStringLiteral("N0CALL-9"),
                            QStringLiteral("TYPS5P"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->call, "N0CALL-9");
    EXPECT_NEAR(r->latitude, 49.058333, 1e-6);
    EXPECT_NEAR(r->longitude, -72.029167, 1e-6);
    EXPECT_EQ(r->course, 90u);
    EXPECT_EQ(r->speed, 36.0);
    EXPECT_EQ(r->altitude, 328);
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->stationType, StationType::Mobile);
    EXPECT_EQ(r->comment, "]Hello PHG5132"); // without the altitude
    EXPECT_EQ(r->phg.power, 25);
    EXPECT_EQ(tracks.points.size(), 1u);

    // The same course from an encoder that raises the hundreds by 4, and 270 without it.
    r = feed(QStringLiteral("'dYgo\\v>/"), QStringLiteral("N0CALL-9"), QStringLiteral("TYPS5P"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->course, 90u);
    EXPECT_EQ(r->altitude, 328); // not sent: stays
    EXPECT_EQ(r->comment, "");
    r = feed(QStringLiteral("`dYgoZb>/"), QStringLiteral("N0CALL-9"), QStringLiteral("TYPS5P"));
    EXPECT_EQ(r->course, 270u);

    // Not a Mic-E destination.
    EXPECT_EQ(feed(QStringLiteral("`dYgoXv>/"), QStringLiteral("N1CALL"), QStringLiteral("APRS")), nullptr);
    EXPECT_EQ(stations.count(), 1);
}

TEST_F(PositionDecoding, GprsTracker) {
    // Header time 10:20:30 UTC on the day of reception.
    StationRecord* r = feed(QStringLiteral("Zel^49.5^-72.75^7^1234.7^12.5^270.9^/>"));
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->latitude, 49.5);
    EXPECT_DOUBLE_EQ(r->longitude, -72.75);
    EXPECT_EQ(r->altitude, 1234);
    EXPECT_EQ(r->speed, 12.5);
    EXPECT_EQ(r->course, 270u);
    EXPECT_EQ(r->symbolCode, '>');
    EXPECT_EQ(r->stationType, StationType::Mobile);
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->lastHeard, now()); // the header carries the time of reception here
    EXPECT_EQ(tracks.points.size(), 1u);

    // The tracker's time of day from the header, on today's date.
    clock.advance(1000);
    const QString header = QStringLiteral("00:Fm N0CALL To APZEL <UI pid=F0 Len=30 >[10:20:30]");
    r = stations.DecodePacket(QStringLiteral("Zel^^49.6^^-72.7^x^0^0^0^/>"), u"N0CALL", u"APZEL", header, u"",
                              0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->isNew, 0);
    EXPECT_EQ(r->lastHeard,
              SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 15), QTime(10, 20, 30), Qt::UTC)));
    EXPECT_DOUBLE_EQ(r->latitude, 49.6); // empty fields are skipped

    // A fix stamped before midnight and heard after it belongs to the day before.
    clock.setNow(QDateTime(QDate(2026, 1, 16), QTime(0, 0, 10), Qt::UTC));
    r = stations.DecodePacket(QStringLiteral("Zel^1^2^x^0^0^0^/>"), u"N1CALL", u"APZEL",
                              u"00:Fm N1CALL To APZEL <UI pid=F0 Len=30 >[23:59:50]", u"", 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->firstHeard,
              SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 15), QTime(23, 59, 50), Qt::UTC)));
    EXPECT_EQ(r->lastHeard, r->firstHeard);

    // No time stamp: now.
    r = stations.DecodePacket(QStringLiteral("Zel^1^2^x^0^0^-5^/>"), u"N2CALL", u"APZEL",
                              u"00:Fm N2CALL To APZEL", u"", 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->lastHeard, now());
    EXPECT_EQ(r->course, 0u); // negative course: none
}

TEST_F(PositionDecoding, GprsTrackerRefusesMissingOrGarbledFields) {
    for (const char* bad :
         {"Zel", "Zel^", "Zel^49.5^-72.75^7^1234^12.5^270", "Zel^49.5^-72.75^7^1234^12.5^270^/", "Zelx",
          "Zel^north^-72.75^7^1234^12.5^270^/>", "Zel^95^-72.75^7^1234^12.5^270^/>",
          "Zel^49^-190^7^1234^12.5^270^/>", "Zel^49^-72^7^1e300^12.5^270^/>", "Zel^49^-72^7^12^nan^270^/>",
          "Zel^49^-72^7^12^-3^270^/>", "Zel^49^-72^7^12^3^inf^/>", "ZZZ^49^-72^7^12^3^4^/>"})
        EXPECT_EQ(feed(QString::fromLatin1(bad)), nullptr) << bad;
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(PositionDecoding, RealTrafficThroughTheDatabase) {
    struct Case {
        const char *from, *to, *info;
        double lat, lon;
        char table, code;
    };
    const Case cases[] = {
        {"DB0XYZ-10", "APRX28", "!5047.23NR00911.54E&PHG5550 Digi & iGate", 50.787167, 9.192333, 'R', '&'},
        {"OH2ABC-7", "T7SYWP", "`2(al\"Ik/`\"4G}_%", 47.661667, -122.2115, '/', 'k'},
        {"VK2XYZ-9", "APOT30", "/123456h3352.00S/15112.50E>000/000/A=000123", -33.866667, 151.208333, '/',
         '>'},
        {"W1XYZ-9", "APDR16", "=4237.14N/07120.83W$/A=000000 aprsdroid", 42.619, -71.347167, '/', '$'},
        {"G4ABC", "APU25N", "@011300z5130.96N/00008.50W_090/005g010t050r000p000P000h80b10132", 51.516,
         -0.141667, '/', '_'},
    };
    int n = 0;
    for (const Case& c : cases) {
        StationRecord* r =
            feed(QString::fromLatin1(c.info), QString::fromLatin1(c.from), QString::fromLatin1(c.to));
        ASSERT_NE(r, nullptr) << c.info;
        EXPECT_NEAR(r->latitude, c.lat, 1e-5) << c.info;
        EXPECT_NEAR(r->longitude, c.lon, 1e-5) << c.info;
        EXPECT_EQ(r->symbolTable, c.table) << c.info;
        EXPECT_EQ(r->symbolCode, c.code) << c.info;
        EXPECT_EQ(stations.count(), ++n);
    }
}
