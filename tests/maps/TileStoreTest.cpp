// The tile store against the loopback tile server: downloads, the disk cache, offline use, the
// User-Agent and the connection limit, and servers that misbehave.
#include "maps/TileStore.h"
#include "cli/TileSimulator.h"
#include "maps/TileFetcher.h"
#include "support/Wait.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TileServer {
    TileSimulator sim;
    QTemporaryDir cache;
    TileServer() { EXPECT_TRUE(sim.listen(QHostAddress::LocalHost, 0)); }

    std::unique_ptr<TileStore> store(bool offline = false) {
        TileSource source;
        source.name = QStringLiteral("Sim");
        source.urlTemplate = sim.urlTemplate();
        TileStore::Options options;
        options.cacheRoot = cache.path();
        options.userAgent = QStringLiteral("Quillpad/2026.1209");
        options.offline = offline;
        return std::make_unique<TileStore>(source, options);
    }
    int filesOnDisk() const {
        int n = 0;
        for (QDirIterator it(cache.path(), {QStringLiteral("*.tile")}, QDir::Files,
                             QDirIterator::Subdirectories);
             it.hasNext(); it.next())
            ++n;
        return n;
    }
};

// The 3 x 3 block of tiles around (10, 300, 400): the centre one first.
std::vector<TileKey> block(int z = 10, int x = 300, int y = 400, int radius = 1) {
    std::vector<TileKey> keys{{z, x, y}};
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx || dy) keys.push_back({z, x + dx, y + dy});
    return keys;
}

bool allLoaded(const TileStore& store, const std::vector<TileKey>& keys) {
    return std::all_of(keys.begin(), keys.end(), [&](const TileKey& k) { return store.hasTile(k); });
}

TEST(TileStore, DownloadsNearestFirstThenServesTheSecondViewFromDisk) {
    TileServer server;
    std::vector<TileKey> order;
    QObject::connect(&server.sim, &TileSimulator::requested, [&](const TileKey& k) { order.push_back(k); });
    const auto keys = block();
    {
        auto store = server.store();
        store->want(keys);
        ASSERT_TRUE(waitUntil([&] { return allLoaded(*store, keys); }));
        EXPECT_EQ(store->tile({10, 300, 400}).size(), QSize(256, 256));
    }
    ASSERT_EQ(server.sim.requestCount(), 9);
    // The centre goes first; with two connections the server may see the second request first.
    ASSERT_GE(order.size(), 2u);
    EXPECT_TRUE(order[0] == (TileKey{10, 300, 400}) || order[1] == (TileKey{10, 300, 400}));
    EXPECT_TRUE(server.sim.lastUserAgent().startsWith("Quillpad/"));
    EXPECT_LE(server.sim.mostConnections(), TileFetcher::kMaxConnectionsPerServer);
    EXPECT_EQ(server.filesOnDisk(), 9);

    // A second view of the same place: every tile from the disk cache, no request.
    auto again = server.store();
    QSignalSpy loaded(again.get(), &TileStore::tileLoaded);
    again->want(keys);
    ASSERT_TRUE(waitUntil([&] { return allLoaded(*again, keys); }));
    EXPECT_EQ(server.sim.requestCount(), 9);
}

TEST(TileStore, NeverMoreThanTwoConnectionsToOneServer) {
    TileServer server;
    auto store = server.store();
    const auto keys = block(12, 2000, 1500, 3); // 49 tiles
    store->want(keys);
    ASSERT_TRUE(waitUntil([&] { return allLoaded(*store, keys); }, 15000));
    EXPECT_EQ(server.sim.requestCount(), 49);
    EXPECT_GE(server.sim.mostConnections(), 1);
    EXPECT_LE(server.sim.mostConnections(), 2);
}

