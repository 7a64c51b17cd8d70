// Arbitrary bytes as Data/Stations.dat: the load must end cleanly on any damage, allocate no more
// than the file holds, and what it loaded must save and load again to the same bytes.
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
using World = TemporaryStation;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World;
    StationManager first(world->home, world->settings, world->clock);
    if (!first.loadData(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))))
        return 0;
    for (StationRecord* r = first.NextAfter(nullptr); r; r = first.NextAfter(r))
        (void)first.FindByCall(r->call);
    const QByteArray saved = first.saveData();

    StationManager second(world->home, world->settings, world->clock);
    if (!second.loadData(saved) || second.count() != first.count() || second.saveData() != saved)
        std::abort();
    first.Expire(); // no track files exist; names must stay inside Data whatever they are
    return 0;
}
