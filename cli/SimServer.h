#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

// The pace of a replay: the lines due by the time elapsed since it began. A timer of a few
// milliseconds sends what is due at each tick, so any rate holds on average, several lines a tick at
// high rates, and a late tick catches up instead of the rate drifting.
class ReplayPace {
public:
    // A backlog beyond this much time's worth of lines (the process was stopped, or the machine cannot
    // keep up) is dropped rather than sent in one burst.
    static constexpr qint64 kMaxLagMs = 250;

    explicit ReplayPace(double linesPerSecond = 1.0);
    // Lines due in all elapsedNs after the start; the first falls due one interval after it.
    static qint64 dueAfter(double linesPerSecond, qint64 elapsedNs);
    // The number of lines to send now, elapsedNs after the start: those due less those already taken.
    qint64 take(qint64 elapsedNs);
    // When the next line falls due, in nanoseconds from the start.
    qint64 nextDueNs() const;

private:
    // When the line-th line (from 1) falls due, in nanoseconds from the start.
    static qint64 dueNs(double linesPerSecond, qint64 line);

    double m_rate;
    qint64 m_taken = 0;
    qint64 m_dropped = 0;
};

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

    // Lines to replay, one every 1/linesPerSecond seconds once startReplay() is called; a replay
    // under way stops.
    void setReplay(const QStringList& lines, double linesPerSecond);
    // Looping, the replay starts again from the first line after the last instead of finishing.
    void setReplayLoop(bool loop) { m_replayLoop = loop; }
    // Starts the replay when it has lines left and is not running.
    void startReplay();
    std::function<void(const QString&)> onReplayLine;
    std::function<void(const QString&)> log;

private:
    void say(const QString& text);
    void onNewConnection();
    void remove(Client* client);
    void replayDue();
    void scheduleReplay();

    QObject* m_owner;
    MakeClient m_makeClient;
    std::function<void(Client*)> m_onData;
    std::function<void(Client*)> m_onConnect;
    QTcpServer m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    QStringList m_replay;
    qsizetype m_replayIndex = 0;
    double m_replayRate = 1.0;
    bool m_replayLoop = false;
    bool m_replayRunning = false;
    ReplayPace m_pace;
    QElapsedTimer m_replayClock;
    QTimer m_replayTimer;
};
