#include "aprs/ui/StationDetails.h"
#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "aprs/ui/DlgDeleteTracks.h"
#include "aprs/ui/DlgStationMobile.h"
#include "aprs/ui/DlgStationStatic.h"
#include "aprs/ui/DlgStationWether.h"
#include "controls/DialogRunner.h"
#include "controls/HumidityGauge.h"
#include "controls/RainGauge.h"
#include "controls/ZelDirectionmeter.h"
#include "controls/ZelMFCThermometer.h"
#include "controls/ZelPressure.h"
#include "platform/Settings.h"
#include "support/TrackedStations.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kDash = QStringLiteral("\u2014");

SystemTime at(int hour, int minute, int second = 0) {
    return SystemTime::fromDateTime(QDateTime(QDate(2026, 1, 15), QTime(hour, minute, second), Qt::UTC));
}

class StationDetailsTest : public TrackedStations {
protected:
    ScriptedDialogRunner runner;

    StationRecord& station(const QString& call, int type) {
        StationRecord* r = stations.Create();
        r->call = call;
        r->stationType = type;
        r->symbolTable = '/';
        r->symbolCode = type == StationType::Mobile ? '>' : type == StationType::Weather ? '_' : '-';
        r->setPosition(48.1375, 11.575);
        return *r;
    }

    // Opens the station's dialog and hands it to `inspect` while it is "running".
    template <typename Dialog, typename Inspect> void inspect(const QString& call, Inspect check) {
        bool seen = false;
        runner.script = [&](QDialog& d) {
            d.show(); // as exec() would: clicks reach only a shown dialog
            auto* dialog = qobject_cast<Dialog*>(&d);
            EXPECT_NE(dialog, nullptr) << d.metaObject()->className();
            if (dialog) {
                seen = true;
                check(*dialog);
            }
            return int(QDialog::Accepted);
        };
        EXPECT_EQ(openStationDetails(nullptr, stations, tracks, t.settings, runner, call), QDialog::Accepted);
        EXPECT_TRUE(seen);
        runner.script = nullptr;
    }

    static QString text(QWidget& d, const char* name) {
        auto* label = d.findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QStringLiteral("<missing>");
    }
    template <typename Gauge> static auto state(QWidget& d, const char* name) {
        auto* gauge = d.findChild<Gauge*>(QString::fromLatin1(name));
        EXPECT_NE(gauge, nullptr) << name;
        return gauge ? gauge->state() : decltype(gauge->state()){};
    }

    void weatherPoint(StationRecord& r, SystemTime time, int pressure) {
        r.lastHeard = time;
        r.weather.pressure = pressure;
        tracks.appendTrackPoint(r);
    }
};

} // namespace

TEST_F(StationDetailsTest, DialogChosenByStationType) {
    station(QStringLiteral("CAR"), StationType::Mobile);
    station(QStringLiteral("WX"), StationType::Weather);
    station(QStringLiteral("HOME"), StationType::Fixed);
    station(QStringLiteral("DIGI"), StationType::Digi);
    station(QStringLiteral("OBJ"), StationType::Object);
    station(QStringLiteral("ODD"), 42);
    for (const char* call : {"CAR", "WX", "HOME", "DIGI", "OBJ", "ODD"})
        EXPECT_EQ(
            openStationDetails(nullptr, stations, tracks, t.settings, runner, QString::fromLatin1(call)),
            QDialog::Rejected);
    EXPECT_EQ(runner.shown, (QStringList{"DlgStationMobile", "DlgStationWether", "DlgStationStatic",
                                         "DlgStationStatic", "DlgStationStatic", "DlgStationStatic"}));

    EXPECT_EQ(openStationDetails(nullptr, stations, tracks, t.settings, runner, QStringLiteral("GONE")),
              StationDetails::kNoStation);
    EXPECT_EQ(openStationDetails(nullptr, stations, tracks, t.settings, runner, QStringLiteral("car")),
              StationDetails::kNoStation)
        << "calls are compared exactly";
    EXPECT_EQ(runner.shown.size(), 6);
}

