#include "gps/GpsController.h"

#include "aprs/StationManager.h"
#include "aprs/SymbolTable.h"
#include "gps/CoordText.h"
#include "gps/GPSReader.h"
#include "gps/GeoCalc.h"
#include "gps/Units.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/SystemTime.h"

#include <QMutexLocker>
#include <QScopedValueRollback>
#include <cmath>

namespace {

// A float from the receiver truncated to a whole number; values no int holds saturate.
int whole(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

bool wellFormed(const QByteArray& text, int size) {
    return text.size() == size;
}

} // namespace

GpsController::GpsController(SettingsStore& settings, Clock& clock, StationManager& stations, SendPacket send,
                             QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_stations(stations), m_send(std::move(send)) {
    qRegisterMetaType<GpsUpdate>();
}

GpsController::~GpsController() {
    if (m_reader) {
        m_reader->disconnect(this);
        m_reader->Close();
        m_reader.reset();
    }
}

bool GpsController::start() {
    if (m_reader) return true;
    m_reader = std::make_unique<GPSReader>(m_settings, m_clock);
    connect(m_reader.get(), &GPSReader::positionUpdated, this, &GpsController::processUpdate);
    if (!m_reader->Open()) {
        m_reader.reset();
        return false;
    }
    emit runningChanged(true);
    return true;
}

void GpsController::stop() {
    if (!m_reader) return;
    m_reader->disconnect(this);
    m_reader->Close();
    if (m_handlingUpdate)
        m_reader.release()->deleteLater(); // stopped from a receiver of the reader's own signal
    else
        m_reader.reset();
    emit runningChanged(false);
}

std::pair<char, char> GpsController::symbol() const {
    const char table = read(m_settings, Settings::GPS_POSICONTABLE) != 0 ? '\\' : '/';
    int index = read(m_settings, Settings::GPS_POSICON);
    // An index outside the table would read past it: the default symbol (the car) instead.
    if (index < 0 || index >= SymbolTable::kEntries) index = Settings::GPS_POSICON.defaultValue;
    return {table, static_cast<char>(SymbolTable::kFirstCode + index)};
}

void GpsController::processUpdate(const GpsUpdate& update) {
    const QScopedValueRollback<bool> handling(m_handlingUpdate, true);
    m_last = update;
    emit positionUpdated(update);
    const GpsPosition& p = update.position;
    if (!update.valid || p.latitude == 0.0 || p.longitude == 0.0) return;
    updateOwnStation(update);
    beaconDecision(update);
}

void GpsController::updateOwnStation(const GpsUpdate& update) {
    const GpsPosition& p = update.position;
    const QString call = read(m_settings, Settings::GPS_CALL);
    const auto [table, code] = symbol();
    {
        QMutexLocker lock(&m_stations.lock());
        StationRecord* r = m_stations.FindByCall(call);
        const bool created = r == nullptr;
        if (created) {
            r = m_stations.Create();
            r->call = call;
        }
        r->isNew = created ? 1 : 0;
        r->symbolTable = table;
        r->symbolCode = code;
        r->stationType = symbolStationType(table, code);
        r->setPosition(p.latitude, p.longitude);
        r->lastHeard = SystemTime::fromDateTime(m_clock.nowLocal());
        r->speed = p.speed;
        const int heading = whole(p.heading);
        r->course = static_cast<uint32_t>((heading % 360 + 360) % 360);
        // The database keeps feet; the receiver gives metres.
        r->altitude = whole(std::lround(Units::metresToFeet(whole(p.altitudeMsl))));
        m_stations.MoveToEnd(r);
    }
    emit ownStationUpdated(call);
}

void GpsController::beaconDecision(const GpsUpdate& update) {
    const GpsPosition& p = update.position;
    if (!m_beacon.lastTransmission.isValid()) {
        transmit(update);
        return;
    }
    const int everyMinutes = read(m_settings, Settings::TXEVERYTIME);
    if (everyMinutes > 0) { // 0 or below: never by time
        const qint64 minutes =
            (m_clock.nowLocal().toSecsSinceEpoch() - m_beacon.lastTransmission.toSecsSinceEpoch()) / 60;
        if (minutes > everyMinutes) {
            transmit(update);
            return;
        }
    }
    m_beacon.accumulatedKm +=
        GeoCalc().distanceKm(m_beacon.lastLatitude, m_beacon.lastLongitude, p.latitude, p.longitude);
    if (m_beacon.accumulatedKm > static_cast<double>(read(m_settings, Settings::TXEVERYDISTANCE))) {
        transmit(update);
        return;
    }
    m_beacon.lastLatitude = p.latitude;
    m_beacon.lastLongitude = p.longitude;

    const int everyAngle = read(m_settings, Settings::TXEVERYANGLE);
    const int heading = whole(p.heading);
    // A plain difference: 350 to 10 degrees is a change of 340.
    const long long change = std::llabs(static_cast<long long>(m_beacon.lastHeading) - heading);
    if (change >= everyAngle) {
        m_beacon.lastHeading = heading;
        transmit(update);
    }
}

std::optional<MicEReport> GpsController::composeReport(const GpsUpdate& update) const {
    const GpsPosition& p = update.position;
    // The APRS texts of the same position; made from the record's values when the texts never
    // got them (a latitude that arrived without a fix).
    const QByteArray lat = wellFormed(update.texts.aprsLatitude, 8) ? update.texts.aprsLatitude
                                                                    : Coord::gpsAprsLatitude(p.latitude);
    const QByteArray lon = wellFormed(update.texts.aprsLongitude, 9) ? update.texts.aprsLongitude
                                                                     : Coord::gpsAprsLongitude(p.longitude);
    const auto [table, code] = symbol();
    return MicEEncoder::encode(lat, lon, whole(p.heading), whole(p.speed), whole(p.altitudeMsl), code, table);
}

void GpsController::transmit(const GpsUpdate& update) {
    const GpsPosition& p = update.position;
    const QString call = read(m_settings, Settings::GPS_CALL);
    m_beacon.accumulatedKm = 0.0;
    const std::optional<MicEReport> report = composeReport(update);
    m_beacon.lastTransmission = m_clock.nowLocal();
    m_beacon.lastLatitude = p.latitude;
    m_beacon.lastLongitude = p.longitude;
    if (!report) return;

    const QString information =
        QString::fromLatin1(report->information) + read(m_settings, Settings::GPS_STATUS);
    const QString destination = QString::fromLatin1(report->destination);
    const QString via = read(m_settings, Settings::GPS_VIAPATH);
    const QStringList tokens =
        read(m_settings, Settings::RADIOPORTSTX_BEACONING).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        bool ok = false;
        const int port = token.trimmed().toInt(&ok);
        if (!ok) continue; // not a port number: nothing to send it to
        OutboundPacket packet;
        packet.part1 = information;
        packet.fromCall = call;
        packet.toCall = destination;
        packet.viaPath = via;
        packet.port = port;
        if (m_send) m_send(packet);
    }
    emit beaconTransmitted(destination, information);
}
