#pragma once

#include <QDateTime>
#include <QHash>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <vector>

// The tracks the map draws, read from the stations' track files and kept between paints. A file is
// read again only when it changed: a grown file whose first point is unchanged is read from where
// the last read ended (the decoders only ever append), anything else is read whole.
class StationTrackCache {
public:
    // At most this many points of one track are drawn; longer tracks are thinned evenly.
    static constexpr int kMaxDrawnPoints = 5000;

    struct Position {
        double latitude;
        double longitude;
    };

    // The points of the track file at path, oldest first; empty when the file is missing.
    const std::vector<Position>& track(const QString& path);
    // The same thinned to at most kMaxDrawnPoints, the first and the last point always kept.
    const std::vector<Position>& drawnTrack(const QString& path);

    // Drops every cached track whose path is not in `keep` (tracks no longer shown).
    void retainOnly(const QStringList& keep);
    void clear() { m_entries.clear(); }
    int size() const { return static_cast<int>(m_entries.size()); }
    // How many times a file was read whole or in part (for tests of the caching).
    int reads() const { return m_reads; }

    static std::vector<Position> thin(const std::vector<Position>& points, size_t maxPoints);

private:
    struct Entry {
        qint64 size = -1;
        QDateTime modified;
        std::vector<Position> points;
        std::vector<Position> drawn;
        bool drawnValid = false;
    };
    Entry& refreshed(const QString& path);

    QHash<QString, Entry> m_entries;
    int m_reads = 0;
};
