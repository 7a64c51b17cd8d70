#include "cli/AprsIsSimulator.h"

#include "cli/SimSupport.h"

#include <QRegularExpression>
#include <QTcpSocket>

struct AprsIsSimulator::Client {
    QTcpSocket* socket = nullptr;
    ServerLineReader reader;
    bool loggedIn = false;
};

AprsIsSimulator::AprsIsSimulator(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &AprsIsSimulator::onNewConnection);
    connect(&m_replayTimer, &QTimer::timeout, this, &AprsIsSimulator::replayNext);
}

AprsIsSimulator::~AprsIsSimulator() { close(); }

bool AprsIsSimulator::listen(const QHostAddress& address, quint16 port) { return m_server.listen(address, port); }

void AprsIsSimulator::close() {
    m_replayTimer.stop();
    disconnectClients();
    m_server.close();
}

void AprsIsSimulator::say(const QString& text) {
    if (log) log(text);
}

void AprsIsSimulator::setReplay(const QStringList& lines, double linesPerSecond) {
    m_replay = lines;
    m_replayIndex = 0;
    m_replayTimer.setInterval(linesPerSecond > 0 ? static_cast<int>(1000.0 / linesPerSecond) : 1000);
}

bool AprsIsSimulator::isValidLogin(const QByteArray& line) {
    static const QRegularExpression form(QStringLiteral("^user \\S{1,9} pass \\S+ vers \\S+ \\S+ ?.*$"));
    return form.match(QString::fromUtf8(line)).hasMatch();
}

void AprsIsSimulator::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client* c = client.get();
        m_clients.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { onClientData(c); });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { onClientGone(c); });
        socket->write("# quillpad-cli aprsis-sim 1.0\r\n");
        say(QStringLiteral("client connected from %1").arg(socket->peerAddress().toString()));
    }
}

void AprsIsSimulator::onClientGone(Client* client) {
    say(QStringLiteral("client disconnected"));
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->get() == client) {
            client->socket->deleteLater();
            m_clients.erase(it);
            return;
        }
    }
}

void AprsIsSimulator::onClientData(Client* client) {
    const QByteArray bytes = client->socket->readAll();
    std::vector<QByteArray> lines;
    client->reader.feed(bytes, lines);
    if (client->loggedIn) m_receivedBytes += bytes;
    for (const QByteArray& line : lines) {
        if (!client->loggedIn) {
            client->loggedIn = true;
            m_logins << line;
            const bool valid = isValidLogin(line);
            say(QStringLiteral("LOGIN %1 %2").arg(valid ? QStringLiteral("ok") : QStringLiteral("MALFORMED"),
                                                   SimSupport::printable(line)));
            const QByteArray call = line.split(' ').value(1);
            client->socket->write("# logresp " + call + (valid ? " unverified" : " refused") + ", server QPSIM\r\n");
            emit clientLoggedIn(line);
            if (!m_replay.isEmpty() && !m_replayTimer.isActive() && m_replayIndex < m_replay.size())
                m_replayTimer.start();
            continue;
        }
        m_received << line;
        say(QStringLiteral("RX ") + SimSupport::printable(line));
        emit lineFromClient(line);
    }
}

void AprsIsSimulator::sendLine(const QByteArray& line) { sendRaw(line + "\r\n"); }

void AprsIsSimulator::sendRaw(const QByteArray& bytes) {
    for (const auto& c : m_clients)
        if (c->loggedIn) c->socket->write(bytes);
}

void AprsIsSimulator::disconnectClients() {
    for (const auto& c : m_clients) {
        c->socket->disconnect(this);
        c->socket->abort();
        c->socket->deleteLater();
    }
    m_clients.clear();
}

void AprsIsSimulator::replayNext() {
    if (m_replayIndex >= m_replay.size()) {
        m_replayTimer.stop();
        say(QStringLiteral("replay finished"));
        return;
    }
    const QString line = m_replay[m_replayIndex++];
    say(QStringLiteral("TX ") + line);
    sendLine(line.toUtf8());
}
