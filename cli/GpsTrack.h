#pragma once

#include "gps/GpsPosition.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// A GPS track file: the fixes that the gpsd simulator plays back, one per line.
//
//   # comment lines and blank lines are skipped
//   # time                 latitude  longitude  speed  course  altitude  satellites  [fix]
//   2026-01-15T12:00:00Z   40.5983   22.9700    0.0    0.0     12.0      8           3d
//   -                      40.6010   22.9750    25.5   45.0    14.5      5/45/120/38;12/30/240/0
//
// Fields are separated by blanks, tabs or commas.
//   time        ISO 8601 in UTC, or "-" for the moment the line is played
//   latitude    decimal degrees, north positive (-90..90)
//   longitude   decimal degrees, east positive (-180..180)
//   speed       knots (0 and up)
//   course      degrees true (0..360)
//   altitude    metres above mean sea level
//   satellites  a count of satellites in view (0..32; a sky is made up for them), or a list of
//               PRN/elevation/azimuth/SNR groups separated by ';'
//   fix         optional: 3d (default), 2d, dgps, or none (a report without a fix)
struct GpsTrackPoint {
    QDateTime utcTime; // invalid: the moment of playing
    double latitude = 0.0;
    double longitude = 0.0;
    double speedKnots = 0.0;
    double course = 0.0;
    double altitude = 0.0;
    QVector<GpsSatellite> satellites;
    enum Fix { None, TwoD, ThreeD, Dgps } fix = ThreeD;
};

namespace GpsTrack {
// Reads a track text. On a bad line returns false with "line N: reason" in *error.
bool parse(const QString& text, QVector<GpsTrackPoint>& points, QString* error = nullptr);
bool load(const QString& path, QVector<GpsTrackPoint>& points, QString* error = nullptr);
// The made-up sky of n satellites: fixed, plausible PRNs, positions and signals.
QVector<GpsSatellite> syntheticSky(int n);
} // namespace GpsTrack
