#include "maps/StationTrackCache.h"

#include "aprs/StationTracks.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace {

// A track read in one go never holds more than this many points; longer files give their most
// recent ones (about a month and a half of one point a minute ten times over).
constexpr qint64 kMaxCachedPoints = 1 << 20;

std::vector<StationTrackCache::Position> readRecords(QFile& file, qint64 firstRecord, qint64 records) {
    std::vector<StationTrackCache::Position> out;
    if (records <= 0 || !file.seek(firstRecord * TrackFile::kRecordSize)) return out;
    out.reserve(static_cast<size_t>(records));
    constexpr qint64 kChunk = 1024;
    for (qint64 done = 0; done < records;) {
        const qint64 n = std::min(kChunk, records - done);
        const QByteArray bytes = file.read(n * TrackFile::kRecordSize);
        const qint64 got = bytes.size() / TrackFile::kRecordSize;
        for (qint64 i = 0; i < got; ++i) {
            const auto p = TrackFile::decode(
                QByteArrayView(bytes).sliced(i * TrackFile::kRecordSize, TrackFile::kRecordSize));
            if (p) out.push_back({p->latitude, p->longitude});
        }
        if (got < n) break;
        done += n;
    }
    return out;
}

bool samePosition(const StationTrackCache::Position& a, const StationTrackCache::Position& b) {
    return a.latitude == b.latitude && a.longitude == b.longitude;
}

} // namespace

StationTrackCache::Entry& StationTrackCache::refreshed(const QString& path) {
    Entry& e = m_entries[path];
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (size == e.size && modified == e.modified) return e;

    const qint64 oldRecords = std::max<qint64>(e.size, 0) / TrackFile::kRecordSize;
    const qint64 records = std::max<qint64>(size, 0) / TrackFile::kRecordSize;
    e.size = size;
    e.modified = modified;
    e.drawnValid = false;
    QFile file(path);
    if (size < 0 || !file.open(QIODevice::ReadOnly)) {
        e.points.clear();
        return e;
    }
    ++m_reads;
    // Appended to: the first point still the same means the old points are still the file's.
    if (records > oldRecords && oldRecords > 0 && !e.points.empty() && oldRecords <= kMaxCachedPoints &&
        static_cast<qint64>(e.points.size()) == oldRecords) {
        const auto first = readRecords(file, 0, 1);
        if (!first.empty() && samePosition(first.front(), e.points.front())) {
            const auto added = readRecords(file, oldRecords, records - oldRecords);
            e.points.insert(e.points.end(), added.begin(), added.end());
            if (static_cast<qint64>(e.points.size()) > kMaxCachedPoints)
                e.points.erase(e.points.begin(), e.points.end() - kMaxCachedPoints);
            return e;
        }
    }
    const qint64 wanted = std::min(records, kMaxCachedPoints);
    e.points = readRecords(file, records - wanted, wanted);
    return e;
}

const std::vector<StationTrackCache::Position>& StationTrackCache::track(const QString& path) {
    return refreshed(path).points;
}

const std::vector<StationTrackCache::Position>& StationTrackCache::drawnTrack(const QString& path) {
    Entry& e = refreshed(path);
    if (!e.drawnValid) {
        e.drawn = thin(e.points, kMaxDrawnPoints);
        e.drawnValid = true;
    }
    return e.drawn;
}

std::vector<StationTrackCache::Position> StationTrackCache::thin(const std::vector<Position>& points,
                                                                 size_t maxPoints) {
    if (points.size() <= maxPoints || maxPoints < 2) return points;
    std::vector<Position> out;
    out.reserve(maxPoints);
    // maxPoints evenly spaced indexes from the first to the last point.
    const double step = static_cast<double>(points.size() - 1) / static_cast<double>(maxPoints - 1);
    for (size_t i = 0; i + 1 < maxPoints; ++i) out.push_back(points[static_cast<size_t>(i * step)]);
    out.push_back(points.back());
    return out;
}

void StationTrackCache::retainOnly(const QStringList& keep) {
    const QSet<QString> kept(keep.begin(), keep.end());
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (kept.contains(it.key()))
            ++it;
        else
            it = m_entries.erase(it);
    }
}
