#pragma once

#include "maps/TileMath.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A tile server on loopback for tests and demonstrations: HTTP/1.1 with keep-alive, GET /z/x/y.png
// answered with a made-up tile showing its own z/x/y. It counts requests and connections, and can
// misbehave on purpose: never answer, reset the connection, send more than a tile may be, send a
// page instead of an image, fail with 500, or dribble a tile a byte every tenth of a second.
class TileSimulator : public QObject {
    Q_OBJECT
public:
    enum class Mode { Normal, Stall, Reset, Oversize, Garbage, Error, Trickle };
    static constexpr int kMaxRequestBytes = 16 * 1024;

    explicit TileSimulator(QObject* parent = nullptr);
    ~TileSimulator() override;

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    // "http://127.0.0.1:PORT/{z}/{x}/{y}.png"
    QString urlTemplate() const;

    void setMode(Mode mode) { m_mode = mode; }
    static std::optional<Mode> modeNamed(const QString& name);
    // Cache-Control: max-age of the tiles (seconds); negative sends no cache headers.
    void setMaxAge(int seconds) { m_maxAge = seconds; }

    int requestCount() const { return m_requests; }
    int tileRequestCount(const TileKey& key) const { return m_perTile.value(key); }
    int openConnections() const { return m_open; }
    int mostConnections() const { return m_mostOpen; }
    const QByteArray& lastUserAgent() const { return m_lastUserAgent; }
    void resetCounts();

    std::function<void(const QString&)> log;

signals:
    void requested(const TileKey& key);

private:
    void onConnection();
    void onData(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& requestLine, const QByteArray& headers);

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    Mode m_mode = Mode::Normal;
    int m_maxAge = 86400;
    int m_requests = 0;
    int m_open = 0;
    int m_mostOpen = 0;
    QHash<TileKey, int> m_perTile;
    QByteArray m_lastUserAgent;
};
