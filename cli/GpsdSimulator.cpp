#include "cli/GpsdSimulator.h"

#include "platform/Clock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <cmath>

struct GpsdSimulator::Client {
    QTcpSocket* socket = nullptr;
    QByteArray buffer;
    bool watching = false;
};

namespace {
QString isoTime(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

QByteArray line(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject versionReport() {
    return QJsonObject{{QStringLiteral("class"), QStringLiteral("VERSION")},
                       {QStringLiteral("release"), QStringLiteral("3.22")},
                       {QStringLiteral("rev"), QStringLiteral("3.22")},
                       {QStringLiteral("proto_major"), 3},
                       {QStringLiteral("proto_minor"), 14}};
}

QJsonObject deviceObject() {
    return QJsonObject{{QStringLiteral("class"), QStringLiteral("DEVICE")},
                       {QStringLiteral("path"), QLatin1String(GpsdSimulator::kDevice)},
                       {QStringLiteral("driver"), QStringLiteral("NMEA0183")},
                       {QStringLiteral("activated"), QStringLiteral("2026-01-15T12:00:00.000Z")},
                       {QStringLiteral("flags"), 1},
                       {QStringLiteral("native"), 0},
                       {QStringLiteral("bps"), 4800},
                       {QStringLiteral("parity"), QStringLiteral("N")},
                       {QStringLiteral("stopbits"), 1},
                       {QStringLiteral("cycle"), 1.0}};
}
} // namespace

GpsdSimulator::GpsdSimulator(Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_timer(clock.createTimer()) {
    m_timer->onTimeout = [this] { sendNextPoint(); };
    connect(&m_server, &QTcpServer::newConnection, this, &GpsdSimulator::onNewConnection);
}

GpsdSimulator::~GpsdSimulator() {
    close();
}

int GpsdSimulator::intervalMs() const {
    return std::max(1, static_cast<int>(std::lround(1000.0 / m_rate)));
}

bool GpsdSimulator::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

void GpsdSimulator::close() {
    m_timer->stop();
    m_server.close();
    disconnectClients();
}

void GpsdSimulator::disconnectClients() {
    auto clients = std::move(m_clients);
    m_clients.clear();
    for (auto& c : clients) {
        c->socket->disconnect(this);
        c->socket->abort();
        c->socket->deleteLater();
    }
}

int GpsdSimulator::watcherCount() const {
    int n = 0;
    for (const auto& c : m_clients) n += c->watching ? 1 : 0;
    return n;
}

void GpsdSimulator::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client* raw = client.get();
        m_clients.push_back(std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, raw] { onReadyRead(raw); });
        connect(socket, &QTcpSocket::disconnected, this, [this, raw] { removeClient(raw); });
        if (log) log(QStringLiteral("client connected"));
        write(raw, line(versionReport()));
    }
}

void GpsdSimulator::removeClient(Client* client) {
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if (it->get() != client) continue;
        client->socket->disconnect(this);
        client->socket->deleteLater();
        m_clients.erase(it);
        if (log) log(QStringLiteral("client disconnected"));
        return;
    }
}

void GpsdSimulator::onReadyRead(Client* client) {
    client->buffer.append(client->socket->readAll());
    // gpsd requests are short; a client that sends a flood without line ends is cut off.
    if (client->buffer.size() > 4096 && !client->buffer.contains('\n')) {
        client->socket->abort();
        return;
    }
    qsizetype end;
    while ((end = client->buffer.indexOf('\n')) >= 0) {
        QByteArray request = client->buffer.left(end).trimmed();
        client->buffer.remove(0, end + 1);
        // Several commands may share a line: "?WATCH={...};?POLL;".
        while (!request.isEmpty()) {
            qsizetype cut = request.indexOf(';');
            const qsizetype brace = request.indexOf('}');
            if (brace >= 0 && (cut < 0 || cut > brace)) cut = brace + 1;
            const QByteArray command = (cut < 0 ? request : request.left(cut)).trimmed();
            request = cut < 0 ? QByteArray() : request.mid(cut).trimmed();
            while (request.startsWith(';')) request = request.mid(1).trimmed();
            if (!command.isEmpty()) handleRequest(client, command);
            // The client may have gone while handling.
            bool present = false;
            for (const auto& c : m_clients) present = present || c.get() == client;
            if (!present) return;
        }
    }
}

