#pragma once

#include "engine/OutboundPacket.h"

#include <QString>
#include <functional>

class SettingsStore;
struct ActivePortList;

// The fixed station's own packets: the position report ("=" position, symbol, optional PHG,
// comment) and the per-port beacon text (">" status). Composed from the settings at the moment of
// sending, so a change in the setup pages shows in the next report.
class OwnBeacons {
public:
    using Send = std::function<void(const OutboundPacket&)>;
    OwnBeacons(SettingsStore& settings, Send send) : m_settings(settings), m_send(std::move(send)) {}

    // The position report on every active port, in list order.
    void sendPositionReport(const ActivePortList& ports);
    void sendBeaconText(int port);

    // Symbol characters for a table index (0 primary '/', 1 alternate '\') and a symbol index.
    static QChar tableChar(int table) { return table == 1 ? QLatin1Char('\\') : QLatin1Char('/'); }
    static QChar codeChar(int index) { return QChar(33 + index); }

    OutboundPacket positionReport(int port) const;
    OutboundPacket beaconText(int port) const;

private:
    SettingsStore& m_settings;
    Send m_send;
};
