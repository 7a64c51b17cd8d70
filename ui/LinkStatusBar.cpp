#include "ui/LinkStatusBar.h"

#include "app/GlobalObjects.h"
#include "aprsis/APRSServerClient.h"
#include "engine/PESocket.h"
#include "gps/GPSReader.h"
#include "platform/Clock.h"
#include "platform/Settings.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

LinkIndicator::LinkIndicator(const QString& name, QWidget* parent)
    : QWidget(parent), m_dot(new QLabel(this)), m_text(new QLabel(this)) {
    setObjectName(name);
    m_text->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 12, 0);
    layout->setSpacing(6);
    layout->addWidget(m_dot);
    layout->addWidget(m_text);
}

void LinkIndicator::set(const QString& text, const QColor& colour) {
    m_text->setText(text);
    // The server names itself: its words are shown, never read as markup.
    setToolTip(QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped()));
    const int size = qMax(8, m_text->fontMetrics().height() * 3 / 5);
    const qreal dpr = devicePixelRatioF();
    QPixmap dot(QSize(size, size) * dpr);
    dot.setDevicePixelRatio(dpr);
    dot.fill(Qt::transparent);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    p.end();
    m_dot->setPixmap(dot);
}

LinkStatusBar::LinkStatusBar(GlobalObjects& station, QWidget* parent)
    : QStatusBar(parent), m_station(station),
      m_engine(new LinkIndicator(QStringLiteral("engineStatus"), this)),
      m_aprsIs(new LinkIndicator(QStringLiteral("aprsIsStatus"), this)),
      m_gps(new LinkIndicator(QStringLiteral("gpsStatus"), this)), m_rate(new QLabel(this)) {
    setObjectName(QStringLiteral("linkStatus"));
    m_rate->setObjectName(QStringLiteral("packetRate"));
    for (LinkIndicator* l : {m_engine, m_aprsIs, m_gps}) addWidget(l);
    m_rate->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_rate);
    m_seconds.fill(-1);

    connect(&station, &GlobalObjects::linksChanged, this, &LinkStatusBar::refresh);
    connect(&station, &GlobalObjects::activePortsChanged, this, &LinkStatusBar::refresh);
    connect(&station, &GlobalObjects::frameHandled, this, &LinkStatusBar::countFrame);
    connect(&station.gps(), &GpsController::runningChanged, this, &LinkStatusBar::refresh);
    connect(&station.gps(), &GpsController::positionUpdated, this, &LinkStatusBar::refresh);
    connect(&m_refresh, &QTimer::timeout, this, &LinkStatusBar::refresh);
    m_refresh.start(1000);
    refresh();
}

LinkStatusBar::Indicator LinkStatusBar::engineState(const GlobalObjects& station) {
    const PESocket* engine = station.engineSocket();
    if (!engine) {
        if (station.engineGivenUp()) return {tr("Packet engine: off"), Level::Off};
        return {tr("Packet engine: not connected, retrying every minute"), Level::Bad};
    }
    if (!engine->isConnected()) {
        const QString host = read(station.settings(), Settings::ComputerName);
        const int port = read(station.settings(), Settings::Port);
        return {tr("Packet engine: connecting to %1:%2").arg(host).arg(port), Level::Waiting};
    }
    const int ports = station.enginePorts().count;
    QStringList enabled;
    for (const ActivePort& p : station.activePorts().entries)
        if (p.port >= 0) enabled << QString::number(p.port + 1);
    QString text = ports == 1 ? tr("Packet engine: connected, 1 port")
                              : tr("Packet engine: connected, %1 ports").arg(ports);
    if (!enabled.isEmpty()) text += tr(" (beacons on %1)").arg(enabled.join(QLatin1String(", ")));
    return {text, Level::Good};
}

LinkStatusBar::Indicator LinkStatusBar::aprsIsState(const GlobalObjects& station) {
    const APRSServerClient* client = station.aprsClient();
    if (!client) return {tr("APRS-IS: off"), Level::Off};
    const QString server = QStringLiteral("%1:%2").arg(client->host()).arg(client->port());
    if (!client->isConnected()) return {tr("APRS-IS: connecting to %1").arg(server), Level::Waiting};
    const QString name = client->serverName().isEmpty() ? server : client->serverName();
    switch (client->loginState()) {
    case APRSServerClient::Login::Verified:
        return {tr("APRS-IS: %1, verified").arg(name), Level::Good};
    case APRSServerClient::Login::Unverified:
        return {tr("APRS-IS: %1, receive only").arg(name), Level::Waiting};
    case APRSServerClient::Login::Pending:
        break;
    }
    return {tr("APRS-IS: %1, logging in").arg(name), Level::Waiting};
}

LinkStatusBar::Indicator LinkStatusBar::gpsState(const GlobalObjects& station) {
    const GpsController& gps = station.gps();
    if (!gps.isRunning()) return {tr("GPS: off"), Level::Off};
    if (gps.reader() && !gps.reader()->isConnected()) return {tr("GPS: waiting for gpsd"), Level::Bad};
    const auto& last = gps.lastUpdate();
    if (!last || !last->valid || last->position.fixQuality == GpsPosition::Invalid)
        return {tr("GPS: no fix"), Level::Waiting};
    const GpsPosition& p = last->position;
    const QString mode = p.fixMode == 3 ? tr("3D fix") : p.fixMode == 2 ? tr("2D fix") : tr("fix");
    int used = 0;
    for (const GpsSatellite& s : p.satellites)
        if (s.used) ++used;
    return {used > 0 ? tr("GPS: %1, %2 satellites").arg(mode).arg(used) : tr("GPS: %1").arg(mode),
            Level::Good};
}

qint64 LinkStatusBar::nowSecond() const {
    return m_station.clock().nowUtc().toSecsSinceEpoch();
}

void LinkStatusBar::countFrame(const ReceivedFrame& frame) {
    if (frame.ownTransmission) return;
    const qint64 second = nowSecond();
    if (m_firstSecond < 0) m_firstSecond = second;
    const int slot = static_cast<int>(((second % kRateSeconds) + kRateSeconds) % kRateSeconds);
    if (m_seconds[slot] != second) {
        m_seconds[slot] = second;
        m_counts[slot] = 0;
    }
    ++m_counts[slot];
}

double LinkStatusBar::packetRate() const {
    const qint64 now = nowSecond();
    int total = 0;
    for (int i = 0; i < kRateSeconds; ++i)
        if (m_seconds[i] > now - kRateSeconds && m_seconds[i] <= now) total += m_counts[i];
    // Right after the start the window is shorter than ten seconds.
    const qint64 span =
        m_firstSecond < 0 ? kRateSeconds : std::clamp<qint64>(now - m_firstSecond + 1, 1, kRateSeconds);
    return total / double(span);
}

void LinkStatusBar::show(LinkIndicator* widget, const Indicator& indicator) {
    QColor colour;
    switch (indicator.level) {
    case Level::Good:
        colour = QColor(0x2e, 0xa0, 0x43);
        break;
    case Level::Waiting:
        colour = QColor(0xe0, 0xa0, 0x00);
        break;
    case Level::Bad:
        colour = QColor(0xd0, 0x30, 0x30);
        break;
    case Level::Off:
        colour = palette().color(QPalette::Disabled, QPalette::WindowText);
        break;
    }
    widget->set(indicator.text, colour);
}

void LinkStatusBar::refresh() {
    show(m_engine, engineState(m_station));
    show(m_aprsIs, aprsIsState(m_station));
    show(m_gps, gpsState(m_station));
    m_rate->setText(tr("%1 packets/s").arg(packetRate(), 0, 'f', 1));
}
