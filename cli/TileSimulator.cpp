#include "cli/TileSimulator.h"

#include "maps/TileImage.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

TileSimulator::TileSimulator(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &TileSimulator::onConnection);
}

TileSimulator::~TileSimulator() {
    m_server.close();
    for (QTcpSocket* socket : m_buffers.keys()) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

bool TileSimulator::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

QString TileSimulator::urlTemplate() const {
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port());
}

std::optional<TileSimulator::Mode> TileSimulator::modeNamed(const QString& name) {
    static const QHash<QString, Mode> modes = {
        {QStringLiteral("normal"), Mode::Normal},   {QStringLiteral("stall"), Mode::Stall},
        {QStringLiteral("reset"), Mode::Reset},     {QStringLiteral("oversize"), Mode::Oversize},
        {QStringLiteral("garbage"), Mode::Garbage}, {QStringLiteral("error"), Mode::Error},
        {QStringLiteral("trickle"), Mode::Trickle}};
    const auto it = modes.constFind(name);
    return it == modes.constEnd() ? std::nullopt : std::optional(*it);
}

void TileSimulator::resetCounts() {
    m_requests = 0;
    m_mostOpen = m_open;
    m_perTile.clear();
    m_lastUserAgent.clear();
}

void TileSimulator::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_buffers.insert(socket, {});
        m_mostOpen = std::max(m_mostOpen, ++m_open);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (m_buffers.remove(socket)) --m_open;
            socket->deleteLater();
        });
    }
}

void TileSimulator::onData(QTcpSocket* socket) {
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end()) return;
    it->append(socket->readAll());
    // One request after the other on a kept-alive connection.
    for (;;) {
        const qsizetype end = it->indexOf("\r\n\r\n");
        if (end < 0) {
            if (it->size() > kMaxRequestBytes) socket->abort();
            return;
        }
        const QByteArray head = it->left(end);
        it->remove(0, end + 4);
        const qsizetype lineEnd = head.indexOf("\r\n");
        answer(socket, lineEnd < 0 ? head : head.left(lineEnd),
               lineEnd < 0 ? QByteArray() : head.mid(lineEnd + 2));
        it = m_buffers.find(socket);
        if (it == m_buffers.end() || socket->state() != QAbstractSocket::ConnectedState) return;
    }
}

void TileSimulator::answer(QTcpSocket* socket, const QByteArray& requestLine, const QByteArray& headers) {
    ++m_requests;
    for (const QByteArray& line : headers.split('\n'))
        if (line.trimmed().toLower().startsWith("user-agent:"))
            m_lastUserAgent = line.trimmed().mid(11).trimmed();
    static const QRegularExpression path(
        QStringLiteral("^GET /(\\d{1,2})/(\\d{1,9})/(\\d{1,9})\\.png(\\?[^ ]*)? HTTP/1\\.[01]$"));
    const auto match = path.match(QString::fromLatin1(requestLine));
    TileKey key{-1, 0, 0};
    if (match.hasMatch())
        key = {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
    if (key.isValid()) {
        ++m_perTile[key];
        emit requested(key);
    }
    if (log)
        log(QStringLiteral("%1 (%2 requests, %3 connections open)")
                .arg(QString::fromLatin1(requestLine.left(200)))
                .arg(m_requests)
                .arg(m_open));
    const auto reply = [socket](const QByteArray& status, const QByteArray& type, const QByteArray& body,
                                const QByteArray& extra = {}) {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                      "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra + "\r\n");
        socket->write(body);
    };
    switch (m_mode) {
    case Mode::Stall:
        return; // the connection stays open, silent
    case Mode::Reset:
        socket->abort();
        return;
    case Mode::Error:
        reply("500 Internal Server Error", "text/plain", "overloaded\n");
        return;
    case Mode::Garbage:
        reply("200 OK", "text/html", "<html><body><script>alert(1)</script>Not a tile</body></html>\n");
        return;
    case Mode::Oversize: {
        // A real PNG header, then two megabytes of filler.
        QByteArray body = TileImage::samplePng(key.isValid() ? key : TileKey{0, 0, 0});
        body.append(QByteArray(2 * 1024 * 1024, 'x'));
        reply("200 OK", "image/png", body);
        return;
    }
    case Mode::Trickle: {
        // The headers at once, then the tile a byte at a time.
        const QByteArray body = TileImage::samplePng(key.isValid() ? key : TileKey{0, 0, 0});
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n");
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, body, sent] {
            if (*sent < body.size()) socket->write(body.mid((*sent)++, 1));
        });
        timer->start(100);
        return;
    }
    case Mode::Normal:
        break;
    }
    if (!key.isValid()) {
        reply("404 Not Found", "text/plain", "no such tile\n");
        return;
    }
    const QByteArray cache =
        m_maxAge >= 0 ? "Cache-Control: max-age=" + QByteArray::number(m_maxAge) + "\r\n" : QByteArray();
    reply("200 OK", "image/png", TileImage::samplePng(key), cache);
}
