#include "cli/GpsTrack.h"
#include "cli/GpsdSimulator.h"
#include "gps/GpsdJson.h"

#include <QFileInfo>
#include <gtest/gtest.h>

TEST(GpsTrack, ReadsFixesWithTheirSatellitesAndFixKinds) {
    QVector<GpsTrackPoint> points;
    QString error;
    ASSERT_TRUE(GpsTrack::parse(QStringLiteral("# a comment\n"
                                               "\n"
                                               "2026-01-15T12:00:00Z 37.5 -23.75 10.5 45 120.5 6\n"
                                               "-, -37.5, 123.75, 0, 360, -3, 5/45/120/38;12/30/240/0, dgps\n"
                                               "2026-01-15T12:00:02Z 1 1 0 0 0 0 none\r\n"),
                                points, &error))
        << error.toStdString();
    ASSERT_EQ(points.size(), 3);
    EXPECT_EQ(points[0].utcTime, QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC));
    EXPECT_DOUBLE_EQ(points[0].longitude, -23.75);
    EXPECT_DOUBLE_EQ(points[0].speedKnots, 10.5);
    EXPECT_EQ(points[0].satellites.size(), 6);
    EXPECT_EQ(points[0].fix, GpsTrackPoint::ThreeD);
    EXPECT_FALSE(points[1].utcTime.isValid()); // played at the moment of sending
    ASSERT_EQ(points[1].satellites.size(), 2);
    EXPECT_EQ(points[1].satellites[1], (GpsSatellite{12, 30, 240, 0, false}));
    EXPECT_EQ(points[1].fix, GpsTrackPoint::Dgps);
    EXPECT_EQ(points[2].fix, GpsTrackPoint::None);
}

TEST(GpsTrack, BadLinesAreReportedWithTheirNumber) {
    QVector<GpsTrackPoint> points;
    QString error;
    auto bad = [&](const char* text) {
        error.clear();
        EXPECT_FALSE(GpsTrack::parse(QString::fromUtf8(text), points, &error)) << text;
        return error.toStdString();
    };
    EXPECT_EQ(bad("# only\n- 91 0 0 0 0 4\n"), "line 2: bad latitude");
    EXPECT_EQ(bad("- 0 180.5 0 0 0 4"), "line 1: bad longitude");
    EXPECT_EQ(bad("- 0 0 -1 0 0 4"), "line 1: bad speed");
    EXPECT_EQ(bad("- 0 0 0 0 0 4 4d"), "line 1: bad fix (3d, 2d, dgps or none)");
    EXPECT_EQ(bad("yesterday 0 0 0 0 0 4"), "line 1: bad time");
    EXPECT_EQ(bad("- 0 0 0 0 0 5/45/120"), "line 1: bad satellites");
    EXPECT_EQ(bad("- 0 0 0 0 0 99"), "line 1: bad satellites");
    EXPECT_EQ(bad("- 0 0 0 0"), "line 1: expected 7 or 8 fields");
    EXPECT_EQ(bad("# nothing\n"), "no track points");
}

TEST(GpsTrack, TheSampleTrackLoadsAndItsReportsReadBack) {
    // The tests folder of the source tree, as recorded at build time.
    const QString sample = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/samples/thessaloniki-drive.track");
    QVector<GpsTrackPoint> points;
    QString error;
    ASSERT_TRUE(GpsTrack::load(sample, points, &error)) << error.toStdString();
    EXPECT_EQ(points.size(), 17);
    const QDateTime now(QDate(2026, 1, 15), QTime(12, 30), Qt::UTC);
    for (const GpsTrackPoint& p : points) {
        GpsPosition position;
        EXPECT_EQ(GpsdJson::apply(GpsdSimulator::skyReport(p, now).trimmed(), position),
                  GpsdJson::Report::Sky);
        EXPECT_EQ(GpsdJson::apply(GpsdSimulator::tpvReport(p, now).trimmed(), position),
                  GpsdJson::Report::Tpv);
        EXPECT_EQ(position.satellites.size(),
                  std::min<qsizetype>(p.satellites.size(), GpsPosition::kMaxSatellites));
        if (p.fix == GpsTrackPoint::None) {
            EXPECT_EQ(position.fixQuality, GpsPosition::Invalid);
            continue;
        }
        EXPECT_EQ(position.fixQuality,
                  p.fix == GpsTrackPoint::Dgps ? GpsPosition::DifferentialValid : GpsPosition::SpsValid);
        EXPECT_DOUBLE_EQ(position.latitude, p.latitude);
        EXPECT_DOUBLE_EQ(position.longitude, p.longitude);
        EXPECT_NEAR(position.speed, p.speedKnots, 1e-4);
        EXPECT_NEAR(position.heading, p.course, 1e-4);
        EXPECT_EQ(position.has(GpsPosition::AltitudeMsl), p.fix != GpsTrackPoint::TwoD);
    }
}
