#pragma once

#include "aprs/StationRecord.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"

// Placeholder until the station database lands: the operations the central object calls.
class StationManager {
public:
    StationManager(const StationHome& home, SettingsStore& settings, Clock& clock)
        : m_home(home), m_settings(settings), m_clock(clock) {}
    StationRecord* ProcessMonitorText(const QString&, int) { return nullptr; }
    void MoveToEnd(StationRecord*) {}
    void Load() {}
    bool Save() { return true; }
    void Expire() {}
    void RemoveAll() {}

private:
    const StationHome& m_home;
    SettingsStore& m_settings;
    Clock& m_clock;
};