TEST_F(StationDetailsTest, CommonHeaderFields) {
    StationRecord& r = station(QStringLiteral("DL1ABC-9"), StationType::Mobile);
    r.firstHeard = at(9, 5);
    r.lastHeard = at(11, 42, 30);
    r.status = QStringLiteral("<b>not markup</b>");
    r.comment = QStringLiteral("On the road");
    r.RecordHeardPath(u"01:Fm DL1ABC-9 To APRS Via WIDE1-1 <UI pid=F0 Len=10 >[11:42:30]");
    r.RecordHeardPath(u"01:Fm DL1ABC-9 To APRS Via DB0XYZ*,WIDE2-1 <UI pid=F0 Len=10 >[11:43:30]");
    inspect<DlgStationMobile>(QStringLiteral("DL1ABC-9"), [&](DlgStationMobile& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("DL1ABC-9 (Car) JN58SD"));
        EXPECT_EQ(text(d, "lat"), QStringLiteral("N48\u00B008.25'"));
        EXPECT_EQ(text(d, "lon"), QStringLiteral("E 11\u00B034.50'"));
        const QString date = QLocale().toString(QDate(2026, 1, 15), QLocale::ShortFormat);
        EXPECT_EQ(text(d, "heardFirst"), date + QStringLiteral(" 09:05"));
        EXPECT_EQ(text(d, "heardLast"), date + QStringLiteral(" 11:42"));
        auto* status = d.findChild<QLabel*>(QStringLiteral("status"));
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text(), r.status);
        EXPECT_EQ(status->textFormat(), Qt::PlainText) << "texts from the air are never rich text";
        EXPECT_EQ(text(d, "beacon"), QStringLiteral("On the road"));
        auto* paths = d.findChild<QListWidget*>(QStringLiteral("paths"));
        ASSERT_NE(paths, nullptr);
        ASSERT_EQ(paths->count(), 2);
        EXPECT_TRUE(paths->item(0)->text().contains(QStringLiteral("WIDE1-1")));
        EXPECT_TRUE(paths->item(1)->text().contains(QStringLiteral("DB0XYZ")));
    });
}

TEST_F(StationDetailsTest, MobileUnitsFollowTheSettings) {
    StationRecord& r = station(QStringLiteral("CAR"), StationType::Mobile);
    r.speed = 10;
    r.course = 123;
    r.altitude = 1000;
    r.lastPacket = QStringLiteral("!4808.25N/01134.50E>123/010/A=001000");
    inspect<DlgStationMobile>(QStringLiteral("CAR"), [](DlgStationMobile& d) {
        EXPECT_EQ(text(d, "speed"), QStringLiteral("18.52 Km/h")) << "km/h by default";
        EXPECT_EQ(text(d, "course"), QStringLiteral("123\u00B0"));
        EXPECT_EQ(text(d, "height"), QStringLiteral("304 meters"));
        EXPECT_EQ(text(d, "packet"), QStringLiteral("!4808.25N/01134.50E>123/010/A=001000"));
    });
    write(t.settings, Settings::SPEED_FORMAT_UNITS, 3);
    write(t.settings, Settings::ALTITUDE_FORMAT, 9);
    inspect<DlgStationMobile>(QStringLiteral("CAR"), [](DlgStationMobile& d) {
        EXPECT_EQ(text(d, "speed"), QStringLiteral("11.51 Mi/h"));
        EXPECT_EQ(text(d, "height"), QStringLiteral("1000 ft"));
    });
    write(t.settings, Settings::SPEED_FORMAT_UNITS, 4);
    write(t.settings, Settings::ALTITUDE_FORMAT, 7);
    inspect<DlgStationMobile>(QStringLiteral("CAR"), [](DlgStationMobile& d) {
        EXPECT_EQ(text(d, "speed"), QStringLiteral("10.00 Kn"));
        EXPECT_EQ(text(d, "height"), QString()) << "no height in a unit that is not an altitude";
    });
}

