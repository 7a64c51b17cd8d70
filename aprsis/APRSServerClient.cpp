#include "aprsis/APRSServerClient.h"

#include "aprsis/ServerLine.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "platform/TextRules.h"
#include "platform/Trace.h"

#include <QtEndian>
#include <sys/socket.h>

APRSServerClient::APRSServerClient(SettingsStore& settings, Clock& clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock) {
    qRegisterMetaType<ReceivedFrame>();
    connect(&m_socket, &QTcpSocket::connected, this, &APRSServerClient::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &APRSServerClient::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &APRSServerClient::onClosed);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (!m_connected) {
            Trace::write(QStringLiteral("ERROR onCOnnect"));
            return;
        }
        if (m_socket.state() == QAbstractSocket::UnconnectedState) onClosed();
    });
}

APRSServerClient::~APRSServerClient() {
    m_socket.disconnect(this);
    if (m_connected && m_socket.state() == QAbstractSocket::ConnectedState) {
        while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(200)) {
        }
        ::shutdown(static_cast<int>(m_socket.socketDescriptor()), SHUT_WR);
    }
    m_socket.abort();
    m_connected = false;
}

bool APRSServerClient::Connect(const QString& host, quint16 port, const QString& filter, const QString& login,
                               const QString& password) {
    Trace::write(QStringLiteral("START"));
    m_filter = filter;
    m_login = login;
    m_password = password;
    // A login is used only together with a passcode; otherwise the station listens as MYCALL.
    if (m_login.isEmpty() || m_password.isEmpty()) {
        m_login = read(m_settings, Settings::MYCALL);
        m_password = QString::fromLatin1(kDefaultPassword);
    }
    // Each goes into the one login line: a line break there would be a second line to the server.
    if (TextRules::hasControlCharacter(m_login) || TextRules::hasControlCharacter(m_password) ||
        TextRules::hasControlCharacter(filter) || TextRules::hasControlCharacter(host)) {
        Trace::write(QStringLiteral("login refused: control character in login, passcode, filter or host"));
        return false;
    }
    Trace::write(QStringLiteral("%1 : %2").arg(host).arg(port));
    m_host = host;
    m_port = port;
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket.connectToHost(host, port);
    return true;
}

std::pair<QString, quint16> APRSServerClient::parseServerText(const QString& server) {
    QStringView rest(server);
    while (rest.startsWith(QLatin1Char(':'))) rest = rest.mid(1);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    QString host = (colon < 0 ? rest : rest.left(colon)).toString();
    quint16 port = 23;
    if (colon >= 0) {
        QStringView p = rest.mid(colon + 1);
        while (!p.isEmpty() && (p.front() == QLatin1Char(':') || p.front() == QLatin1Char(';'))) p = p.mid(1);
        qsizetype end = 0;
        while (end < p.size() && p[end] != QLatin1Char(';') && p[end] != QLatin1Char(':')) ++end;
        bool ok = false;
        const uint n = p.left(end).trimmed().toUInt(&ok);
        if (ok && n > 0 && n <= 65535) port = static_cast<quint16>(n);
    }
    if (host.isEmpty()) host = server;
    return {host, port};
}

QByteArray APRSServerClient::loginLine(const QString& login, const QString& password, const QString& filter) {
    return CodePage::encode(
        QStringLiteral("user %1 pass %2 vers Quillon 2005 %3\r\n").arg(login, password, filter));
}

void APRSServerClient::onConnected() {
    m_connected = true;
    m_loginState = Login::Pending;
    m_serverName.clear();
    m_reader = ServerLineReader();
    const QByteArray line = loginLine(m_login, m_password, m_filter);
    Trace::write(QStringLiteral("GATEWAY ON CONNECT %1").arg(QString::fromUtf8(line)));
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    m_socket.write(line);
    emit connectedChanged(true);
}

void APRSServerClient::onReadyRead() {
    std::vector<QByteArray> lines;
    m_reader.feed(m_socket.readAll(), lines);
    for (const QByteArray& line : lines) {
        if (m_loginState == Login::Pending && takeLoginResponse(line)) {
            emit loginStateChanged();
            continue;
        }
        const std::optional<QString> monitor = serverLineToMonitorLine(line, m_clock.nowUtc().time());
        if (!monitor) continue;
        ReceivedFrame frame;
        frame.text = *monitor;
        frame.length = static_cast<int>(monitor->size());
        frame.port = -1;
        frame.fromInternet = 1;
        frame.ownTransmission = 0;
        emit frameReceived(frame);
    }
}

bool APRSServerClient::takeLoginResponse(QByteArrayView line) {
    // "# logresp N0CALL verified, server T2TEST" or "... unverified, server T2TEST".
    static constexpr QByteArrayView kPrefix("# logresp ");
    if (!line.startsWith(kPrefix)) return false;
    const QList<QByteArray> words = line.sliced(kPrefix.size()).toByteArray().simplified().split(' ');
    if (words.size() < 2) return false;
    const QByteArray state = words[1].endsWith(',') ? words[1].chopped(1) : words[1];
    if (state == "verified")
        m_loginState = Login::Verified;
    else if (state == "unverified")
        m_loginState = Login::Unverified;
    else
        return false;
    const qsizetype server = words.indexOf("server");
    if (server >= 0 && server + 1 < words.size()) m_serverName = CodePage::decode(words[server + 1].left(40));
    return true;
}

void APRSServerClient::onClosed() {
    if (!m_connected) return;
    m_connected = false;
    Trace::write(QStringLiteral("END"));
    emit connectedChanged(false);
}

void APRSServerClient::Close() {
    m_socket.abort();
    onClosed();
}

QByteArray APRSServerClient::packetBytes(const OutboundPacket& p, bool unicodePart2) {
    QByteArray bytes = CodePage::encode(p.fromCall) + '>' + CodePage::encode(p.toCall) +
                       ",TCPIP*:" + CodePage::encode(p.part1);
    if (unicodePart2 && !p.part2.isEmpty()) {
        bytes.append('\0');
        for (QChar c : p.part2) {
            char b[2];
            qToLittleEndian<uint16_t>(c.unicode(), b);
            bytes.append(b, 2);
        }
    } else {
        bytes.append(CodePage::encode(p.part2));
    }
    bytes.append('\r');
    return bytes;
}

QString APRSServerClient::echoLine(const OutboundPacket& p, const QDateTime& local) {
    const QTime t = local.time();
    QString line = QStringLiteral("GT:Fm %1 To %2 Via MYGATE <UI pid=F0 Len=%3 >[%4:%5:%6]")
                       .arg(p.fromCall, p.toCall)
                       .arg(p.part1.size() + p.part2.size())
                       .arg(t.hour(), 2, 10, QLatin1Char('0'))
                       .arg(t.minute(), 2, 10, QLatin1Char('0'))
                       .arg(t.second(), 2, 10, QLatin1Char('0'));
    line += QLatin1Char('\r') + p.part1 + p.part2 + QLatin1Char('\r');
    return line;
}

void APRSServerClient::SendPacket(const OutboundPacket& packet) {
    if (!m_connected) return;
    Trace::write(QStringLiteral("%1=%2=%3").arg(packet.part1, packet.fromCall, packet.toCall));
    const bool unicode = read(m_settings, Settings::UNICODERP, -1) != 0;
    m_socket.write(packetBytes(packet, unicode));
    ReceivedFrame echo;
    echo.text = echoLine(packet, m_clock.nowLocal());
    echo.length = static_cast<int>(echo.text.size());
    echo.port = -1;
    echo.fromInternet = 1;
    echo.ownTransmission = 1;
    emit frameReceived(echo);
}
