#pragma once

#include "engine/EngineFrame.h"
#include "engine/ReceivedFrame.h"

#include <QObject>
#include <QTcpSocket>

class SettingsStore;

// The TCP link to the packet engine. Connects, asks for the port list ('G'), switches monitoring
// on ('m') after each answer, turns every monitored frame into a ReceivedFrame, and sends unproto
// frames ('M', 'V'). Lives on the main thread; GlobalObjects polls isConnected() once a minute and
// replaces a link that has gone.
class PESocket : public QObject {
    Q_OBJECT
public:
    explicit PESocket(SettingsStore& settings, QObject* parent = nullptr);
    ~PESocket() override;

    // Starts a non-blocking connect. False when it fails at once (no usable host or port); an
    // asynchronous failure only leaves the link unconnected.
    bool connectToEngine(const QString& host, int port);
    bool isConnected() const { return m_connected; }

    // Sends one unproto frame; a port of -1 never reaches the engine. Dropped when not connected.
    void sendUnproto(const OutboundPacket& packet);

    // The shutdown sequence: stop sending, read and discard what the engine still sends (bounded),
    // close.
    void disconnectGracefully();

signals:
    // The TCP connection is up (the port query has gone out).
    void connected();
    // A monitored frame ('U', 'T' or any other kind), in arrival order.
    void frameReceived(const ReceivedFrame& frame);
    // The port-information answer; 'm' is sent right after the handlers have run.
    void portInformation(const EnginePortList& ports);
    // The engine closed the link (or the stream was corrupt and the link was dropped).
    void closed();

private:
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void handleFrame(const EngineFrame& frame);

    SettingsStore& m_settings;
    QTcpSocket m_socket;
    EngineStreamDecoder m_decoder;
    bool m_connected = false;
};