TEST_F(StationDetailsTest, FixedStationPhg) {
    station(QStringLiteral("BARE"), StationType::Fixed);
    inspect<DlgStationStatic>(QStringLiteral("BARE"), [](DlgStationStatic& d) {
        for (const char* field : {"power", "gain", "height", "directivity"})
            EXPECT_EQ(text(d, field), QString()) << field;
    });

    StationRecord& r = station(QStringLiteral("PHG"), StationType::Fixed);
    r.phg = {25, 100, 3, 90, 0};
    inspect<DlgStationStatic>(QStringLiteral("PHG"), [](DlgStationStatic& d) {
        EXPECT_EQ(text(d, "power"), QStringLiteral("~25 W"));
        EXPECT_EQ(text(d, "height"), QStringLiteral("~30 m"));
        EXPECT_EQ(text(d, "gain"), QStringLiteral("3 db"));
        EXPECT_EQ(text(d, "directivity"), QStringLiteral("E"));
    });
    write(t.settings, Settings::ALTITUDE_FORMAT, 9);
    struct {
        int degrees;
        const char* word;
    } directions[] = {{0, "Omni"}, {45, "NE"}, {180, "S"}, {315, "NW"}, {360, "N"}, {30, ""}, {405, ""}};
    for (const auto& c : directions) {
        stations.FindByCall(u"PHG")->phg.directivity = c.degrees;
        inspect<DlgStationStatic>(QStringLiteral("PHG"), [&](DlgStationStatic& d) {
            EXPECT_EQ(text(d, "height"), QStringLiteral("~100 f"));
            EXPECT_EQ(text(d, "directivity"), QString::fromLatin1(c.word)) << c.degrees;
        });
    }
}

TEST_F(StationDetailsTest, WeatherValuesInTheUnitsOfTheSettings) {
    StationRecord& r = station(QStringLiteral("WX"), StationType::Weather);
    StationRecord::Weather& w = r.weather;
    w.pressure = 10132;
    w.temperature = 68;
    w.windChill = 59;
    w.heatIndex = 68;
    w.dewPoint = 50;
    w.humidity = 55;
    w.windSpeed = 10;
    w.windDirection = 270;
    w.rainLastHour = 12;
    w.rainLast24h = 100;
    w.rainSinceMidnight = 0;
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(state<ZelPressure>(d, "pressure").hPa, 1013);
        const Thermometer::State temperature = state<ZelMFCThermometer>(d, "temperature");
        EXPECT_EQ(temperature.title, QStringLiteral("Tempr."));
        EXPECT_EQ(temperature.scale, Thermometer::Scale::Fahrenheit) << "°F by default";
        EXPECT_EQ(temperature.value, 68.0);
        EXPECT_EQ(state<ZelMFCThermometer>(d, "windChill").title, QStringLiteral("Win.Ch."));
        EXPECT_EQ(state<ZelMFCThermometer>(d, "heatIndex").title, QStringLiteral("HeatIdx"));
        EXPECT_EQ(state<ZelMFCThermometer>(d, "dewPoint").value, 50.0);
        EXPECT_EQ(state<ZelDirectionmeter>(d, "wind").degrees, 270);
        EXPECT_EQ(text(d, "windText"), QStringLiteral("WindSpd:10mph")) << "mph by default";
        const Rain::State hour = state<RainGauge>(d, "rainHour");
        EXPECT_EQ(hour.title, QStringLiteral("Hour"));
        EXPECT_EQ(hour.unit, QStringLiteral("(in/100)"));
        EXPECT_EQ(hour.value, 12);
        EXPECT_EQ(state<RainGauge>(d, "rain24h").value, 100);
        EXPECT_EQ(state<RainGauge>(d, "rainToday").value, 0) << "no rain is a reading, not a missing one";
        EXPECT_EQ(state<HumidityGauge>(d, "humidity").percent, 55);
    });

    write(t.settings, Settings::TEMPERATURE_FORMAT_WEATHER, 0);
    write(t.settings, Settings::SPEED_FORMAT_STATIONS, 2);
    write(t.settings, Settings::RAIN_FORMAT, 16);
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        const Thermometer::State temperature = state<ZelMFCThermometer>(d, "temperature");
        EXPECT_EQ(temperature.scale, Thermometer::Scale::Celsius);
        EXPECT_DOUBLE_EQ(*temperature.value, 20.0);
        EXPECT_DOUBLE_EQ(*state<ZelMFCThermometer>(d, "windChill").value, 15.0);
        EXPECT_DOUBLE_EQ(*state<ZelMFCThermometer>(d, "dewPoint").value, 10.0);
        EXPECT_EQ(text(d, "windText"), QStringLiteral("WindSpd:16.1Kmh"));
        const Rain::State day = state<RainGauge>(d, "rain24h");
        EXPECT_EQ(day.unit, QStringLiteral("(mm)"));
        EXPECT_EQ(day.value, 25) << "whole millimetres";
        EXPECT_EQ(state<RainGauge>(d, "rainHour").value, 3);
    });
    write(t.settings, Settings::SPEED_FORMAT_STATIONS, 4);
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(text(d, "windText"), QStringLiteral("WindSpd:8.7Knt"));
    });
    write(t.settings, Settings::SPEED_FORMAT_STATIONS, 7);
    inspect<DlgStationWether>(QStringLiteral("WX"),
                              [](DlgStationWether& d) { EXPECT_EQ(text(d, "windText"), QString()); });

    stations.FindByCall(u"WX")->weather.windSpeed = 0;
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(state<ZelDirectionmeter>(d, "wind").degrees, std::nullopt) << "a calm has no direction";
    });
}

