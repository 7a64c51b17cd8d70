#include "maps/TileStore.h"

#include "maps/MbTilesFile.h"
#include "maps/TileCachePolicy.h"
#include "maps/TileFetcher.h"
#include "maps/TileImage.h"

#include <QDateTime>
#include <QFileInfo>

namespace {
// How long a tile the source did not give is not asked for again.
constexpr qint64 kMissingMs = 5 * 60 * 1000;
constexpr qint64 kServerFaultMs = 30 * 1000;
constexpr qint64 kOfflineMissingMs = 5 * 1000;
constexpr int kMaxRemembered = 20000;

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

TileStore::TileStore(TileSource source, Options options, QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_options(std::move(options)),
      m_cacheFolder(m_source.cacheFolder()), m_disk(m_options.cacheRoot, m_options.cacheBytes),
      m_fetcher(new TileFetcher(m_options.userAgent, this)), m_offline(m_options.offline) {
    m_memory.setMaxCost(std::max(8, m_options.memoryMegabytes) * 1024);
    // Decoding is short work; two threads keep a zoom step quick without crowding the window's thread.
    m_pool.setMaxThreadCount(2);
    m_fetcher->setOffline(m_offline);
    connect(m_fetcher, &TileFetcher::fetched, this, &TileStore::downloaded);
    connect(m_fetcher, &TileFetcher::failed, this, [this](const TileKey& key, bool serverFault) {
        m_downloading.remove(key);
        m_missing.insert(key, nowMs() + (serverFault ? kServerFaultMs : kMissingMs));
    });
    if (m_source.isMbTiles()) {
        m_mbtiles = std::make_unique<MbTilesFile>();
        if (!m_mbtiles->open(m_source.mbtilesPath)) {
            m_error = m_mbtiles->error();
        } else {
            if (m_source.name.isEmpty()) m_source.name = m_mbtiles->name();
            m_source.maxZoom = std::clamp(m_mbtiles->maxZoom(), TileMath::kMinZoom, TileMath::kMaxZoom);
            if (m_source.attribution.isEmpty()) m_source.attribution = m_mbtiles->attribution();
        }
    }
}

TileStore::~TileStore() {
    // No worker may post to the store while it goes.
    m_pool.clear();
    m_pool.waitForDone();
}

QImage TileStore::tile(const TileKey& key) const {
    const QImage* image = m_memory.object(key.packed());
    return image ? *image : QImage();
}

void TileStore::setOffline(bool offline) {
    if (m_offline == offline) return;
    m_offline = offline;
    m_fetcher->setOffline(offline);
    m_missing.clear();
    if (offline) {
        m_downloading.clear();
        m_fetcher->cancelPrefetch();
    } else {
        want(std::vector<TileKey>(m_wanted));
    }
}

void TileStore::want(const std::vector<TileKey>& keys) {
    m_wanted.clear();
    m_wantedSet.clear();
    const qint64 now = nowMs();
    // A long session over a failing server must not collect these without end.
    if (m_missing.size() > kMaxRemembered)
        for (auto it = m_missing.begin(); it != m_missing.end();)
            it = *it <= now ? m_missing.erase(it) : std::next(it);
    if (m_missing.size() > kMaxRemembered) m_missing.clear();
    if (m_stale.size() > kMaxRemembered) m_stale.clear();
    for (const TileKey& key : keys) {
        if (!key.isValid() || m_wantedSet.contains(key)) continue;
        m_wanted.push_back(key);
        m_wantedSet.insert(key);
    }
    for (auto it = m_downloading.begin(); it != m_downloading.end();)
        it = m_wantedSet.contains(*it) ? std::next(it) : m_downloading.erase(it);
    for (const TileKey& key : m_wanted) {
        if (m_loading.contains(key) || m_downloading.contains(key)) continue;
        if (m_memory.contains(key.packed())) {
            if (!m_offline && !m_mbtiles && m_stale.contains(key)) m_downloading.insert(key);
            continue;
        }
        if (const auto missing = m_missing.constFind(key); missing != m_missing.constEnd()) {
            if (*missing > now) continue;
            m_missing.erase(missing);
        }
        if (!m_mbtiles && isValid()) {
            // Whether to download is decided here, from the disk copy's header alone, so that
            // downloads start in the order of the list whatever order the decoding ends in.
            const auto freshUntil = m_disk.root().isEmpty()
                                        ? std::nullopt
                                        : TileDiskCache::readFreshness(m_disk.pathFor(m_cacheFolder, key));
            if (!freshUntil) {
                if (m_offline)
                    m_missing.insert(key, now + kOfflineMissingMs);
                else
                    m_downloading.insert(key);
                continue;
            }
            if (freshUntil->toMSecsSinceEpoch() <= now && !m_offline) m_downloading.insert(key);
        }
        load(key);
    }
    updateFetcher();
}

void TileStore::run(std::function<Loaded()> job) {
    if (m_synchronous) {
        loaded(job());
        return;
    }
    m_pool.start([this, job = std::move(job)] {
        Loaded result = job();
        QMetaObject::invokeMethod(
            this, [this, result] { loaded(result); }, Qt::QueuedConnection);
    });
}

void TileStore::load(const TileKey& key) {
    if (!isValid()) return;
    m_loading.insert(key);
    if (m_mbtiles) {
        // SQLite is read on this thread (it belongs to it); the image decodes on a worker.
        const QByteArray data = m_mbtiles->tileData(key);
        run([key, data] {
            Loaded r;
            r.key = key;
            r.found = !data.isEmpty();
            r.fresh = true;
            if (r.found) r.image = TileImage::decode(data);
            return r;
        });
        return;
    }
    const QString path = m_disk.root().isEmpty() ? QString() : m_disk.pathFor(m_cacheFolder, key);
    const qint64 now = nowMs();
    run([key, path, now] {
        Loaded r;
        r.key = key;
        if (path.isEmpty()) return r;
        if (const auto entry = TileDiskCache::readFile(path)) {
            r.image = TileImage::decode(entry->data);
            r.found = !r.image.isNull();
            r.fresh = entry->freshUntil.toMSecsSinceEpoch() > now;
        }
        return r;
    });
}

void TileStore::loaded(const Loaded& r) {
    m_loading.remove(r.key);
    if (!r.image.isNull()) {
        insert(r.key, r.image);
        // Shown from a copy past its time: asked for again once online (want() has already asked
        // when it was online then).
        if (!r.fresh) m_stale.insert(r.key);
        return;
    }
    if (m_mbtiles || m_offline) {
        m_missing.insert(r.key, nowMs() + (m_mbtiles ? kMissingMs : kOfflineMissingMs));
        return;
    }
    // A disk copy that would not decode: the server's copy replaces it.
    if (!m_wantedSet.contains(r.key) || m_downloading.contains(r.key)) return;
    m_downloading.insert(r.key);
    updateFetcher();
}

void TileStore::updateFetcher() {
    if (m_mbtiles) return;
    std::vector<TileFetcher::Job> jobs;
    for (const TileKey& key : m_wanted)
        if (m_downloading.contains(key))
            if (const QUrl url = m_source.urlFor(key); url.isValid()) jobs.push_back({key, url});
    m_fetcher->setWanted(jobs);
}

void TileStore::downloaded(const TileKey& key, const QByteArray& data, const QByteArray& cacheControl,
                           const QByteArray& expires, const QByteArray& date) {
    m_downloading.remove(key);
    m_stale.remove(key);
    const TileCachePolicy::Decision decision =
        TileCachePolicy::decide(cacheControl, expires, date, QDateTime::currentDateTimeUtc());
    // Decoded before it is kept: what is no image never reaches the disk or the screen.
    QImage image = TileImage::decode(data);
    if (image.isNull()) {
        m_missing.insert(key, nowMs() + kMissingMs);
        return;
    }
    if (decision.store) m_disk.store(m_cacheFolder, key, data, decision.freshUntil);
    // A prefetched tile goes to disk only, so it does not push the window's tiles out of memory.
    if (m_wantedSet.contains(key)) insert(key, image);
}

void TileStore::insert(const TileKey& key, const QImage& image) {
    m_memory.insert(key.packed(), new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    emit tileLoaded(key);
}

bool TileStore::prefetch(const std::vector<TileKey>& keys) {
    if (!allowsBulkDownload() || m_offline) return false;
    std::vector<TileFetcher::Job> jobs;
    jobs.reserve(keys.size());
    for (const TileKey& key : keys) {
        if (QFileInfo::exists(m_disk.pathFor(m_cacheFolder, key))) continue;
        if (const QUrl url = m_source.urlFor(key); url.isValid()) jobs.push_back({key, url});
    }
    m_fetcher->addPrefetch(jobs);
    return true;
}

int TileStore::prefetchLeft() const {
    return m_fetcher->prefetchLeft() + m_fetcher->inFlight();
}
