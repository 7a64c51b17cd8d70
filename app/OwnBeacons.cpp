#include "app/OwnBeacons.h"

#include "app/ActivePortList.h"
#include "platform/Settings.h"

OutboundPacket OwnBeacons::positionReport(int port) const {
    OutboundPacket p;
    const QChar table = tableChar(read(m_settings, Settings::POSICONTABLE));
    const QChar code = codeChar(read(m_settings, Settings::POSICON));
    const QString lat = read(m_settings, Settings::POSLATITUDE);
    const QString lon = read(m_settings, Settings::POSLONGITUDE);
    p.part1 = QLatin1Char('=') + lat + table + lon + code;
    if (read(m_settings, Settings::PHGENABLE, port) != 0)
        p.part1 += QStringLiteral("PHG") + read(m_settings, Settings::PHG, port);
    p.part2 = read(m_settings, Settings::POSTEXT);
    p.fromCall = read(m_settings, Settings::MYCALL);
    p.toCall = QStringLiteral("APZEL"); // the position report always goes to APZEL, not TOCALL
    p.viaPath = read(m_settings, Settings::VIAPATH_POSITION, port);
    p.port = port;
    return p;
}

OutboundPacket OwnBeacons::beaconText(int port) const {
    OutboundPacket p;
    p.part1 = QStringLiteral(">");
    p.part2 = read(m_settings, Settings::BTEXT, port);
    p.fromCall = read(m_settings, Settings::MYCALL);
    p.toCall = read(m_settings, Settings::TOCALL);
    p.viaPath = read(m_settings, Settings::VIAPATH_BEACON, port);
    p.port = port;
    return p;
}

void OwnBeacons::sendPositionReport(const ActivePortList& ports) {
    // Copy: a send may rebuild the port list (a link found dead).
    const auto entries = ports.entries;
    for (const ActivePort& entry : entries) m_send(positionReport(entry.port));
}

void OwnBeacons::sendBeaconText(int port) {
    m_send(beaconText(port));
}
