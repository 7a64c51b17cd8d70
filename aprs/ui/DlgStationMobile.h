#pragma once

#include "aprs/StationRecord.h"

#include <QDialog>

class SettingsStore;

// Details of a mobile station: position, heard times, course, speed and height in the units of
// the settings, beacon, status, last packet and heard paths. Shows a copy of the record.
class DlgStationMobile : public QDialog {
    Q_OBJECT
public:
    DlgStationMobile(const StationRecord& record, SettingsStore& settings, QWidget* parent = nullptr);
    const StationRecord& record() const { return m_record; }

private:
    const StationRecord m_record;
};
