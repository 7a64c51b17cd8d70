#include "gps/ui/GPSView.h"
#include "aprs/StationManager.h"
#include "controls/ZelGPSSatDisplay.h"
#include "controls/ZelMfcCompass.h"
#include "gps/GPSReader.h"
#include "gps/GpsController.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A GPS controller over a temporary station home and a manual clock, and the view over it. The
// reader, when started, looks for gpsd on a port where none listens.
struct ViewFixture {
    TempHome home;
    ManualClock clock;
    StationManager stations{home.home, home.settings, clock};
    GpsController gps{home.settings, clock, stations, [](const OutboundPacket&) {}};
    std::unique_ptr<GPSView> view;

    ViewFixture() {
        write(home.settings, Settings::GPSD_PORT, 1);
        view = std::make_unique<GPSView>(gps, home.settings);
    }
    QString text(const char* name) const {
        auto* label = view->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
    }
    QPushButton* button() const { return view->findChild<QPushButton*>(QStringLiteral("startStop")); }
};

// A position as the reader hands it over, its texts made by position processing.
GpsUpdate fix(double knots = 12.3, double heading = 231.7) {
    GpsPosition p;
    p.validFields = GpsPosition::UtcTime | GpsPosition::Latitude | GpsPosition::Longitude |
                    GpsPosition::Speed | GpsPosition::Heading | GpsPosition::AltitudeMsl;
    p.fixQuality = GpsPosition::SpsValid;
    p.utcTime = QDateTime(QDate(2026, 1, 15), QTime(12, 0, 5), Qt::UTC);
    p.latitude = 37.5;
    p.longitude = 23.75;
    p.speed = static_cast<float>(knots);
    p.heading = static_cast<float>(heading);
    p.altitudeMsl = 145.2f;
    for (int prn : {3, 14, 22}) {
        GpsSatellite s;
        s.prn = prn;
        s.elevation = 40;
        s.azimuth = prn * 10;
        s.snr = 30;
        p.satellites.append(s);
    }
    p.satelliteCount = 3;
    GpsUpdate u;
    u.position = p;
    int valid = 0;
    u.valid = GPSReader::processPosition(p, u.texts, valid);
    return u;
}

} // namespace

TEST(GPSView, StartsWithPlaceholderTexts) {
    ViewFixture f;
    EXPECT_EQ(f.text("LAT"), "00.00.000");
    EXPECT_EQ(f.text("LON"), "000.00.000");
    EXPECT_EQ(f.text("COURSE"), "000");
    EXPECT_EQ(f.text("DATETIME"), "No Fix Yet");
    EXPECT_EQ(f.text("SPEED"), "00");
    EXPECT_EQ(f.text("HEIGHT"), "00");
    auto* lat = f.view->findChild<QLabel*>(QStringLiteral("LAT"));
    ASSERT_NE(lat, nullptr);
    EXPECT_TRUE(lat->font().bold());
    EXPECT_EQ(lat->textFormat(), Qt::PlainText);

    auto* compass = f.view->findChild<ZelMfcCompass*>(QStringLiteral("compass"));
    ASSERT_NE(compass, nullptr);
    EXPECT_EQ(compass->heading(), 120);
    EXPECT_EQ(compass->caption(), "Course");
    auto* satellites = f.view->findChild<ZelGPSSatDisplay*>(QStringLiteral("satellites"));
    ASSERT_NE(satellites, nullptr);
    EXPECT_FALSE(satellites->position().has_value());
}

TEST(GPSView, ShowsTheControllersPositions) {
    ViewFixture f;
    f.gps.processUpdate(fix());
    EXPECT_EQ(f.text("LAT"), "37°30.0000N");
    EXPECT_EQ(f.text("LON"), "023°45.0000E");
    EXPECT_EQ(f.text("DATETIME"), "2026/01/15 12:00:05");
    EXPECT_EQ(f.text("SPEED"), "22.78Km/h");
    EXPECT_EQ(f.text("HEIGHT"), "145.20m");
    EXPECT_EQ(f.text("COURSE"), "231.7°");
    EXPECT_EQ(f.view->compass()->heading(), 231);
    ASSERT_TRUE(f.view->satellites()->position().has_value());
    EXPECT_EQ(f.view->satellites()->position()->satellites.size(), 3);
    EXPECT_EQ(f.view->satellites()->position()->satellites[1].prn, 14);

    // A view made later starts from the last position.
    GPSView second(f.gps, f.home.settings);
    EXPECT_EQ(second.findChild<QLabel*>(QStringLiteral("LAT"))->text(), "37°30.0000N");
}

TEST(GPSView, SpeedFollowsTheUnitSettingAtEachUpdate) {
    ViewFixture f;
    f.gps.processUpdate(fix(10));
    EXPECT_EQ(f.text("SPEED"), "18.52Km/h");
    write(f.home.settings, Settings::SPEED_FORMAT_UNITS, 3);
    f.gps.processUpdate(fix(10));
    EXPECT_EQ(f.text("SPEED"), "11.51Mi/h");
    write(f.home.settings, Settings::SPEED_FORMAT_UNITS, 1);
    f.gps.processUpdate(fix(10));
    EXPECT_EQ(f.text("SPEED"), "10.00Kn");
    write(f.home.settings, Settings::SPEED_FORMAT_UNITS, 4);
    f.gps.processUpdate(fix(0.5));
    EXPECT_EQ(f.text("SPEED"), "0.50Kn");
}

TEST(GPSView, StartStopButtonTogglesReading) {
    ViewFixture f;
    QPushButton* button = f.button();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Start");
    button->click();
    EXPECT_TRUE(f.gps.isRunning());
    EXPECT_EQ(button->text(), "Stop");
    button->click();
    EXPECT_FALSE(f.gps.isRunning());
    EXPECT_EQ(button->text(), "Start");
    // Started or stopped elsewhere, the button follows.
    f.gps.start();
    EXPECT_EQ(button->text(), "Stop");
    f.gps.stop();
    EXPECT_EQ(button->text(), "Start");

    // A view over a controller that already runs offers Stop.
    f.gps.start();
    GPSView second(f.gps, f.home.settings);
    EXPECT_EQ(second.findChild<QPushButton*>(QStringLiteral("startStop"))->text(), "Stop");
    f.gps.stop();
}
