// Arbitrary text as monitor lines through the station database: splitting, duplicate filter,
// dispatch, relayed packets and heard paths. One database lives across inputs so that look-ups,
// duplicates and moves meet earlier records; it is emptied now and then to bound memory.
// Input: bytes, read both as text from the air and as raw UTF-16 code units.
#include "aprs/MonitorLine.h"
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cstddef>
#include <cstdint>

namespace {
using World = TemporaryStation;

void feed(World& w, const QString& text, int port) {
    (void)splitMonitorLine(text);
    if (StationRecord* r = w.stations.ProcessMonitorText(text, port)) {
        w.stations.MoveToEnd(r);
        (void)r->heardVia();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    feed(*world, CodePage::decode(bytes), 0);
    feed(*world,
         QString::fromUtf16(reinterpret_cast<const char16_t*>(data), static_cast<qsizetype>(size / 2)), -1);
    (void)splitRelayedPacket(CodePage::decode(bytes));

    world->clock.advance(1000);
    if (world->stations.count() > 2000) world->stations.RemoveAll();
    return 0;
}
