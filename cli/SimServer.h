#pragma once

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

// What the loopback simulators share: a listening server with its list of clients, and a replay
// of text lines at a set rate.
class SimServer {
public:
    struct Client {
        virtual ~Client() = default;
        QTcpSocket* socket = nullptr;
    };
    using MakeClient = std::function<std::unique_ptr<Client>()>;

    // owner: the simulator whose thread runs the sockets. onData: a client's bytes are ready.
    // onConnect: a client has just connected (greetings go here).
    SimServer(QObject* owner, MakeClient makeClient, std::function<void(Client*)> onData,
              std::function<void(Client*)> onConnect = {});
    ~SimServer();

    bool listen(const QHostAddress& address, quint16 port) { return m_server.listen(address, port); }
    quint16 port() const { return m_server.serverPort(); }
    void close();
    void disconnectClients();
    int clientCount() const { return static_cast<int>(m_clients.size()); }
    const std::vector<std::unique_ptr<Client>>& clients() const { return m_clients; }

    // Lines to replay, one every 1/linesPerSecond seconds once startReplay() is called.
    void setReplay(const QStringList& lines, double linesPerSecond);
    // Starts the replay when it has lines left and is not running.
    void startReplay();
    std::function<void(const QString&)> onReplayLine;
    std::function<void(const QString&)> log;

private:
    void say(const QString& text);
    void onNewConnection();
    void remove(Client* client);
    void replayNext();

    QObject* m_owner;
    MakeClient m_makeClient;
    std::function<void(Client*)> m_onData;
    std::function<void(Client*)> m_onConnect;
    QTcpServer m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    QStringList m_replay;
    qsizetype m_replayIndex = 0;
    QTimer m_replayTimer;
};
