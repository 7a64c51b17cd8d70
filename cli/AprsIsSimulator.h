#pragma once

#include "aprsis/ServerLineReader.h"
#include "cli/SimServer.h"

#include <QObject>
#include <functional>
#include <vector>

class QTcpSocket;

// An APRS-IS server on loopback for tests and demonstrations: greets each client with a "# "
// banner, checks and records its login line, sends the replay lines to logged-in clients, and
// records every line a client writes.
class AprsIsSimulator : public QObject {
    Q_OBJECT
public:
    explicit AprsIsSimulator(QObject* parent = nullptr);
    ~AprsIsSimulator() override;

    bool listen(const QHostAddress& address, quint16 port) { return m_server.listen(address, port); }
    quint16 port() const { return m_server.port(); }
    void close() { m_server.close(); }

    void setReplay(const QStringList& lines, double linesPerSecond) {
        m_server.setReplay(lines, linesPerSecond);
    }
    // Looping, the replay starts again from its first line instead of finishing.
    void setLoop(bool loop) { m_server.setReplayLoop(loop); }
    // A line to every logged-in client (CR LF appended).
    void sendLine(const QByteArray& line);
    void sendRaw(const QByteArray& bytes);
    void disconnectClients() { m_server.disconnectClients(); }

    int clientCount() const { return m_server.clientCount(); }
    const QList<QByteArray>& loginLines() const { return m_logins; }
    // Lines clients wrote after their login, in order.
    const QList<QByteArray>& receivedLines() const { return m_received; }
    // Raw bytes clients wrote after their login (to check line ends byte for byte).
    const QByteArray& receivedBytes() const { return m_receivedBytes; }
    void clearReceived() {
        m_received.clear();
        m_receivedBytes.clear();
    }

    // Whether a login line has the form "user CALL pass N vers NAME VERSION [filter]".
    static bool isValidLogin(const QByteArray& line);

    std::function<void(const QString&)> log;

signals:
    void lineFromClient(const QByteArray& line);
    void clientLoggedIn(const QByteArray& loginLine);

private:
    struct Client;
    void onClientData(SimServer::Client* client);
    void say(const QString& text);

    QList<QByteArray> m_logins;
    QList<QByteArray> m_received;
    QByteArray m_receivedBytes;
    SimServer m_server;
};
