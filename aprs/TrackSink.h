#pragma once

#include <QString>

class StationRecord;

// Station tracks: a point after every accepted position, and the file's removal with its station.
class TrackSink {
public:
    virtual ~TrackSink() = default;
    virtual void appendTrackPoint(StationRecord& record) = 0;
    virtual void deleteTrack(const QString& call) = 0;
};
