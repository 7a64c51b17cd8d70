#pragma once

#include "maps/TileDiskCache.h"
#include "maps/TileSource.h"

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <vector>

class MbTilesFile;
class TileFetcher;

// The tiles of one source for a view: decoded tiles in memory, the disk cache, the server (through
// a TileFetcher) or an MBTiles file. A view asks for the tiles of its window with want() and draws
// what tile() has; tileLoaded() says when another one arrived. Files are read and images decoded
// on worker threads; everything else happens on the thread that owns the store.
class TileStore : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString cacheRoot; // the disk cache; empty: none
        qint64 cacheBytes = 500LL * 1024 * 1024;
        QString userAgent = QStringLiteral("Quillpad");
        bool offline = false;
        int memoryMegabytes = 160; // decoded tiles kept in memory
    };

    TileStore(TileSource source, Options options, QObject* parent = nullptr);
    ~TileStore() override;

    const TileSource& source() const { return m_source; }
    // False when an MBTiles file could not be opened (error() says why).
    bool isValid() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    int maxZoom() const { return m_source.maxZoom; }
    QString attribution() const { return m_source.attribution; }
    // Saving an area for offline use: never from OpenStreetMap's own servers (their policy forbids
    // bulk downloads), and pointless for a file.
    bool allowsBulkDownload() const { return !m_source.isMbTiles() && !m_source.isOpenStreetMapServer(); }
    MbTilesFile* mbtiles() const { return m_mbtiles.get(); }

    // The decoded tile when it is in memory, else a null image.
    QImage tile(const TileKey& key) const;
    bool hasTile(const TileKey& key) const { return m_memory.contains(key.packed()); }

    // The tiles the window needs, most important first. Tiles not in memory are read from the disk
    // cache or the file, or downloaded; downloads of tiles no longer wanted stop.
    void want(const std::vector<TileKey>& keys);
    // Downloads tiles into the disk cache after the wanted ones (only when bulk downloads are allowed).
    bool prefetch(const std::vector<TileKey>& keys);
    int prefetchLeft() const;

    void setOffline(bool offline);
    bool isOffline() const { return m_offline; }
    // Loads and decodes on the calling thread inside want() (screenshots, benchmarks, tests);
    // downloads stay asynchronous.
    void setSynchronous(bool on) { m_synchronous = on; }
    // Drops the decoded tiles (benchmarks of loading from disk).
    void clearMemory() { m_memory.clear(); }

    TileFetcher& fetcher() { return *m_fetcher; }
    TileDiskCache& diskCache() { return m_disk; }
    int loadsUnderWay() const { return int(m_loading.size()); }

signals:
    void tileLoaded(const TileKey& key);

private:
    struct Loaded {
        TileKey key;
        QImage image;
        bool found = false; // there was a copy on disk or in the file
        bool fresh = false; // the disk copy may still be used without asking the server
    };
    void load(const TileKey& key);
    void loaded(const Loaded& result);
    // Runs a job on a worker, or at once when synchronous; `done` runs on the store's thread.
    void run(std::function<Loaded()> job);
    void download(const TileKey& key);
    void downloaded(const TileKey& key, const QByteArray& data, const QByteArray& cacheControl,
                    const QByteArray& expires, const QByteArray& date);
    void insert(const TileKey& key, const QImage& image);
    void updateFetcher();

    TileSource m_source;
    Options m_options;
    QString m_error;
    QString m_cacheFolder;
    TileDiskCache m_disk;
    std::unique_ptr<MbTilesFile> m_mbtiles;
    TileFetcher* m_fetcher;
    QCache<quint64, QImage> m_memory;
    QSet<TileKey> m_loading;          // being read or decoded
    QSet<TileKey> m_downloading;      // wanted from the server
    QSet<TileKey> m_stale;            // shown from a disk copy past its time: asked for again when online
    QHash<TileKey, qint64> m_missing; // tiles the source did not have, until when not to ask again
    std::vector<TileKey> m_wanted;
    QSet<TileKey> m_wantedSet;
    bool m_offline = false;
    bool m_synchronous = false;
    QThreadPool m_pool;
};