TEST(TileStore, OfflineSendsNothingAndShowsWhatIsCached) {
    TileServer server;
    server.sim.setMaxAge(0); // stale at once: online it would be asked for again
    const auto cached = block(9, 100, 100, 0);
    {
        auto store = server.store();
        store->want(cached);
        ASSERT_TRUE(waitUntil([&] { return allLoaded(*store, cached); }));
    }
    server.sim.resetCounts();
    auto store = server.store(true);
    auto keys = block(9, 100, 100);
    store->want(keys);
    ASSERT_TRUE(waitUntil([&] { return store->hasTile({9, 100, 100}); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(store->fetcher().requestsSent(), 0);
    EXPECT_EQ(server.sim.requestCount(), 0);
    EXPECT_FALSE(store->hasTile({9, 101, 100}));

    // Back online the missing tiles come, and the stale one is asked for again.
    store->setOffline(false);
    ASSERT_TRUE(waitUntil([&] { return allLoaded(*store, keys); }));
    EXPECT_EQ(server.sim.tileRequestCount({9, 100, 100}), 1);
}

TEST(TileStore, HostileAnswersAreDroppedAndNeverCached) {
    for (const auto mode : {TileSimulator::Mode::Oversize, TileSimulator::Mode::Garbage}) {
        TileServer server;
        server.sim.setMode(mode);
        auto store = server.store();
        QSignalSpy failed(&store->fetcher(), &TileFetcher::failed);
        QSignalSpy fetched(&store->fetcher(), &TileFetcher::fetched);
        store->want(block(8, 10, 10, 0));
        ASSERT_TRUE(waitUntil(
            [&] { return failed.count() + fetched.count() > 0 && store->fetcher().inFlight() == 0; }));
        EXPECT_FALSE(store->hasTile({8, 10, 10}));
        EXPECT_EQ(server.filesOnDisk(), 0);
        // A refused tile is not asked for again at once.
        store->want(block(8, 10, 10, 0));
        EXPECT_EQ(store->fetcher().inFlight(), 0);
    }
}

TEST(TileStore, AFailingServerIsLeftAloneForAWhile) {
    TileServer server;
    server.sim.setMode(TileSimulator::Mode::Error);
    auto store = server.store();
    const QString host = QStringLiteral("127.0.0.1");
    QSignalSpy failed(&store->fetcher(), &TileFetcher::failed);
    store->want(block(10, 50, 50, 2)); // 25 tiles
    ASSERT_TRUE(waitUntil([&] { return failed.count() >= 1; }));
    EXPECT_TRUE(store->fetcher().isBackingOff(host));
    ASSERT_TRUE(waitUntil([&] { return store->fetcher().inFlight() == 0; }));
    // Only what was under way when the first failure came: no flood of 25 requests.
    EXPECT_LE(server.sim.requestCount(), 2);
    const int first = store->fetcher().backoffMs(host);
    EXPECT_GE(first, TileFetcher::kFirstBackoffMs);

    // The pause runs out on the fetcher's clock: the next failure doubles it.
    qint64 offset = 0;
    store->fetcher().nowMs = [&offset] { return QDateTime::currentMSecsSinceEpoch() + offset; };
    offset = TileFetcher::kMaxBackoffMs;
    store->want(block(10, 60, 60, 0));
    ASSERT_TRUE(waitUntil([&] { return store->fetcher().backoffMs(host) > first; }));
    EXPECT_LE(store->fetcher().backoffMs(host), TileFetcher::kMaxBackoffMs);
}

TEST(TileStore, ADribblingServerIsCutOffAndLeftAlone) {
    TileServer server;
    server.sim.setMode(TileSimulator::Mode::Trickle);
    auto store = server.store();
    store->fetcher().maxAnswerMs = 300;
    QSignalSpy failed(&store->fetcher(), &TileFetcher::failed);
    store->want(block(7, 20, 20, 0));
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }, 3000));
    EXPECT_TRUE(failed.at(0).at(1).toBool()); // the server's fault: it is left alone for a while
    EXPECT_TRUE(store->fetcher().isBackingOff(QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(store->hasTile({7, 20, 20}));
    EXPECT_EQ(server.filesOnDisk(), 0);
}

TEST(TileStore, AMoveCancelsDownloadsOfTilesNoLongerWanted) {
    TileServer server;
    server.sim.setMode(TileSimulator::Mode::Stall);
    auto store = server.store();
    store->want(block(10, 50, 50));
    ASSERT_TRUE(waitUntil([&] { return server.sim.requestCount() == 2; }));
    EXPECT_EQ(store->fetcher().inFlight(), 2);
    // Somewhere else: the stalled downloads stop and the new place's tiles are asked for.
    store->want(block(10, 500, 500));
    ASSERT_TRUE(waitUntil([&] { return server.sim.tileRequestCount({10, 500, 500}) == 1; }));
    EXPECT_EQ(store->fetcher().inFlight(), 2);
    EXPECT_EQ(server.sim.tileRequestCount({10, 50, 50}), 1);
}

} // namespace
