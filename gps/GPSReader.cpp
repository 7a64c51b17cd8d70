#include "gps/GPSReader.h"

#include "gps/CoordText.h"
#include "gps/GpsdJson.h"
#include "gps/NumberText.h"
#include "platform/Clock.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"

using NumberText::fixed;
using NumberText::integer;
using NumberText::padLeft;
using NumberText::q;

GPSReader::GPSReader(SettingsStore& settings, Clock& clock, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_reconnectTimer(clock.createTimer()),
      m_connectTimeout(clock.createTimer()) {
    qRegisterMetaType<GpsUpdate>();
    m_reconnectTimer->onTimeout = [this] { connectNow(); };
    m_connectTimeout->onTimeout = [this] {
        // A host that neither answers nor refuses: give up on this attempt and try again later.
        if (m_socket && m_socket->state() != QAbstractSocket::ConnectedState) {
            m_socket->abort();
            scheduleReconnect();
        }
    };
}

GPSReader::~GPSReader() {
    Close();
}

bool GPSReader::Open() {
    if (m_open) return true;
    m_open = true;
    connectNow();
    return true;
}

void GPSReader::Close() {
    m_open = false;
    m_reconnectTimer->stop();
    m_connectTimeout->stop();
    dropSocket();
    m_buffer.clear();
    m_discardingLine = false;
    if (m_connected) {
        m_connected = false;
        emit connectedChanged(false);
    }
}

bool GPSReader::isConnected() const {
    return m_connected;
}

void GPSReader::connectNow() {
    if (!m_open) return;
    m_reconnectTimer->stop();
    dropSocket();
    m_socket = std::make_unique<QTcpSocket>();
    connect(m_socket.get(), &QTcpSocket::connected, this, &GPSReader::onConnected);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &GPSReader::onReadyRead);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &GPSReader::onDisconnected);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_socket && m_socket->state() != QAbstractSocket::ConnectedState) onDisconnected();
    });
    m_buffer.clear();
    m_discardingLine = false;

    const QString host = read(m_settings, Settings::GPSD_HOST);
    const int port = read(m_settings, Settings::GPSD_PORT);
    m_connectTimeout->startSingleShot(kConnectTimeoutMs);
    m_socket->connectToHost(host, static_cast<quint16>(port > 0 && port < 65536 ? port : 2947));
}

void GPSReader::scheduleReconnect() {
    m_connectTimeout->stop();
    if (m_connected) {
        m_connected = false;
        emit connectedChanged(false);
    }
    if (m_open && !m_reconnectTimer->isActive()) m_reconnectTimer->startSingleShot(kReconnectMs);
}

void GPSReader::onConnected() {
    m_connectTimeout->stop();
    m_connected = true;
    m_socket->write(GpsdJson::watchCommand());
    emit connectedChanged(true);
}

// The socket may be the sender of the signal being handled: it goes once the event loop is back.
void GPSReader::dropSocket() {
    if (!m_socket) return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket.release()->deleteLater();
}

void GPSReader::onDisconnected() {
    dropSocket();
    scheduleReconnect();
}

void GPSReader::onReadyRead() {
    if (!m_socket) return;
    const QTcpSocket* socket = m_socket.get();
    m_buffer.append(m_socket->readAll());
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n', start);
        if (end < 0) break;
        if (!m_discardingLine) {
            QByteArrayView line(m_buffer.constData() + start, end - start);
            if (line.endsWith('\r')) line.chop(1);
            handleLine(line);
            if (m_socket.get() != socket) return; // closed or reopened by a receiver of the update
        }
        m_discardingLine = false;
        start = end + 1;
    }
    m_buffer.remove(0, start);
    // A line with no end in sight is dropped as it arrives, so the buffer stays bounded.
    if (m_buffer.size() > GpsdJson::kMaxLineLength) {
        m_buffer.clear();
        m_discardingLine = true;
    }
}

void GPSReader::handleLine(QByteArrayView line) {
    if (GpsdJson::apply(line, m_position) != GpsdJson::Report::Tpv) return;
    if (processPosition(m_position, m_texts, m_valid))
        emit positionUpdated(GpsUpdate{m_position, m_texts, true});
}

QString GPSReader::fixQualityText(int quality) {
    switch (quality) {
    case GpsPosition::Invalid:
        return ResourceStrings::text(ResourceStrings::FixInvalid);
    case GpsPosition::SpsValid:
        return ResourceStrings::text(ResourceStrings::FixSps);
    case GpsPosition::DifferentialValid:
        return ResourceStrings::text(ResourceStrings::FixDifferential);
    case GpsPosition::PpsValid:
        return ResourceStrings::text(ResourceStrings::FixPps);
    default:
        return {};
    }
}

bool GPSReader::processPosition(const GpsPosition& p, GpsTexts& texts, int& validFlag) {
    texts.fixQuality = fixQualityText(p.fixQuality);
    if (p.fixQuality == GpsPosition::Invalid) {
        validFlag = 0;
        return false;
    }
    validFlag = 1;
    if (p.has(GpsPosition::UtcTime)) {
        const QDate d = p.utcTime.date();
        const QTime t = p.utcTime.time();
        texts.date = q(integer(d.year()) + "/" + padLeft(integer(d.month()), 2, '0') + "/" +
                       padLeft(integer(d.day()), 2, '0'));
        texts.time = q(padLeft(integer(t.hour()), 2, '0') + ":" + padLeft(integer(t.minute()), 2, '0') + ":" +
                       padLeft(integer(t.second()), 2, '0'));
    }
    if (p.has(GpsPosition::Latitude)) {
        texts.latitudeDisplay = Coord::gpsLatitudeDisplay(p.latitude);
        texts.aprsLatitude = Coord::gpsAprsLatitude(p.latitude);
    }
    if (p.has(GpsPosition::Longitude)) {
        texts.longitudeDisplay = Coord::gpsLongitudeDisplay(p.longitude);
        texts.aprsLongitude = Coord::gpsAprsLongitude(p.longitude);
    }
    if (p.has(GpsPosition::AltitudeMsl)) texts.height = q(fixed(p.altitudeMsl, 2)) + QStringLiteral("m");
    if (p.has(GpsPosition::Speed)) texts.speed = q(fixed(p.speed, 2)) + QStringLiteral("kn");
    if (p.has(GpsPosition::Heading)) texts.course = q(fixed(p.heading, 1)) + QChar(0x00B0);
    return true;
}
