#include "cli/EngineSimulator.h"

#include "cli/SimSupport.h"
#include "platform/CodePage.h"

#include <QTcpSocket>
#include <QTime>
#include <QtEndian>

struct EngineSimulator::Client : SimServer::Client {
    EngineStreamDecoder decoder;
    bool monitoring = false;
};

EngineSimulator::EngineSimulator(QObject* parent)
    : QObject(parent), m_server(
                           this, [] { return std::make_unique<Client>(); },
                           [this](SimServer::Client* c) { onClientData(c); }) {
    m_server.log = [this](const QString& text) { say(text); };
    m_server.onReplayLine = [this](const QString& line) { replayLine(line); };
}

EngineSimulator::~EngineSimulator() {
    close();
}

void EngineSimulator::say(const QString& text) {
    if (log) log(text);
}

void EngineSimulator::setReplay(const QStringList& lines, double linesPerSecond, int replayPort) {
    m_server.setReplay(lines, linesPerSecond);
    m_replayPort = replayPort;
}

void EngineSimulator::onClientData(SimServer::Client* base) {
    auto* client = static_cast<Client*>(base);
    std::vector<EngineFrame> frames;
    if (!client->decoder.feed(client->socket->readAll(), frames)) {
        say(QStringLiteral("corrupt stream from client, closing"));
        client->socket->abort();
        return;
    }
    for (const EngineFrame& f : frames) handleFrame(client, f);
}

void EngineSimulator::handleFrame(Client* client, const EngineFrame& frame) {
    m_received.push_back(frame);
    emit frameFromClient(frame);
    switch (frame.header.kind) {
    case 'G':
        say(QStringLiteral("G port information asked"));
        client->socket->write(EngineCodec::encodeFrame(0, 'G', {}, {}, CodePage::encode(m_portInformation)));
        return;
    case 'm':
        say(QStringLiteral("m monitoring on"));
        client->monitoring = true;
        m_server.startReplay();
        return;
    case 'M':
    case 'V': {
        say(QStringLiteral("RX ") + describeUnproto(frame));
        // Echo as the engine does: a 'T' frame with the monitor text of what it transmitted.
        const EngineCodec::UnprotoContent content = EngineCodec::parseUnproto(frame);
        sendMonitored(static_cast<int>(frame.header.port), 'T',
                      monitorText(static_cast<int>(frame.header.port),
                                  QString::fromLatin1(frame.header.fromCall),
                                  QString::fromLatin1(frame.header.toCall),
                                  content.via.join(QLatin1Char(',')), content.info, QTime::currentTime()));
        return;
    }
    default:
        say(QStringLiteral("frame of kind %1 ignored").arg(QChar(frame.header.kind & 0xff)));
    }
}

int EngineSimulator::monitoringClientCount() const {
    int n = 0;
    for (const auto& c : m_server.clients()) n += static_cast<const Client&>(*c).monitoring ? 1 : 0;
    return n;
}

void EngineSimulator::sendMonitored(int port, char kind, const QByteArray& data) {
    const QByteArray frame = EngineCodec::encodeFrame(static_cast<uint32_t>(port), kind, {}, {}, data);
    for (const auto& c : m_server.clients())
        if (static_cast<const Client&>(*c).monitoring) c->socket->write(frame);
}

void EngineSimulator::sendRaw(const QByteArray& bytes) {
    for (const auto& c : m_server.clients()) c->socket->write(bytes);
}

void EngineSimulator::replayLine(const QString& line) {
    const QByteArray text = replayLineToMonitorText(line, m_replayPort, QTime::currentTime());
    if (text.isEmpty()) {
        say(QStringLiteral("replay line not understood: ") + line);
        return;
    }
    say(QStringLiteral("TX U ") + line);
    sendMonitored(m_replayPort, 'U', text);
}

QByteArray EngineSimulator::monitorText(int port, const QString& from, const QString& to, const QString& path,
                                        const QByteArray& info, const QTime& time) {
    QString header = QStringLiteral("%1:Fm %2 To %3").arg(port + 1, 2).arg(from, to);
    if (!path.isEmpty()) header += QStringLiteral(" Via ") + path;
    header += QStringLiteral(" <UI pid=F0 Len=%1 >[%2]")
                  .arg(info.size())
                  .arg(time.toString(QStringLiteral("HH:mm:ss")));
    return CodePage::encode(header) + '\r' + info + '\r';
}

QByteArray EngineSimulator::replayLineToMonitorText(const QString& line, int port, const QTime& time) {
    if (line.size() > 3 && line.mid(2, 4) == QLatin1String(":Fm ")) {
        QString text = line;
        text.replace(QLatin1String("\\r"), QLatin1String("\r"));
        if (!text.endsWith(QLatin1Char('\r'))) text += QLatin1Char('\r');
        return CodePage::encode(text);
    }
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const qsizetype gt = line.indexOf(QLatin1Char('>'));
    if (colon < 0 || gt <= 0 || gt > colon) return {};
    const QString from = line.left(gt);
    const QStringList route = line.mid(gt + 1, colon - gt - 1).split(QLatin1Char(','));
    if (route.isEmpty() || route.front().isEmpty()) return {};
    const QString path = route.mid(1).join(QLatin1Char(','));
    return monitorText(port, from, route.front(), path, CodePage::encode(line.mid(colon + 1)), time);
}

QString EngineSimulator::describeUnproto(const EngineFrame& frame) {
    const EngineCodec::UnprotoContent content = EngineCodec::parseUnproto(frame);
    const QString path =
        content.via.isEmpty() ? QString() : QLatin1Char(',') + content.via.join(QLatin1Char(','));
    return QStringLiteral("%1 port %2: %3>%4%5:%6")
        .arg(QChar(frame.header.kind & 0xff))
        .arg(frame.header.port)
        .arg(QString::fromLatin1(frame.header.fromCall), QString::fromLatin1(frame.header.toCall), path,
             SimSupport::printable(content.info));
}
