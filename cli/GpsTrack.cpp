#include "cli/GpsTrack.h"

#include <QFile>
#include <QRegularExpression>
#include <cmath>

namespace {

bool readNumber(const QString& text, double lo, double hi, double& out) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool readSatellites(const QString& text, QVector<GpsSatellite>& out) {
    bool ok = false;
    const int count = text.toInt(&ok);
    if (ok) {
        if (count < 0 || count > 32) return false;
        out = GpsTrack::syntheticSky(count);
        return true;
    }
    out.clear();
    const QStringList groups = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (groups.isEmpty() || groups.size() > 64) return false;
    for (const QString& g : groups) {
        const QStringList f = g.split(QLatin1Char('/'));
        if (f.size() != 4) return false;
        int v[4];
        for (int i = 0; i < 4; ++i) {
            v[i] = f[i].toInt(&ok);
            if (!ok) return false;
        }
        if (v[0] < 1 || v[0] > 999 || v[1] < -90 || v[1] > 90 || v[2] < 0 || v[2] > 360 || v[3] < 0 ||
            v[3] > 99)
            return false;
        out.append(GpsSatellite{v[0], v[1], v[2], v[3], v[3] > 0});
    }
    return true;
}

} // namespace

QVector<GpsSatellite> GpsTrack::syntheticSky(int n) {
    QVector<GpsSatellite> sky;
    for (int i = 0; i < n; ++i) {
        GpsSatellite s;
        s.prn = 2 + (i * 7) % 31;
        s.elevation = 10 + (i * 37) % 75;
        s.azimuth = (i * 71 + 20) % 360;
        s.snr = 22 + (i * 13) % 25;
        s.used = true;
        sky.append(s);
    }
    return sky;
}

bool GpsTrack::parse(const QString& text, QVector<GpsTrackPoint>& points, QString* error) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    points.clear();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        auto fail = [&](const QString& why) {
            if (error) *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        };
        const QStringList f = line.split(separators, Qt::SkipEmptyParts);
        if (f.size() < 7 || f.size() > 8) return fail(QStringLiteral("expected 7 or 8 fields"));
        GpsTrackPoint p;
        if (f[0] != QLatin1String("-")) {
            p.utcTime = QDateTime::fromString(f[0], Qt::ISODateWithMs);
            if (!p.utcTime.isValid()) return fail(QStringLiteral("bad time"));
            p.utcTime = p.utcTime.toUTC();
        }
        if (!readNumber(f[1], -90, 90, p.latitude)) return fail(QStringLiteral("bad latitude"));
        if (!readNumber(f[2], -180, 180, p.longitude)) return fail(QStringLiteral("bad longitude"));
        if (!readNumber(f[3], 0, 10000, p.speedKnots)) return fail(QStringLiteral("bad speed"));
        if (!readNumber(f[4], 0, 360, p.course)) return fail(QStringLiteral("bad course"));
        if (!readNumber(f[5], -10000, 100000, p.altitude)) return fail(QStringLiteral("bad altitude"));
        if (!readSatellites(f[6], p.satellites)) return fail(QStringLiteral("bad satellites"));
        if (f.size() == 8) {
            const QString fix = f[7].toLower();
            if (fix == QLatin1String("3d"))
                p.fix = GpsTrackPoint::ThreeD;
            else if (fix == QLatin1String("2d"))
                p.fix = GpsTrackPoint::TwoD;
            else if (fix == QLatin1String("dgps"))
                p.fix = GpsTrackPoint::Dgps;
            else if (fix == QLatin1String("none"))
                p.fix = GpsTrackPoint::None;
            else
                return fail(QStringLiteral("bad fix (3d, 2d, dgps or none)"));
        }
        points.append(p);
    }
    if (points.isEmpty()) {
        if (error) *error = QStringLiteral("no track points");
        return false;
    }
    return true;
}

bool GpsTrack::load(const QString& path, QVector<GpsTrackPoint>& points, QString* error) {
    QFile file(path);
    // Track files are small; a bound keeps a wrong path (a device, a huge file) harmless.
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    const QByteArray bytes = file.read(16 * 1024 * 1024);
    return parse(QString::fromUtf8(bytes), points, error);
}
