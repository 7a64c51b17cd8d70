#pragma once

#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

// Real monitor lines through a real station database with its track files, on a manual clock
// (tests run with TZ=UTC: local time is UTC).
class TrackedStations : public ::testing::Test {
protected:
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};
    StationTracks tracks{stations};

    TrackedStations() { stations.setTrackSink(&tracks); }
    ~TrackedStations() override { stations.setTrackSink(nullptr); }

    // One monitor line, after stepMs on the clock (one line a second by default, so that no two
    // lines count as repeats). via: the header's path, empty for none.
    StationRecord* feedLine(const QString& info, const QString& from, const QString& to, const QString& via,
                            int port, int stepMs = 1000) {
        clock.advance(stepMs);
        QString header =
            QStringLiteral("%1:Fm %2 To %3").arg(port + 1, 2, 10, QLatin1Char('0')).arg(from, to);
        if (!via.isEmpty()) header += QStringLiteral(" Via ") + via;
        header += QStringLiteral(" <UI pid=F0 Len=%1 >[%2]")
                      .arg(info.size())
                      .arg(clock.nowUtc().time().toString(u"hh:mm:ss"));
        return stations.ProcessMonitorText(header + u'\r' + info + u'\r', port);
    }
};
