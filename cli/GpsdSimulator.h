#pragma once

#include "cli/GpsTrack.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class QTcpSocket;
class Timer;

// A gpsd on loopback for tests and demonstrations, speaking gpsd's JSON protocol: VERSION on
// connect, DEVICES and WATCH in answer to ?WATCH, VERSION to ?VERSION, POLL to ?POLL, then a TPV
// and a SKY report (sky first) per track point to every watching client, at a set number of points per
// second. The track starts with the first watcher; the first point goes out at once. Timing comes from the
// clock, so a test drives it with a ManualClock.
class GpsdSimulator : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDevice = "/dev/quillpad-sim";

    explicit GpsdSimulator(Clock& clock, QObject* parent = nullptr);
    ~GpsdSimulator() override;

    void setTrack(const QVector<GpsTrackPoint>& points) { m_track = points; }
    void setRate(double pointsPerSecond) { m_rate = pointsPerSecond > 0 ? pointsPerSecond : 1.0; }
    void setLoop(bool loop) { m_loop = loop; }
    int intervalMs() const;

    // Port 0 picks a free port; port() tells which.
    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    void close();
    void disconnectClients();

    int clientCount() const { return static_cast<int>(m_clients.size()); }
    int watcherCount() const;
    int pointsSent() const { return m_sent; }
    bool finished() const { return m_finished; }

    // Sends raw bytes to every client (tests of stream handling).
    void sendRaw(const QByteArray& bytes);

    // The reports of one track point.
    static QByteArray tpvReport(const GpsTrackPoint& p, const QDateTime& nowUtc);
    static QByteArray skyReport(const GpsTrackPoint& p, const QDateTime& nowUtc);

    // Each event as a printable line.
    std::function<void(const QString&)> log;

signals:
    void pointSent(int index);
    void trackFinished();

private:
    struct Client;
    void onNewConnection();
    void onReadyRead(Client* client);
    void handleRequest(Client* client, const QByteArray& request);
    void removeClient(Client* client);
    void startTrack();
    void sendNextPoint();
    void write(Client* client, const QByteArray& line);

    Clock& m_clock;
    QTcpServer m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::unique_ptr<Timer> m_timer;
    QVector<GpsTrackPoint> m_track;
    double m_rate = 1.0;
    bool m_loop = false;
    bool m_running = false;
    bool m_finished = false;
    int m_next = 0;
    int m_sent = 0;
    int m_lastIndex = -1;
};
