#include "aprs/StationTracks.h"

#include "aprs/SafeFileName.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "platform/DataFile.h"
#include "platform/StationHome.h"

#include <QFile>
#include <QMutexLocker>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// Reads never hold more than this many points (about 46 days of one point a second); a larger
// file gives its most recent points.
constexpr qsizetype kMaxPointsRead = 4 * 1024 * 1024;
// Records read from the file at a time.
constexpr qsizetype kChunkRecords = 512;

bool sameSecond(const SystemTime& a, const SystemTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

// Makes the written data durable before the rename publishes it.
bool syncToDisk(QFile& file) {
    if (!file.flush()) return false;
    return ::fsync(file.handle()) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Records

TrackPoint TrackPoint::fromStation(const StationRecord& r) {
    TrackPoint p;
    p.latitude = r.latitude;
    p.longitude = r.longitude;
    p.time = r.lastHeard;
    p.course = r.course;
    p.speed = r.speed;
    p.windDirection = r.weather.windDirection;
    p.windSpeed = r.weather.windSpeed;
    p.windGust = r.weather.windGust;
    p.temperature = r.weather.temperature;
    p.rainLastHour = r.weather.rainLastHour;
    p.rainLast24h = r.weather.rainLast24h;
    p.rainSinceMidnight = r.weather.rainSinceMidnight;
    p.humidity = r.weather.humidity;
    p.pressure = r.weather.pressure;
    p.unnamed1 = r.weather.unnamed1;
    p.unnamed2 = r.weather.unnamed2;
    p.windChill = r.weather.windChill;
    p.dewPoint = r.weather.dewPoint;
    p.heatIndex = r.weather.heatIndex;
    return p;
}

QByteArray TrackFile::encode(const TrackPoint& p) {
    DataFileWriter out;
    out.f64(p.latitude);
    out.f64(p.longitude);
    out.time(p.time);
    out.u32(p.course);
    out.u32(0);
    out.f64(p.speed);
    out.i32(p.windDirection);
    out.i32(p.windSpeed);
    out.i32(p.windGust);
    out.i32(p.temperature);
    out.i32(p.rainLastHour);
    out.i32(p.rainLast24h);
    out.i32(p.rainSinceMidnight);
    out.i32(p.humidity);
    out.i32(p.pressure);
    out.i32(p.unnamed1);
    out.i32(p.unnamed2);
    out.u32(0);
    out.f64(p.windChill);
    out.f64(p.dewPoint);
    out.f64(p.heatIndex);
    return out.data();
}

std::optional<TrackPoint> TrackFile::decode(QByteArrayView record) {
    if (record.size() < kRecordSize) return std::nullopt;
    const char* b = record.data();
    auto u16 = [b](int at) { return qFromLittleEndian<uint16_t>(b + at); };
    auto i32 = [b](int at) { return qFromLittleEndian<int32_t>(b + at); };
    auto f64 = [b](int at) {
        const uint64_t bits = qFromLittleEndian<uint64_t>(b + at);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    TrackPoint p;
    p.latitude = f64(0);
    p.longitude = f64(8);
    p.time = SystemTime{u16(16), u16(18), u16(20), u16(22), u16(24), u16(26), u16(28), u16(30)};
    p.course = qFromLittleEndian<uint32_t>(b + 32);
    p.speed = f64(40);
    p.windDirection = i32(48);
    p.windSpeed = i32(52);
    p.windGust = i32(56);
    p.temperature = i32(60);
    p.rainLastHour = i32(64);
    p.rainLast24h = i32(68);
    p.rainSinceMidnight = i32(72);
    p.humidity = i32(76);
    p.pressure = i32(80);
    p.unnamed1 = i32(84);
    p.unnamed2 = i32(88);
    p.windChill = f64(96);
    p.dewPoint = f64(104);
    p.heatIndex = f64(112);
    return p;
}

std::vector<TrackPoint> TrackFile::decodeAll(QByteArrayView data) {
    std::vector<TrackPoint> points;
    const qsizetype count = data.size() / kRecordSize;
    points.reserve(static_cast<size_t>(std::min(count, kChunkRecords)));
    for (qsizetype i = 0; i < count; ++i)
        points.push_back(*decode(data.sliced(i * kRecordSize, kRecordSize)));
    return points;
}

// ---------------------------------------------------------------------------------------------
// Tracks

StationTracks::StationTracks(StationManager& stations) : m_stations(stations) {}

QString StationTracks::trackPath(const QString& call) const {
    return trackFilePath(m_stations.home(), call, "pos");
}

void StationTracks::appendTrackPoint(StationRecord& record) {
    // Objects keep no track; their names may equal a station's call sign.
    if (record.stationType == StationType::Object) return;
    QFile file(trackPath(record.call));
    // A file that cannot be opened takes no point; nothing is reported.
    if (!file.open(QIODevice::ReadWrite)) return;
    const qint64 size = file.size();
    // A record cut off by an interrupted write would shift every later one: drop it first.
    const qint64 whole = size - size % TrackFile::kRecordSize;
    if (whole != size && !file.resize(whole)) return;

    const TrackPoint point = TrackPoint::fromStation(record);
    if (whole > 0 && file.seek(whole - TrackFile::kRecordSize)) {
        if (const auto last = TrackFile::decode(file.read(TrackFile::kRecordSize))) {
            if (record.stationType != StationType::Weather && last->latitude == point.latitude &&
                last->longitude == point.longitude)
                return;                                     // has not moved
            if (sameSecond(last->time, point.time)) return; // this second (this packet) is in already
        }
    }
    if (!file.seek(whole)) return;
    file.write(TrackFile::encode(point));
}

void StationTracks::deleteTrack(const QString& call) {
    QFile::remove(trackPath(call));
    QFile::remove(trackFilePath(m_stations.home(), call, "bpos"));
}

std::vector<TrackPoint> StationTracks::readTrack(const QString& call, qsizetype maxPoints) const {
    return readTrackFile(trackPath(call), maxPoints);
}

std::vector<TrackPoint> StationTracks::readTrackFile(const QString& path, qsizetype maxPoints) {
    std::vector<TrackPoint> points;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return points;
    // Counts come from the file's size only; the bytes are read as they are, record by record.
    const qint64 records = file.size() / TrackFile::kRecordSize;
    qint64 wanted = maxPoints > 0 ? std::min<qint64>(maxPoints, kMaxPointsRead) : kMaxPointsRead;
    wanted = std::min(wanted, records);
    if (!file.seek((records - wanted) * TrackFile::kRecordSize)) return points;
    points.reserve(static_cast<size_t>(std::min<qint64>(wanted, kChunkRecords)));
    while (static_cast<qint64>(points.size()) < wanted) {
        const qint64 chunk = std::min<qint64>(wanted - static_cast<qint64>(points.size()), kChunkRecords);
        const QByteArray bytes = file.read(chunk * TrackFile::kRecordSize);
        const qsizetype got = bytes.size() / TrackFile::kRecordSize;
        for (qsizetype i = 0; i < got; ++i)
            points.push_back(*TrackFile::decode(QByteArrayView(bytes).sliced(i * TrackFile::kRecordSize)));
        if (got < chunk) break; // the file ended early (shrunk while reading): a short record ends it
    }
    return points;
}

bool StationTracks::trimTrack(const StationRecord& record, int keepMinutes) {
    const QString posPath = trackPath(record.call);
    const QString bposPath = trackFilePath(m_stations.home(), record.call, "bpos");
    QFile in(posPath);
    if (!in.exists()) return true; // no track, nothing to keep
    if (!in.open(QIODevice::ReadOnly)) return false;
    QFile out(bposPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;

    const qint64 heard = record.lastHeard.wallClockSeconds();
    const qint64 keep = static_cast<qint64>(std::max(keepMinutes, 0)) * 60;
    bool ok = true;
    for (;;) {
        const QByteArray bytes = in.read(kChunkRecords * TrackFile::kRecordSize);
        const qsizetype got = bytes.size() / TrackFile::kRecordSize;
        QByteArray kept;
        for (qsizetype i = 0; i < got; ++i) {
            const QByteArrayView raw =
                QByteArrayView(bytes).sliced(i * TrackFile::kRecordSize, TrackFile::kRecordSize);
            const TrackPoint p = *TrackFile::decode(raw);
            // A point with an unreadable time counts as long ago.
            if (heard - p.time.wallClockSeconds() < keep) kept.append(raw.data(), raw.size());
        }
        if (!kept.isEmpty() && out.write(kept) != kept.size()) {
            ok = false;
            break;
        }
        if (bytes.size() < kChunkRecords * TrackFile::kRecordSize) break; // end (a cut-off record is dropped)
    }
    in.close();
    // The old track stays in place until its replacement is complete and on disk.
    if (!ok || !syncToDisk(out)) {
        out.close();
        QFile::remove(bposPath);
        return false;
    }
    out.close();
    if (std::rename(QFile::encodeName(bposPath).constData(), QFile::encodeName(posPath).constData()) != 0) {
        QFile::remove(bposPath);
        return false;
    }
    return true;
}

int StationTracks::trimTracks(int keepMinutes) {
    QMutexLocker locker(&m_stations.lock());
    int trimmed = 0;
    for (StationRecord* r = m_stations.NextAfter(nullptr); r; r = m_stations.NextAfter(r)) {
        if (r->stationType == StationType::Object || !QFile::exists(trackPath(r->call))) continue;
        if (trimTrack(*r, keepMinutes)) ++trimmed;
    }
    return trimmed;
}
