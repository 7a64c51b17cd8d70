#include "gps/GpsdJson.h"

#include "gps/Units.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A number from the report, or nothing when it is absent, not a number or outside [lo, hi].
std::optional<double> number(const QJsonObject& o, const char* key, double lo, double hi) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d < lo || d > hi) return std::nullopt;
    return d;
}

// A whole number clamped into [lo, hi]; def when absent or not a number.
int clampedInt(const QJsonObject& o, const char* key, int lo, int hi, int def) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble()) return def;
    const double d = v.toDouble();
    if (std::isnan(d)) return def;
    if (d <= lo) return lo;
    if (d >= hi) return hi;
    return static_cast<int>(d);
}

void applyTpv(const QJsonObject& o, GpsPosition& p) {
    constexpr uint32_t positionBits = GpsPosition::UtcTime | GpsPosition::Latitude | GpsPosition::Longitude |
                                      GpsPosition::Speed | GpsPosition::Heading | GpsPosition::AltitudeMsl;
    p.validFields &= ~positionBits;

    p.fixMode = clampedInt(o, "mode", 0, 3, 0);
    const int status = clampedInt(o, "status", 0, 99, 0);
    if (p.fixMode < 2)
        p.fixQuality = GpsPosition::Invalid;
    else if (status == 2 || status == 3 || status == 4) // DGPS and both RTK solutions are differential
        p.fixQuality = GpsPosition::DifferentialValid;
    else
        p.fixQuality = GpsPosition::SpsValid;

    const QJsonValue time = o.value(QLatin1String("time"));
    if (time.isString()) {
        QDateTime t = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
        if (t.isValid()) {
            p.utcTime = t.toUTC();
            p.validFields |= GpsPosition::UtcTime;
        }
    }
    if (auto lat = number(o, "lat", -90.0, 90.0)) {
        p.latitude = *lat;
        p.validFields |= GpsPosition::Latitude;
    }
    if (auto lon = number(o, "lon", -180.0, 180.0)) {
        p.longitude = *lon;
        p.validFields |= GpsPosition::Longitude;
    }
    // gpsd reports metres per second.
    if (auto speed = number(o, "speed", -1e5, 1e5)) {
        p.speed = static_cast<float>(*speed * Units::kMetresPerSecondToKnots);
        p.validFields |= GpsPosition::Speed;
    }
    if (auto track = number(o, "track", -360.0, 360.0)) {
        p.heading = static_cast<float>(*track);
        p.validFields |= GpsPosition::Heading;
    }
    // altMSL since gpsd 3.20; older daemons send alt, also above mean sea level.
    auto alt = number(o, "altMSL", -1e6, 1e6);
    if (!alt) alt = number(o, "alt", -1e6, 1e6);
    if (alt) {
        p.altitudeMsl = static_cast<float>(*alt);
        p.validFields |= GpsPosition::AltitudeMsl;
    }
}

void applySky(const QJsonObject& o, GpsPosition& p) {
    const QJsonValue list = o.value(QLatin1String("satellites"));
    // A SKY without a list carries only dilutions of precision; the satellites stay.
    if (!list.isArray()) return;
    const QJsonArray array = list.toArray();
    p.satellites.clear();
    p.satelliteCount = static_cast<int>(std::min<qsizetype>(array.size(), 1000));
    for (const QJsonValue& v : array) {
        if (p.satellites.size() >= GpsPosition::kMaxSatellites) break;
        if (!v.isObject()) continue;
        const QJsonObject s = v.toObject();
        GpsSatellite sat;
        sat.prn = clampedInt(s, "PRN", 0, 999, 0);
        sat.elevation = clampedInt(s, "el", -90, 90, 0);
        sat.azimuth = clampedInt(s, "az", 0, 360, 0);
        sat.snr = clampedInt(s, "ss", 0, 99, 0);
        sat.used = s.value(QLatin1String("used")).toBool(false);
        p.satellites.append(sat);
    }
    p.validFields |= GpsPosition::SatellitesInView;
}

} // namespace

QByteArray GpsdJson::watchCommand() {
    return QByteArrayLiteral("?WATCH={\"enable\":true,\"json\":true}\n");
}

GpsdJson::Report GpsdJson::apply(QByteArrayView line, GpsPosition& position) {
    if (line.size() > kMaxLineLength) return Report::Invalid;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return Report::Invalid;
    const QJsonObject o = doc.object();
    const QString cls = o.value(QLatin1String("class")).toString();
    if (cls == QLatin1String("TPV")) {
        applyTpv(o, position);
        return Report::Tpv;
    }
    if (cls == QLatin1String("SKY")) {
        applySky(o, position);
        return Report::Sky;
    }
    if (cls == QLatin1String("VERSION")) return Report::Version;
    if (cls == QLatin1String("DEVICES")) return Report::Devices;
    if (cls == QLatin1String("DEVICE")) return Report::Device;
    if (cls == QLatin1String("WATCH")) return Report::Watch;
    if (cls == QLatin1String("ERROR")) return Report::Error;
    return Report::Other;
}
