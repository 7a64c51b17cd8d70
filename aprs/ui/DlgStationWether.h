#pragma once

#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "controls/ZelPressure.h"

#include <QDialog>
#include <vector>

class QPushButton;
class QStackedWidget;
class SettingsStore;

// The pressure trend of a weather station's track, oldest point first: each point more than two
// hours after the reference is compared with it (lower Worse, higher Better, equal Steady) and
// becomes the new reference; the last comparison counts. Points without a pressure are skipped.
// Steady when there is no comparison.
PressureTrend pressureTrend(const std::vector<TrackPoint>& track);

// Details of a weather station on two pages: the instruments (pressure with trend, temperature,
// wind chill, heat index, wind) and "Next >"; then position, heard times, status, beacon, dew point,
// rain and humidity, and "Back". Shows a copy of the record; the trend comes from the track read
// when the dialog was opened.
class DlgStationWether : public QDialog {
    Q_OBJECT
public:
    DlgStationWether(const StationRecord& record, PressureTrend trend, SettingsStore& settings,
                     QWidget* parent = nullptr);
    const StationRecord& record() const { return m_record; }
    // 0 the instruments, 1 the second page.
    int page() const;

private:
    QWidget* firstPage(PressureTrend trend, SettingsStore& settings);
    QWidget* secondPage(SettingsStore& settings);

    const StationRecord m_record;
    QStackedWidget* m_pages = nullptr;
};
