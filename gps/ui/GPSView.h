#pragma once

#include "controls/CommandIds.h"
#include "gps/GpsPosition.h"

#include <QWidget>

class GpsController;
class QFormLayout;
class QLabel;
class QPushButton;
class SettingsStore;
class ZelGPSSatDisplay;
class ZelMfcCompass;

// The GPS tab: latitude, longitude, course, speed, height and date/time of the last position, the
// compass and the satellites in view, and the button that starts and stops GPS reading. Display
// only: the controller enters the own station and decides the beacons.
class GPSView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    GPSView(GpsController& gps, SettingsStore& settings, QWidget* parent = nullptr);

    // The speed field's text of a speed in knots by a SPEED_FORMAT code: 2 km/h, 3 mph, else knots.
    static QString speedText(double knots, int speedFormat);

    ZelMfcCompass* compass() const { return m_compass; }
    ZelGPSSatDisplay* satellites() const { return m_satellites; }

    // Refreshes the fields, the compass and the satellites from a position.
    void showUpdate(const GpsUpdate& update);

private:
    QLabel* addField(QFormLayout* form, const QString& caption, const char* name, const QString& text);
    void toggleReading();
    void showRunning(bool running);

    GpsController& m_gps;
    SettingsStore& m_settings;
    QLabel* m_lat = nullptr;
    QLabel* m_lon = nullptr;
    QLabel* m_course = nullptr;
    QLabel* m_dateTime = nullptr;
    QLabel* m_speed = nullptr;
    QLabel* m_height = nullptr;
    ZelMfcCompass* m_compass = nullptr;
    ZelGPSSatDisplay* m_satellites = nullptr;
    QPushButton* m_startStop = nullptr;
};
