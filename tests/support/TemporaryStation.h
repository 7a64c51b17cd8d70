#pragma once

#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "tests/support/TempHome.h"

// A station database in a fresh temporary home on a manual clock, with its track files at hand:
// the set-up the benchmarks and fuzz targets share. The track files take the database's track
// points only when plugged in.
struct TemporaryStation : TempHome {
    enum class Tracks { Unplugged, Plugged };
    explicit TemporaryStation(Tracks tracksIn = Tracks::Unplugged) {
        if (tracksIn == Tracks::Plugged) stations.setTrackSink(&tracks);
    }
    ~TemporaryStation() { stations.setTrackSink(nullptr); }
    TemporaryStation(const TemporaryStation&) = delete;
    TemporaryStation& operator=(const TemporaryStation&) = delete;

    ManualClock clock;
    StationManager stations{home, settings, clock};
    StationTracks tracks{stations};
};
