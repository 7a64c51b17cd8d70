// Arbitrary text as message packets: through the station database's dispatch (monitor lines on a
// radio port and from the server) and straight into the message manager, with own messages and
// bulletins queued now and then and the clock moving so that retransmissions, acknowledgements
// and expiry meet the records. Checks that every record and every packet sent stays well formed.
// Input: bytes, read as text from the air.
#include "aprs/StationManager.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool hasControl(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

struct World : TemporaryStation {
    MsgManager messages{home, settings, clock, stations, [](const OutboundPacket& p) { check(p); }};
    World() {
        write(settings, Settings::MYCALL, QStringLiteral("N0ME"));
        write(settings, Settings::MAXTIME, 120); // records live a couple of minutes of fuzz time
        stations.setMessageSink(&messages);
    }

    static void check(const OutboundPacket& p) {
        // An acknowledgement (own messages end in CR LF): ":" + 9 + ":ack" + a number of at most
        // 5 printable characters.
        if (!p.part1.endsWith(QLatin1String("\r\n")) && p.part1.mid(10, 4) == QLatin1String(":ack")) {
            const QString number = p.part1.mid(14);
            if (number.size() > MsgManager::kMaxAckNumber || hasControl(number)) std::abort();
        }
        // Nothing the station sends may break its line before the packet's own CR LF.
        const QString body = p.part1.endsWith(QLatin1String("\r\n")) ? p.part1.chopped(2) : p.part1;
        if (body.contains(QLatin1Char('\r')) || body.contains(QLatin1Char('\n'))) std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* w = new World;
    const QString text =
        CodePage::decode(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    // As the information field of a frame heard on the radio and from the server.
    const QString info = text.startsWith(QLatin1Char(':')) ? text : QLatin1Char(':') + text;
    QString line = QStringLiteral(" 1:Fm N0ABC To APRS Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=9 >[10:00:00]\r") +
                   info + QLatin1Char('\r');
    w->stations.ProcessMonitorText(line, 0);
    line = QStringLiteral("GT:Fm N0ABC To APRS Via MYGATE* <UI pid=F0 Len=9 >[10:00:01]\r") + info +
           QLatin1Char('\r');
    w->stations.ProcessMonitorText(line, -1);
    // The whole text as a monitor line (headers of any shape), and straight into the manager.
    w->stations.ProcessMonitorText(text, 1);
    bool ackHandled = false;
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    w->messages.ProcessMessage(cut < 0 ? info : info.mid(cut + 1), QStringLiteral("N0ME"),
                               cut < 0 ? text : text.left(cut), 2, ackHandled);

    // Own traffic now and then, addressed with the input's first characters.
    if (size > 0 && data[0] % 4 == 0 && w->messages.queueCount() < 16)
        w->messages.QueueMessage(text.left(12), text.mid(12, 80), text.mid(2, 10), size % 3 - 1);
    if (size > 1 && data[1] % 8 == 0) w->messages.AckReceived(static_cast<int>(size % 5));
    if (size > 1 && data[1] % 8 == 1) w->messages.StopSending(text.left(12), static_cast<int>(size % 5));

    for (int i = 0; i < w->messages.count(); ++i) {
        const MessageRecord* r = w->messages.at(i);
        if (r->pathCount < 0 || r->pathCount > MessageRecord::kMaxPaths || hasControl(r->seq)) std::abort();
    }
    w->clock.advance(5000);
    w->messages.ExpireMessages();
    if (w->stations.count() > 2000) w->stations.RemoveAll(); // other packet types make stations
    return 0;
}
