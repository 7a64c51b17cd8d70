#pragma once

#include "maps/TileMath.h"

#include <QByteArray>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

class QNetworkReply;

// Downloads tiles with a distinct User-Agent, at most two at a time from one server, the wanted
// ones in the order asked (nearest the window's centre first) and prefetched ones after them. A
// new wanted list cancels the downloads no longer in it. Answers over 1 MB are cut off; a server
// that fails (no answer, a reset, a 5xx or 429) is left alone for a while, doubling up to five
// minutes while it keeps failing.
class TileFetcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnectionsPerServer = 2;
    static constexpr qint64 kMaxTileBytes = 1024 * 1024;
    static constexpr int kTimeoutMs = 15000; // without a byte
    // A whole answer takes no longer than this: a server dribbling a byte now and then must not
    // hold one of the two connections for ever.
    static constexpr int kMaxAnswerMs = 30000;
    static constexpr int kFirstBackoffMs = 2000;
    static constexpr int kMaxBackoffMs = 5 * 60 * 1000;

    struct Job {
        TileKey key;
        QUrl url;
    };

    explicit TileFetcher(QString userAgent, QObject* parent = nullptr);
    ~TileFetcher() override;

    // The tiles to download now, most wanted first; downloads of other wanted tiles stop.
    void setWanted(const std::vector<Job>& jobs);
    // Tiles to download when nothing is wanted (saving an area for offline use).
    void addPrefetch(const std::vector<Job>& jobs);
    void cancelPrefetch();
    // Offline nothing is sent and what is under way stops.
    void setOffline(bool offline);
    bool isOffline() const { return m_offline; }
    // For the whole process: fetchers ask only servers on this machine (screenshots draw from
    // files, the cache and the loopback tile server, never from a real tile server).
    static void restrictToLoopback();
    static bool isRestrictedToLoopback();

    int requestsSent() const { return m_sent; }
    int inFlight() const { return int(m_running.size()); }
    int prefetchLeft() const { return int(m_prefetch.size()); }
    bool isBackingOff(const QString& host) const;
    int backoffMs(const QString& host) const;
    // The clock the backoff is measured with, in milliseconds (tests set their own).
    std::function<qint64()> nowMs;
    // kMaxAnswerMs unless a test shortens it.
    int maxAnswerMs = kMaxAnswerMs;

signals:
    // The whole answer of a tile, with the headers that say how long it may be kept.
    void fetched(const TileKey& key, const QByteArray& data, const QByteArray& cacheControl,
                 const QByteArray& expires, const QByteArray& date);
    // No tile came (error, refusal, too large); the caller may ask again later.
    void failed(const TileKey& key, bool serverFault);

private:
    struct Running {
        QNetworkReply* reply = nullptr;
        TileKey key;
        QString host;
        bool prefetch = false;
    };
    struct Server {
        int failures = 0;
        qint64 pausedUntil = 0;
    };
    void pump();
    bool start(const Job& job, bool prefetch);
    void finished(QNetworkReply* reply);
    void abortReply(QNetworkReply* reply);
    int runningFor(const QString& host) const;
    bool paused(const QString& host) const;

    QNetworkAccessManager m_network;
    QByteArray m_userAgent;
    std::vector<Job> m_wanted;
    std::deque<Job> m_prefetch;
    std::vector<Running> m_running;
    QHash<QString, Server> m_servers;
    QTimer m_resume;
    bool m_offline = false;
    int m_sent = 0;
};
