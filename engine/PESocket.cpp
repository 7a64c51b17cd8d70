#include "engine/PESocket.h"

#include "platform/Settings.h"
#include "platform/Trace.h"

#include <sys/socket.h>

PESocket::PESocket(SettingsStore& settings, QObject* parent) : QObject(parent), m_settings(settings) {
    qRegisterMetaType<ReceivedFrame>();
    connect(&m_socket, &QTcpSocket::connected, this, &PESocket::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &PESocket::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &PESocket::onDisconnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        Trace::write(QStringLiteral("engine socket error %1").arg(static_cast<int>(error)));
        // A refused or failed connect never reaches 'connected'; the minute tick replaces the link.
        if (m_connected && m_socket.state() == QAbstractSocket::UnconnectedState) onDisconnected();
    });
}

PESocket::~PESocket() {
    m_socket.disconnect(this);
    m_socket.abort();
}

bool PESocket::connectToEngine(const QString& host, int port) {
    if (host.trimmed().isEmpty() || port <= 0 || port > 65535) return false;
    m_socket.connectToHost(host.trimmed(), static_cast<quint16>(port));
    return true;
}

void PESocket::onConnected() {
    m_connected = true;
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket.write(EngineCodec::encodeFrame(0, 'G', {}, {}));
    emit connected();
}

void PESocket::onReadyRead() {
    std::vector<EngineFrame> frames;
    const QByteArray bytes = m_socket.readAll();
    const bool ok = m_decoder.feed(bytes, frames);
    for (const EngineFrame& f : frames) handleFrame(f);
    if (!ok) {
        // A length no engine frame can have: the stream is out of step. Drop the link so the
        // minute tick replaces it, rather than guess where the next frame starts.
        Trace::write(QStringLiteral("engine stream corrupt, link dropped"));
        m_socket.abort();
        onDisconnected();
    }
}

void PESocket::handleFrame(const EngineFrame& frame) {
    switch (frame.header.kind) {
    case 'G':
        emit portInformation(EngineCodec::parsePortInformation(EngineCodec::frameText(frame.data)));
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.write(EngineCodec::encodeFrame(0, 'm', "TEST", "TEST"));
        return;
    case 'H':
        return;
    default: {
        ReceivedFrame rf;
        rf.text = EngineCodec::frameText(frame.data);
        rf.length = static_cast<int>(frame.header.dataLength);
        rf.port = static_cast<int>(frame.header.port);
        rf.fromInternet = 0;
        rf.ownTransmission = frame.header.kind == 'T' ? 1 : 0;
        emit frameReceived(rf);
    }
    }
}

void PESocket::onDisconnected() {
    if (!m_connected) return;
    m_connected = false;
    emit closed();
}

void PESocket::sendUnproto(const OutboundPacket& packet) {
    if (packet.port < 0 || m_socket.state() != QAbstractSocket::ConnectedState) return;
    const bool unicode = read(m_settings, Settings::UNICODERP, packet.port) != 0;
    const QByteArray frame = EngineCodec::buildUnproto(packet, unicode);
    if (frame.isEmpty()) return;
    m_socket.write(frame);
}

void PESocket::disconnectGracefully() {
    m_socket.disconnect(this);
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(200)) {
        }
        ::shutdown(static_cast<int>(m_socket.socketDescriptor()), SHUT_WR);
        // Discard what the engine still sends until it closes, for a moment (a third of a second at most).
        for (int i = 0; i < 3 && m_socket.state() == QAbstractSocket::ConnectedState; ++i) {
            if (!m_socket.waitForReadyRead(100)) {
                if (m_socket.state() != QAbstractSocket::ConnectedState) break;
                continue;
            }
            m_socket.readAll();
        }
    }
    m_socket.abort();
    m_connected = false;
}