void GpsdSimulator::handleRequest(Client* client, const QByteArray& command) {
    if (log) log(QStringLiteral("request %1").arg(QString::fromLatin1(command)));
    if (command.startsWith("?WATCH")) {
        bool enable = true;
        const qsizetype eq = command.indexOf('=');
        if (eq >= 0) {
            const QJsonDocument doc = QJsonDocument::fromJson(command.mid(eq + 1));
            if (doc.isObject()) enable = doc.object().value(QStringLiteral("enable")).toBool(true);
        }
        write(client, line(QJsonObject{{QStringLiteral("class"), QStringLiteral("DEVICES")},
                                       {QStringLiteral("devices"), QJsonArray{deviceObject()}}}));
        write(client, line(QJsonObject{{QStringLiteral("class"), QStringLiteral("WATCH")},
                                       {QStringLiteral("enable"), enable},
                                       {QStringLiteral("json"), true},
                                       {QStringLiteral("nmea"), false},
                                       {QStringLiteral("raw"), 0},
                                       {QStringLiteral("scaled"), false},
                                       {QStringLiteral("timing"), false},
                                       {QStringLiteral("split24"), false},
                                       {QStringLiteral("pps"), false}}));
        client->watching = enable;
        if (enable && !m_running && !m_finished) startTrack();
        return;
    }
    if (command.startsWith("?VERSION")) {
        write(client, line(versionReport()));
        return;
    }
    if (command.startsWith("?DEVICES")) {
        write(client, line(QJsonObject{{QStringLiteral("class"), QStringLiteral("DEVICES")},
                                       {QStringLiteral("devices"), QJsonArray{deviceObject()}}}));
        return;
    }
    if (command.startsWith("?POLL")) {
        QJsonArray tpv, sky;
        if (m_lastIndex >= 0) {
            const QDateTime now = m_clock.nowUtc();
            tpv.append(QJsonDocument::fromJson(tpvReport(m_track[m_lastIndex], now)).object());
            sky.append(QJsonDocument::fromJson(skyReport(m_track[m_lastIndex], now)).object());
        }
        write(client, line(QJsonObject{{QStringLiteral("class"), QStringLiteral("POLL")},
                                       {QStringLiteral("time"), isoTime(m_clock.nowUtc())},
                                       {QStringLiteral("active"), 1},
                                       {QStringLiteral("tpv"), tpv},
                                       {QStringLiteral("sky"), sky}}));
        return;
    }
    write(client,
          line(QJsonObject{
              {QStringLiteral("class"), QStringLiteral("ERROR")},
              {QStringLiteral("message"),
               QStringLiteral("Unrecognized request '%1'").arg(QString::fromLatin1(command.left(40)))}}));
}

void GpsdSimulator::write(Client* client, const QByteArray& bytes) {
    client->socket->write(bytes);
}

void GpsdSimulator::sendRaw(const QByteArray& bytes) {
    for (const auto& c : m_clients) c->socket->write(bytes);
}

void GpsdSimulator::startTrack() {
    if (m_track.isEmpty()) return;
    m_running = true;
    m_next = 0;
    sendNextPoint();
    if (m_running) m_timer->start(intervalMs());
}

void GpsdSimulator::sendNextPoint() {
    if (m_next >= m_track.size()) {
        if (!m_loop) {
            m_timer->stop();
            m_running = false;
            m_finished = true;
            if (log) log(QStringLiteral("track finished"));
            emit trackFinished();
            return;
        }
        m_next = 0;
    }
    const GpsTrackPoint& p = m_track[m_next];
    const QDateTime now = m_clock.nowUtc();
    // The sky first, so the position that follows carries the satellites of the same moment.
    const QByteArray reports = skyReport(p, now) + tpvReport(p, now);
    for (const auto& c : m_clients)
        if (c->watching) c->socket->write(reports);
    m_lastIndex = m_next;
    ++m_sent;
    if (log)
        log(QStringLiteral("point %1: %2 %3")
                .arg(m_next + 1)
                .arg(p.latitude, 0, 'f', 6)
                .arg(p.longitude, 0, 'f', 6));
    emit pointSent(m_next++);
}

QByteArray GpsdSimulator::tpvReport(const GpsTrackPoint& p, const QDateTime& nowUtc) {
    const QDateTime time = p.utcTime.isValid() ? p.utcTime : nowUtc;
    QJsonObject o{{QStringLiteral("class"), QStringLiteral("TPV")},
                  {QStringLiteral("device"), QLatin1String(kDevice)},
                  {QStringLiteral("time"), isoTime(time)}};
    switch (p.fix) {
    case GpsTrackPoint::None:
        o.insert(QStringLiteral("mode"), 1);
        return line(o);
    case GpsTrackPoint::TwoD:
        o.insert(QStringLiteral("mode"), 2);
        break;
    case GpsTrackPoint::ThreeD:
        o.insert(QStringLiteral("mode"), 3);
        break;
    case GpsTrackPoint::Dgps:
        o.insert(QStringLiteral("mode"), 3);
        o.insert(QStringLiteral("status"), 2);
        break;
    }
    o.insert(QStringLiteral("ept"), 0.005);
    o.insert(QStringLiteral("lat"), p.latitude);
    o.insert(QStringLiteral("lon"), p.longitude);
    if (p.fix != GpsTrackPoint::TwoD) {
        o.insert(QStringLiteral("altHAE"), p.altitude + 36.0);
        o.insert(QStringLiteral("altMSL"), p.altitude);
        o.insert(QStringLiteral("alt"), p.altitude);
    }
    o.insert(QStringLiteral("track"), p.course);
    o.insert(QStringLiteral("magtrack"), p.course);
    o.insert(QStringLiteral("speed"), p.speedKnots * 1852.0 / 3600.0);
    o.insert(QStringLiteral("climb"), 0.0);
    return line(o);
}

QByteArray GpsdSimulator::skyReport(const GpsTrackPoint& p, const QDateTime& nowUtc) {
    QJsonArray sats;
    for (const GpsSatellite& s : p.satellites)
        sats.append(QJsonObject{{QStringLiteral("PRN"), s.prn},
                                {QStringLiteral("el"), s.elevation},
                                {QStringLiteral("az"), s.azimuth},
                                {QStringLiteral("ss"), s.snr},
                                {QStringLiteral("used"), s.used}});
    return line(QJsonObject{{QStringLiteral("class"), QStringLiteral("SKY")},
                            {QStringLiteral("device"), QLatin1String(kDevice)},
                            {QStringLiteral("time"), isoTime(p.utcTime.isValid() ? p.utcTime : nowUtc)},
                            {QStringLiteral("hdop"), 1.2},
                            {QStringLiteral("satellites"), sats}});
}