TEST_F(StationDetailsTest, UnreportedValuesShowNoReading) {
    station(QStringLiteral("WX"), StationType::Weather); // every weather value as not reported
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(state<ZelPressure>(d, "pressure").hPa, std::nullopt);
        for (const char* t : {"temperature", "windChill", "heatIndex", "dewPoint"})
            EXPECT_EQ(state<ZelMFCThermometer>(d, t).value, std::nullopt) << t;
        EXPECT_EQ(state<ZelDirectionmeter>(d, "wind").degrees, std::nullopt);
        EXPECT_EQ(text(d, "windText"), QStringLiteral("WindSpd:") + kDash);
        for (const char* g : {"rainHour", "rain24h", "rainToday"})
            EXPECT_EQ(state<RainGauge>(d, g).value, std::nullopt) << g;
        EXPECT_EQ(state<HumidityGauge>(d, "humidity").percent, std::nullopt);
        for (const char* t : {"temperature", "dewPoint"}) {
            // The gauge itself writes the dash, never -50000.
            const Gauge::Column c = Thermometer::column(state<ZelMFCThermometer>(d, t));
            EXPECT_TRUE(c.valueText.isEmpty());
            EXPECT_FALSE(c.value.has_value());
        }
    });
    // A reported temperature without humidity still has no dew point.
    stations.FindByCall(u"WX")->weather.temperature = 50;
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(state<ZelMFCThermometer>(d, "temperature").value, 50.0);
        EXPECT_EQ(state<ZelMFCThermometer>(d, "dewPoint").value, std::nullopt);
    });
}

TEST_F(StationDetailsTest, WeatherPagesSwitchWithNextAndBack) {
    station(QStringLiteral("WX"), StationType::Weather);
    inspect<DlgStationWether>(QStringLiteral("WX"), [](DlgStationWether& d) {
        EXPECT_EQ(d.page(), 0);
        auto* next = d.findChild<QPushButton*>(QStringLiteral("next"));
        auto* back = d.findChild<QPushButton*>(QStringLiteral("back"));
        ASSERT_TRUE(next && back);
        EXPECT_EQ(next->text(), QStringLiteral("Next >"));
        EXPECT_EQ(back->text(), QStringLiteral("Back"));
        QTest::mouseClick(next, Qt::LeftButton);
        EXPECT_EQ(d.page(), 1);
        QTest::mouseClick(back, Qt::LeftButton);
        EXPECT_EQ(d.page(), 0);
    });
}

