#pragma once

#include "maps/TileMath.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// Downloaded tiles on disk, one file a tile under root/SOURCE/z/x/y.tile: a short header with the
// time the tile stays fresh, then the bytes as the server sent them. The whole cache is kept
// under a size limit: when a store goes over it, the oldest files are removed first.
//
// read() may run on any thread (it touches no state); store() and the size bookkeeping belong to
// one thread.
class TileDiskCache {
public:
    static constexpr qint64 kMaxTileBytes = 1024 * 1024;

    TileDiskCache(QString root, qint64 maxBytes);
    // $XDG_CACHE_HOME/Quillpad/tiles (usually ~/.cache/Quillpad/tiles).
    static QString defaultRoot();

    struct Entry {
        QByteArray data;
        QDateTime freshUntil;
    };
    std::optional<Entry> read(const QString& source, const TileKey& key) const;
    static std::optional<Entry> readFile(const QString& path);
    // Only the time a tile file stays fresh (its header); nothing when there is no usable file.
    static std::optional<QDateTime> readFreshness(const QString& path);
    QString pathFor(const QString& source, const TileKey& key) const;
    bool store(const QString& source, const TileKey& key, const QByteArray& data,
               const QDateTime& freshUntil);

    const QString& root() const { return m_root; }
    void setMaxBytes(qint64 bytes);
    qint64 maxBytes() const { return m_maxBytes; }
    // The bytes of all tile files (the folder is scanned on first use).
    qint64 sizeBytes();

private:
    void scan();
    void trim();

    QString m_root;
    qint64 m_maxBytes;
    qint64 m_size = -1; // unknown until scanned
};
