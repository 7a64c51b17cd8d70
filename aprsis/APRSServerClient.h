#pragma once

#include "aprsis/ServerLineReader.h"
#include "engine/OutboundPacket.h"
#include "engine/ReceivedFrame.h"

#include <QObject>
#include <QTcpSocket>

class SettingsStore;
class Clock;

// The connection to an APRS-IS server: one login line, then every server line becomes a monitor
// line (port -1, "GT", "MYGATE*"); the station's own packets go out as "from>to,TCPIP*:info" CR and
// are echoed to the monitor. Radio traffic is never written to the server.
class APRSServerClient : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultPassword = "Listenonly300";
    // Used when no server is set. Port 14580 applies the login line's filter; the full feed on
    // other ports would flood the station.
    static constexpr const char* kDefaultServer = "rotate.aprs2.net:14580";

    APRSServerClient(SettingsStore& settings, Clock& clock, QObject* parent = nullptr);
    ~APRSServerClient() override;

    // Starts the connection; the outcome arrives later. False (and nothing sent) when the login,
    // passcode, filter or host holds a control character: each goes into the one login line.
    bool Connect(const QString& host, quint16 port, const QString& filter, const QString& login,
                 const QString& password);
    bool isConnected() const { return m_connected; }
    void Close();

    // One own packet to the server; dropped when not connected (the caller checks too).
    void SendPacket(const OutboundPacket& packet);

    // "host:port" as the server setting holds it: the host before the first ':', the port after it
    // up to the next ';' or ':'; port 23 when missing or 0; the whole text as host when no host.
    static std::pair<QString, quint16> parseServerText(const QString& server);
    // The login line for the given texts (login defaults already applied).
    static QByteArray loginLine(const QString& login, const QString& password, const QString& filter);
    // The bytes written for an own packet.
    static QByteArray packetBytes(const OutboundPacket& packet, bool unicodePart2);
    // The monitor echo of an own packet, stamped with local time.
    static QString echoLine(const OutboundPacket& packet, const QDateTime& local);

    const QString& login() const { return m_login; }
    const QString& password() const { return m_password; }
    const QString& host() const { return m_host; }
    quint16 port() const { return m_port; }

    // What the server said of the login ("# logresp CALL verified, server NAME"): until it answers,
    // Pending; Unverified means the server takes nothing from the station (receive only).
    enum class Login { Pending, Verified, Unverified };
    Login loginState() const { return m_loginState; }
    // The server's own name from its login answer, empty before.
    const QString& serverName() const { return m_serverName; }
    // Reads a server comment line; true when it was the login answer (state and name set).
    bool takeLoginResponse(QByteArrayView line);

signals:
    void frameReceived(const ReceivedFrame& frame);
    void connectedChanged(bool connected);
    void loginStateChanged();

private:
    void onConnected();
    void onReadyRead();
    void onClosed();

    SettingsStore& m_settings;
    Clock& m_clock;
    QTcpSocket m_socket;
    ServerLineReader m_reader;
    QString m_filter, m_login, m_password;
    QString m_host, m_serverName;
    quint16 m_port = 0;
    Login m_loginState = Login::Pending;
    bool m_connected = false;
};
