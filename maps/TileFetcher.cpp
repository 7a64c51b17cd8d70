#include "maps/TileFetcher.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <atomic>

namespace {
std::atomic<bool> g_loopbackOnly{false};

bool isLoopbackHost(const QString& host) {
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") ||
           host == QLatin1String("::1");
}
} // namespace

void TileFetcher::restrictToLoopback() {
    g_loopbackOnly = true;
}

bool TileFetcher::isRestrictedToLoopback() {
    return g_loopbackOnly;
}

TileFetcher::TileFetcher(QString userAgent, QObject* parent)
    : QObject(parent), m_userAgent(userAgent.toUtf8()) {
    nowMs = [] { return QDateTime::currentMSecsSinceEpoch(); };
    m_resume.setSingleShot(true);
    connect(&m_resume, &QTimer::timeout, this, &TileFetcher::pump);
}

TileFetcher::~TileFetcher() {
    for (const Running& r : m_running) {
        r.reply->disconnect(this);
        r.reply->abort();
        r.reply->deleteLater();
    }
}

void TileFetcher::setWanted(const std::vector<Job>& jobs) {
    m_wanted = jobs;
    // Downloads of tiles that left the window stop; prefetches go on.
    std::vector<QNetworkReply*> stale;
    for (const Running& r : m_running)
        if (!r.prefetch &&
            std::none_of(jobs.begin(), jobs.end(), [&](const Job& j) { return j.key == r.key; }))
            stale.push_back(r.reply);
    for (QNetworkReply* reply : stale) abortReply(reply);
    pump();
}

void TileFetcher::addPrefetch(const std::vector<Job>& jobs) {
    m_prefetch.insert(m_prefetch.end(), jobs.begin(), jobs.end());
    pump();
}

void TileFetcher::cancelPrefetch() {
    m_prefetch.clear();
    std::vector<QNetworkReply*> running;
    for (const Running& r : m_running)
        if (r.prefetch) running.push_back(r.reply);
    for (QNetworkReply* reply : running) abortReply(reply);
}

void TileFetcher::setOffline(bool offline) {
    m_offline = offline;
    if (!offline) {
        pump();
        return;
    }
    std::vector<QNetworkReply*> running;
    for (const Running& r : m_running) running.push_back(r.reply);
    for (QNetworkReply* reply : running) abortReply(reply);
}

int TileFetcher::runningFor(const QString& host) const {
    return int(
        std::count_if(m_running.begin(), m_running.end(), [&](const Running& r) { return r.host == host; }));
}

bool TileFetcher::paused(const QString& host) const {
    const auto it = m_servers.constFind(host);
    return it != m_servers.constEnd() && it->pausedUntil > nowMs();
}

bool TileFetcher::isBackingOff(const QString& host) const {
    return paused(host);
}

int TileFetcher::backoffMs(const QString& host) const {
    const auto it = m_servers.constFind(host);
    if (it == m_servers.constEnd() || it->failures == 0) return 0;
    return int(std::min<qint64>(kMaxBackoffMs, qint64(kFirstBackoffMs) << std::min(it->failures - 1, 20)));
}

void TileFetcher::pump() {
    if (m_offline) return;
    qint64 nextResume = 0;
    const auto startFrom = [&](auto& queue, bool prefetch) {
        for (auto it = queue.begin(); it != queue.end();) {
            const QString host = it->url.host();
            if (g_loopbackOnly && !isLoopbackHost(host)) {
                it = queue.erase(it);
                continue;
            }
            const bool running = std::any_of(m_running.begin(), m_running.end(),
                                             [&](const Running& r) { return r.key == it->key; });
            if (running) {
                ++it;
                continue;
            }
            if (paused(host)) {
                const qint64 until = m_servers.value(host).pausedUntil;
                nextResume = nextResume == 0 ? until : std::min(nextResume, until);
                ++it;
                continue;
            }
            if (runningFor(host) >= kMaxConnectionsPerServer) {
                ++it;
                continue;
            }
            const Job job = *it;
            it = queue.erase(it);
            start(job, prefetch);
        }
    };
    startFrom(m_wanted, false);
    startFrom(m_prefetch, true);
    if (nextResume > 0) m_resume.start(int(std::clamp<qint64>(nextResume - nowMs(), 1, kMaxBackoffMs)));
}

bool TileFetcher::start(const Job& job, bool prefetch) {
    QNetworkRequest request(job.url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    request.setTransferTimeout(kTimeoutMs);
    request.setMaximumRedirectsAllowed(3);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setPriority(prefetch ? QNetworkRequest::LowPriority : QNetworkRequest::NormalPriority);
    QNetworkReply* reply = m_network.get(request);
    // The reply never holds more than a tile may be; beyond it the answer is cut off below.
    reply->setReadBufferSize(kMaxTileBytes + 1);
    ++m_sent;
    m_running.push_back({reply, job.key, job.url.host(), prefetch});
    const auto tooLarge = [reply](qint64 received, qint64 total) {
        if (received > kMaxTileBytes || total > kMaxTileBytes) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::downloadProgress, this, tooLarge);
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, tooLarge] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid()) tooLarge(0, length.toLongLong());
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
    // The timer belongs to the reply, so it goes with it.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply] {
        reply->setProperty("tooSlow", true);
        reply->abort();
    });
    deadline->start(maxAnswerMs);
    return true;
}

void TileFetcher::abortReply(QNetworkReply* reply) {
    reply->setProperty("cancelled", true);
    reply->abort();
}

void TileFetcher::finished(QNetworkReply* reply) {
    reply->deleteLater();
    const auto it =
        std::find_if(m_running.begin(), m_running.end(), [&](const Running& r) { return r.reply == reply; });
    if (it == m_running.end()) return;
    const Running running = *it;
    m_running.erase(it);
    // Done either way: a job of the same tile still queued is not sent again.
    std::erase_if(m_wanted, [&](const Job& j) { return j.key == running.key; });
    const bool cancelled = reply->property("cancelled").toBool();
    const bool tooLarge = reply->property("tooLarge").toBool();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    Server& server = m_servers[running.host];
    if (cancelled) {
        // Nothing to say: the tile is no longer wanted.
    } else if (reply->error() == QNetworkReply::NoError && status == 200 && !tooLarge) {
        server.failures = 0;
        server.pausedUntil = 0;
        const QByteArray data = reply->read(kMaxTileBytes + 1);
        if (data.size() > kMaxTileBytes)
            emit failed(running.key, false);
        else
            emit fetched(running.key, data, reply->rawHeader("Cache-Control"), reply->rawHeader("Expires"),
                         reply->rawHeader("Date"));
    } else {
        // No answer, a reset, a timeout, an overloaded or refusing server: back off. A missing
        // tile (404) or a cut-off answer is the tile's fault, not the server's.
        const bool serverFault = reply->property("tooSlow").toBool() ||
                                 (!tooLarge && (status == 0 || status >= 500 || status == 429));
        if (serverFault) {
            ++server.failures;
            server.pausedUntil = nowMs() + backoffMs(running.host);
        }
        emit failed(running.key, serverFault);
    }
    pump();
}
