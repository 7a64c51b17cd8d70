#pragma once

#include "aprs/TrackSink.h"
#include "platform/SystemTime.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class StationManager;
class StationRecord;

// One point of a station's track: where it was when it was last heard, with its weather readings
// (a station that reports no weather keeps the not-reported values -1 and -50000).
struct TrackPoint {
    double latitude = 0;
    double longitude = 0;
    SystemTime time; // the station's last-heard time (local)
    uint32_t course = 0;
    double speed = 0; // knots
    int32_t windDirection = -1;
    int32_t windSpeed = -1;
    int32_t windGust = -1;
    int32_t temperature = -50000;
    int32_t rainLastHour = -1;
    int32_t rainLast24h = -1;
    int32_t rainSinceMidnight = -1;
    int32_t humidity = -1;
    int32_t pressure = -1;
    int32_t unnamed1 = -1;
    int32_t unnamed2 = -1;
    double windChill = 0;
    double dewPoint = 0;
    double heatIndex = 0;

    static TrackPoint fromStation(const StationRecord& record);
    bool operator==(const TrackPoint&) const = default;
};

// The track file: 120-byte little-endian records, oldest first, no header.
namespace TrackFile {
constexpr qsizetype kRecordSize = 120;
QByteArray encode(const TrackPoint& point);
// Exactly one record's bytes; nothing when fewer.
std::optional<TrackPoint> decode(QByteArrayView record);
// Every whole record of the bytes; a cut-off record at the end is left out.
std::vector<TrackPoint> decodeAll(QByteArrayView data);
} // namespace TrackFile

// Station tracks: Data/<call>.pos per station, kept by the decoders through the TrackSink hook.
//   StationTracks tracks(stations);
//   stations.setTrackSink(&tracks);
// The tracks must outlive the hook (clear it with setTrackSink(nullptr) before destroying them).
class StationTracks : public TrackSink {
public:
    explicit StationTracks(StationManager& stations);

    // Adds the station's current position and weather as a point, unless the last point already
    // holds it: a station that is not a weather station adds a point only when it has moved, and
    // nothing is added twice within one second of last-heard time (so never twice per packet).
    void appendTrackPoint(StationRecord& record) override;
    // Deletes the station's track file (and a trimming leftover).
    void deleteTrack(const QString& call) override;

    QString trackPath(const QString& call) const;

    // The points of a station's track, oldest first; with maxPoints > 0 only the most recent
    // ones. A missing or unreadable file is an empty track.
    std::vector<TrackPoint> readTrack(const QString& call, qsizetype maxPoints = 0) const;
    static std::vector<TrackPoint> readTrackFile(const QString& path, qsizetype maxPoints = 0);

    // Keeps the points less than keepMinutes before the station's last-heard time. The kept points
    // are written to the .bpos file, which replaces the track only once it is complete: an
    // interruption leaves the old track whole. False when the track could not be rewritten.
    bool trimTrack(const StationRecord& record, int keepMinutes);
    // trimTrack for every station of the database that has a track; the number trimmed.
    int trimTracks(int keepMinutes);

private:
    StationManager& m_stations;
};
