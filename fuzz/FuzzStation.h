#pragma once

#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"

#include <QTemporaryDir>

// A station database with its track files in a temporary home, kept for a whole fuzzing run.
struct FuzzStation {
    QTemporaryDir dir;
    StationHome home{dir.path()};
    SettingsStore settings{home.settingsFile()};
    ManualClock clock;
    StationManager stations{home, settings, clock};
    StationTracks tracks{stations};
    int runs = 0;
    FuzzStation() {
        home.createFolders();
        stations.setTrackSink(&tracks);
    }
};
