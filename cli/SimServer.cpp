#include "cli/SimServer.h"

#include <QTcpSocket>
#include <algorithm>
#include <cmath>

namespace {
// The replay timer's shortest wait: at high rates each tick sends the lines of a few milliseconds.
constexpr qint64 kReplayTickMs = 4;
// Its longest: at very low rates it wakes now and then and finds nothing due yet.
constexpr qint64 kReplayMaxWaitMs = 1000;
} // namespace

ReplayPace::ReplayPace(double linesPerSecond) : m_rate(linesPerSecond > 0 ? linesPerSecond : 1.0) {}

qint64 ReplayPace::dueNs(double linesPerSecond, qint64 line) {
    const double ns = std::ceil(static_cast<double>(line) * 1e9 / linesPerSecond);
    return static_cast<qint64>(std::min(ns, 1e18));
}

qint64 ReplayPace::dueAfter(double linesPerSecond, qint64 elapsedNs) {
    if (elapsedNs <= 0 || !(linesPerSecond > 0)) return 0;
    auto n = static_cast<qint64>(static_cast<double>(elapsedNs) / 1e9 * linesPerSecond);
    // Settle the rounding (a line at most) against dueNs(), so a line is due exactly when
    // nextDueNs() says.
    if (dueNs(linesPerSecond, n + 1) <= elapsedNs)
        ++n;
    else if (n > 0 && dueNs(linesPerSecond, n) > elapsedNs)
        --n;
    return n;
}

qint64 ReplayPace::take(qint64 elapsedNs) {
    qint64 n = dueAfter(m_rate, elapsedNs) - m_dropped - m_taken;
    if (n <= 0) return 0;
    const auto most = std::max<qint64>(1, static_cast<qint64>(m_rate * kMaxLagMs / 1000.0));
    if (n > most) {
        m_dropped += n - most;
        n = most;
    }
    m_taken += n;
    return n;
}

qint64 ReplayPace::nextDueNs() const {
    return dueNs(m_rate, m_taken + m_dropped + 1);
}

SimServer::SimServer(QObject* owner, MakeClient makeClient, std::function<void(Client*)> onData,
                     std::function<void(Client*)> onConnect)
    : m_owner(owner), m_makeClient(std::move(makeClient)), m_onData(std::move(onData)),
      m_onConnect(std::move(onConnect)) {
    QObject::connect(&m_server, &QTcpServer::newConnection, m_owner, [this] { onNewConnection(); });
    m_replayTimer.setSingleShot(true);
    m_replayTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_replayTimer, &QTimer::timeout, m_owner, [this] { replayDue(); });
}

SimServer::~SimServer() {
    close();
}

void SimServer::say(const QString& text) {
    if (log) log(text);
}

void SimServer::close() {
    m_replayTimer.stop();
    m_replayRunning = false;
    disconnectClients();
    m_server.close();
}

void SimServer::disconnectClients() {
    for (const auto& c : m_clients) {
        c->socket->disconnect(m_owner);
        c->socket->abort();
        c->socket->deleteLater();
    }
    m_clients.clear();
}

void SimServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        std::unique_ptr<Client> client = m_makeClient();
        client->socket = socket;
        Client* c = client.get();
        m_clients.push_back(std::move(client));
        QObject::connect(socket, &QTcpSocket::readyRead, m_owner, [this, c] { m_onData(c); });
        QObject::connect(socket, &QTcpSocket::disconnected, m_owner, [this, c] { remove(c); });
        say(QStringLiteral("client connected from %1").arg(socket->peerAddress().toString()));
        if (m_onConnect) m_onConnect(c);
    }
}

void SimServer::remove(Client* client) {
    say(QStringLiteral("client disconnected"));
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->get() == client) {
            client->socket->deleteLater();
            m_clients.erase(it);
            return;
        }
    }
}

void SimServer::setReplay(const QStringList& lines, double linesPerSecond) {
    m_replayTimer.stop();
    m_replayRunning = false;
    m_replay = lines;
    m_replayIndex = 0;
    m_replayRate = linesPerSecond > 0 ? linesPerSecond : 1.0;
}

void SimServer::startReplay() {
    if (m_replayRunning || m_replayIndex >= m_replay.size()) return;
    m_replayRunning = true;
    m_pace = ReplayPace(m_replayRate);
    m_replayClock.start();
    scheduleReplay();
}

void SimServer::scheduleReplay() {
    const qint64 waitNs = m_pace.nextDueNs() - m_replayClock.nsecsElapsed();
    m_replayTimer.start(
        static_cast<int>(std::clamp((waitNs + 999'999) / 1'000'000, kReplayTickMs, kReplayMaxWaitMs)));
}

void SimServer::replayDue() {
    for (qint64 n = m_pace.take(m_replayClock.nsecsElapsed()); n > 0 && m_replayRunning; --n) {
        if (m_replayIndex >= m_replay.size()) {
            if (!m_replayLoop) break;
            m_replayIndex = 0;
        }
        const QString line = m_replay[m_replayIndex++];
        if (onReplayLine) onReplayLine(line);
    }
    if (!m_replayRunning) return; // closed meanwhile
    if (!m_replayLoop && m_replayIndex >= m_replay.size()) {
        m_replayRunning = false;
        say(QStringLiteral("replay finished"));
        return;
    }
    scheduleReplay();
}
