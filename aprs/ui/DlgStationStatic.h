#pragma once

#include "aprs/StationRecord.h"

#include <QDialog>

class SettingsStore;

// Details of a fixed station (and of every type without a page of its own): position, heard
// times, status, beacon text, PHG and heard paths. Shows a copy of the record taken when it is
// made, so the station may expire or be deleted while the dialog is open.
class DlgStationStatic : public QDialog {
    Q_OBJECT
public:
    DlgStationStatic(const StationRecord& record, SettingsStore& settings, QWidget* parent = nullptr);
    const StationRecord& record() const { return m_record; }

private:
    const StationRecord m_record;
};
