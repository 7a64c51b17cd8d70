#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVector>
#include <cstdint>

// One satellite in view as the receiver reports it.
struct GpsSatellite {
    int prn = 0;
    int elevation = 0; // degrees above the horizon
    int azimuth = 0;   // degrees from true north
    int snr = 0;       // signal-to-noise ratio, dB-Hz; 0 when not received
    bool used = false; // used in the solution
    bool operator==(const GpsSatellite&) const = default;
};

// The position record: what the receiver reported last, with a mask saying which fields hold
// values. Fields whose bit is clear keep whatever they held before.
struct GpsPosition {
    enum ValidField : uint32_t {
        UtcTime = 0x01,
        Latitude = 0x02,
        Longitude = 0x04,
        Speed = 0x08,
        Heading = 0x10,
        AltitudeMsl = 0x40,
        SatellitesInView = 0x2000,
    };
    enum FixQuality : int { Invalid = 0, SpsValid = 1, DifferentialValid = 2, PpsValid = 3 };
    // The most satellites a record holds (the satellite display draws at most this many).
    static constexpr int kMaxSatellites = 12;

    uint32_t validFields = 0;
    QDateTime utcTime;        // UTC
    double latitude = 0.0;    // degrees, north positive
    double longitude = 0.0;   // degrees, east positive
    float speed = 0.0f;       // knots
    float heading = 0.0f;     // degrees true
    float altitudeMsl = 0.0f; // metres above mean sea level
    int fixQuality = Invalid;
    int fixMode = 0;                  // receiver's fix mode: 0 unknown, 1 none, 2 2D, 3 3D
    int satelliteCount = 0;           // satellites in view as reported (may exceed the list)
    QVector<GpsSatellite> satellites; // at most kMaxSatellites

    bool has(ValidField f) const { return (validFields & f) != 0; }
};

// The texts that position processing makes from a position. A text whose field was not reported
// keeps its previous value.
struct GpsTexts {
    QString speed;            // "12.30kn"
    QString height;           // "145.20m"
    QString course;           // "231.0°"
    QString fixQuality;       // "SPS Valid"
    QString latitudeDisplay;  // "37°30.0000N"
    QString longitudeDisplay; // "023°45.0000E"
    QString date;             // "2026/01/15"
    QString time;             // "12:00:05"
    QByteArray aprsLatitude;  // "3730.00N"
    QByteArray aprsLongitude; // "02345.00E"
};

// What the reader hands to the main loop on every usable position: a copy of the record and of the
// texts made from it, so nothing is shared with the reader while the receiver goes on.
struct GpsUpdate {
    GpsPosition position;
    GpsTexts texts;
    bool valid = false; // the reader's valid flag when the update was made
};

Q_DECLARE_METATYPE(GpsPosition)
Q_DECLARE_METATYPE(GpsUpdate)