TEST_F(StationDetailsTest, PressureTrendFromTheTrackFile) {
    auto trendOf = [&](const QString& call) { return pressureTrend(tracks.readTrack(call)); };
    EXPECT_EQ(trendOf(QStringLiteral("NOFILE")), PressureTrend::Steady);

    StationRecord& steady = station(QStringLiteral("WX1"), StationType::Weather);
    weatherPoint(steady, at(8, 0), 10100);
    weatherPoint(steady, at(9, 0), 10000);
    weatherPoint(steady, at(10, 0), 10200);
    EXPECT_EQ(trendOf(QStringLiteral("WX1")), PressureTrend::Steady) << "all within two hours: no comparison";

    StationRecord& exact = station(QStringLiteral("WX2"), StationType::Weather);
    weatherPoint(exact, at(8, 0), 10100);
    weatherPoint(exact, at(10, 0), 10000);
    EXPECT_EQ(trendOf(QStringLiteral("WX2")), PressureTrend::Steady) << "exactly two hours is not more";
    weatherPoint(exact, at(10, 0, 1), 10000);
    EXPECT_EQ(trendOf(QStringLiteral("WX2")), PressureTrend::Worse);

    // The reference moves on: 08:00 -> 10:30 rises, 10:30 -> 13:00 falls; the last comparison counts.
    StationRecord& turning = station(QStringLiteral("WX3"), StationType::Weather);
    weatherPoint(turning, at(8, 0), 10100);
    weatherPoint(turning, at(10, 30), 10150);
    weatherPoint(turning, at(13, 0), 10120);
    EXPECT_EQ(trendOf(QStringLiteral("WX3")), PressureTrend::Worse);
    weatherPoint(turning, at(15, 30), 10120);
    EXPECT_EQ(trendOf(QStringLiteral("WX3")), PressureTrend::Steady);

    // Points without a pressure neither compare nor become the reference.
    StationRecord& gaps = station(QStringLiteral("WX4"), StationType::Weather);
    weatherPoint(gaps, at(6, 0), -1);
    weatherPoint(gaps, at(8, 0), 10000);
    weatherPoint(gaps, at(10, 30), -1);
    weatherPoint(gaps, at(11, 0), 10050);
    weatherPoint(gaps, at(14, 0), -1);
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX4")).size(), 5u);
    EXPECT_EQ(trendOf(QStringLiteral("WX4")), PressureTrend::Better);

    inspect<DlgStationWether>(QStringLiteral("WX4"), [](DlgStationWether& d) {
        EXPECT_EQ(state<ZelPressure>(d, "pressure").trend, PressureTrend::Better);
    });
}

TEST_F(StationDetailsTest, StationGoingWhileItsDialogIsOpenKeepsTheCopy) {
    write(t.settings, Settings::EXPIRETIME, 10);
    StationRecord& wx = station(QStringLiteral("WX"), StationType::Weather);
    wx.weather.pressure = 10132;
    wx.comment = QStringLiteral("Garden");
    station(QStringLiteral("CAR"), StationType::Mobile).speed = 10;

    runner.script = [&](QDialog& d) {
        d.show();
        // Expiry runs on the minute tick, inside the dialog's event loop.
        clock.advance(11 * 60 * 1000);
        stations.Expire();
        EXPECT_EQ(stations.FindByCall(u"WX"), nullptr);
        EXPECT_EQ(stations.FindByCall(u"CAR"), nullptr);
        if (auto* weather = qobject_cast<DlgStationWether*>(&d)) {
            EXPECT_EQ(weather->record().call, QStringLiteral("WX"));
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("next")), Qt::LeftButton);
            EXPECT_EQ(text(d, "beacon"), QStringLiteral("Garden"));
            d.repaint();
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("back")), Qt::LeftButton);
            EXPECT_EQ(state<ZelPressure>(d, "pressure").hPa, 1013);
        } else {
            EXPECT_EQ(text(d, "speed"), QStringLiteral("18.52 Km/h"));
            d.repaint();
        }
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(openStationDetails(nullptr, stations, tracks, t.settings, runner, QStringLiteral("WX")),
              QDialog::Accepted);
    // A new CAR for the second round, gone while its dialog is open.
    station(QStringLiteral("CAR"), StationType::Mobile).speed = 10;
    runner.script = [&](QDialog& d) {
        stations.Remove(stations.FindByCall(u"CAR"));
        EXPECT_EQ(text(d, "speed"), QStringLiteral("18.52 Km/h"));
        d.repaint();
        return int(QDialog::Accepted);
    };
    EXPECT_EQ(openStationDetails(nullptr, stations, tracks, t.settings, runner, QStringLiteral("CAR")),
              QDialog::Accepted);
}

