#include "cli/SimServer.h"

#include <QTcpSocket>

SimServer::SimServer(QObject* owner, MakeClient makeClient, std::function<void(Client*)> onData,
                     std::function<void(Client*)> onConnect)
    : m_owner(owner), m_makeClient(std::move(makeClient)), m_onData(std::move(onData)),
      m_onConnect(std::move(onConnect)) {
    QObject::connect(&m_server, &QTcpServer::newConnection, m_owner, [this] { onNewConnection(); });
    QObject::connect(&m_replayTimer, &QTimer::timeout, m_owner, [this] { replayNext(); });
}

SimServer::~SimServer() {
    close();
}

void SimServer::say(const QString& text) {
    if (log) log(text);
}

void SimServer::close() {
    m_replayTimer.stop();
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
    m_replay = lines;
    m_replayIndex = 0;
    m_replayTimer.setInterval(linesPerSecond > 0 ? static_cast<int>(1000.0 / linesPerSecond) : 1000);
}

void SimServer::startReplay() {
    if (!m_replayTimer.isActive() && m_replayIndex < m_replay.size()) m_replayTimer.start();
}

void SimServer::replayNext() {
    if (m_replayIndex >= m_replay.size()) {
        m_replayTimer.stop();
        say(QStringLiteral("replay finished"));
        return;
    }
    const QString line = m_replay[m_replayIndex++];
    if (onReplayLine) onReplayLine(line);
}
