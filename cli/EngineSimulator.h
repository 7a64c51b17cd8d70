#pragma once

#include "cli/SimServer.h"
#include "engine/EngineFrame.h"

#include <QObject>
#include <QTime>
#include <functional>
#include <vector>

class QTcpSocket;

// A packet engine on loopback for tests and demonstrations: answers 'G' with its ports, switches
// monitoring on with 'm', sends 'U' frames (replayed traffic or frames a test injects), and
// echoes every unproto frame it receives to the monitoring clients as a 'T' frame.
class EngineSimulator : public QObject {
    Q_OBJECT
public:
    explicit EngineSimulator(QObject* parent = nullptr);
    ~EngineSimulator() override;

    bool listen(const QHostAddress& address, quint16 port) { return m_server.listen(address, port); }
    quint16 port() const { return m_server.port(); }
    void close() { m_server.close(); }

    // "2;Port 1 VHF;Port 2 HF": the port-information answer.
    void setPortInformation(const QString& text) { m_portInformation = text; }
    // Replayed lines (monitor lines or SRC>DST,PATH:info) go out as 'U' frames on replayPort.
    void setReplay(const QStringList& lines, double linesPerSecond, int replayPort = 0);
    // Looping, the replay starts again from its first line instead of finishing.
    void setLoop(bool loop) { m_server.setReplayLoop(loop); }

    // Sends a frame to every client that switched monitoring on.
    void sendMonitored(int port, char kind, const QByteArray& data);
    // Sends raw bytes to every client (tests of stream handling).
    void sendRaw(const QByteArray& bytes);
    void disconnectClients() { m_server.disconnectClients(); }

    int clientCount() const { return m_server.clientCount(); }
    int monitoringClientCount() const;
    // Every frame any client sent, in order.
    const std::vector<EngineFrame>& receivedFrames() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // The engine's monitor text for a frame: " 1:Fm SRC To DST Via PATH <UI pid=F0 Len=n
    // >[hh:mm:ss]\rinfo\r".
    static QByteArray monitorText(int port, const QString& from, const QString& to, const QString& path,
                                  const QByteArray& info, const QTime& time);
    // An APRS-IS form line (SRC>DST,PATH:info) as monitor text; a line already in monitor form
    // ("xx:Fm ...", its information after a '\r' or a literal "\r") is passed through.
    static QByteArray replayLineToMonitorText(const QString& line, int port, const QTime& time);
    // A received unproto frame ('M' or 'V') described as one line for printing.
    static QString describeUnproto(const EngineFrame& frame);

    // Each event as a printable line ("RX ...", "TX ...", "client connected").
    std::function<void(const QString&)> log;

signals:
    void frameFromClient(const EngineFrame& frame);

private:
    struct Client;
    void onClientData(SimServer::Client* client);
    void handleFrame(Client* client, const EngineFrame& frame);
    void replayLine(const QString& line);
    void say(const QString& text);

    QString m_portInformation = QStringLiteral("1;Port 1");
    std::vector<EngineFrame> m_received;
    int m_replayPort = 0;
    SimServer m_server;
};