TEST_F(StationDetailsTest, DeleteTracksKeepsTheLastMinutes) {
    StationRecord& wx = station(QStringLiteral("WX"), StationType::Weather);
    wx.firstHeard = at(9, 0);
    for (int m = 0; m <= 180; m += 15) weatherPoint(wx, at(9 + m / 60, m % 60), 10100);
    ASSERT_EQ(tracks.readTrack(QStringLiteral("WX")).size(), 13u);

    // Cancel: nothing changes.
    runner.script = [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Delete Station Tracks"));
        auto* duration = d.findChild<QLineEdit*>(QStringLiteral("duration"));
        auto* keep = d.findChild<QSpinBox*>(QStringLiteral("keepLast"));
        EXPECT_TRUE(duration && keep);
        EXPECT_EQ(duration ? duration->text() : QString(), QStringLiteral("180"));
        EXPECT_EQ(keep ? keep->value() : -1, 45);
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(runDeleteTracks(nullptr, stations, tracks, runner, QStringLiteral("WX")));
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX")).size(), 13u);

    // Ok with 45: the points less than 45 minutes before 12:00, that is 11:30 and later.
    runner.script = [](QDialog&) { return int(QDialog::Accepted); };
    EXPECT_TRUE(runDeleteTracks(nullptr, stations, tracks, runner, QStringLiteral("WX")));
    const std::vector<TrackPoint> kept = tracks.readTrack(QStringLiteral("WX"));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().time, at(11, 30));

    // The value typed is the one used.
    runner.script = [](QDialog& d) {
        auto* keep = d.findChild<QSpinBox*>(QStringLiteral("keepLast"));
        keep->selectAll();
        QTest::keyClicks(keep, QStringLiteral("20"));
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(runDeleteTracks(nullptr, stations, tracks, runner, QStringLiteral("WX")));
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX")).size(), 2u);
}

TEST_F(StationDetailsTest, DeleteTracksOfAStationThatWentIsHarmless) {
    StationRecord& wx = station(QStringLiteral("WX"), StationType::Weather);
    weatherPoint(wx, at(11, 0), 10100);
    weatherPoint(wx, at(12, 0), 10100);
    const QString path = tracks.trackPath(QStringLiteral("WX"));
    ASSERT_TRUE(QFile::exists(path));

    runner.script = [&](QDialog&) {
        stations.Remove(stations.FindByCall(u"WX"));
        return int(QDialog::Accepted);
    };
    EXPECT_FALSE(runDeleteTracks(nullptr, stations, tracks, runner, QStringLiteral("WX")));
    EXPECT_FALSE(QFile::exists(path)) << "no track is written back for a station that is gone";

    runner.shown.clear();
    EXPECT_FALSE(runDeleteTracks(nullptr, stations, tracks, runner, QStringLiteral("WX")));
    EXPECT_TRUE(runner.shown.isEmpty()) << "no dialog for a call that is not there";
}

TEST_F(StationDetailsTest, DeleteTracksOfAllStations) {
    for (const char* call : {"WX1", "WX2"}) {
        StationRecord& wx = station(QString::fromLatin1(call), StationType::Weather);
        wx.firstHeard = at(10, 0);
        for (int m = 0; m <= 120; m += 30) weatherPoint(wx, at(10 + m / 60, m % 60), 10100);
    }
    runner.script = [](QDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("duration"))->text(), QStringLiteral("120"));
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(runDeleteTracks(nullptr, stations, tracks, runner, QString()));
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX1")).size(), 2u);
    EXPECT_EQ(tracks.readTrack(QStringLiteral("WX2")).size(), 2u);
}
