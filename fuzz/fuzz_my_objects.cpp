// Arbitrary bytes as Data/MyObjects.dat: the reader must end cleanly on any damage and allocate no
// more than the data holds; every object it takes must be fit to send, and what it read must write
// and read back to the same bytes. The same bytes then go through the manager's Load from a
// station home and a few minute ticks, with a kill among them.
#include "messaging/OwnObjectsFile.h"
#include "messaging/OwnObjectsManager.h"
#include "platform/Clock.h"
#include "tests/support/TempHome.h"

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct World : TempHome {
    ManualClock clock;
};

void roundTrip(const QByteArray& data, const SystemTime& now) {
    auto first = OwnObjectsFile::read(data, now);
    if (!first) return;
    if (first->objects.size() > static_cast<size_t>(OwnObjectsFile::kMaxObjects)) std::abort();
    for (const auto& o : first->objects) {
        if (!OwnObjectsFile::hasValidSymbol(*o) ||
            !OwnObjectsFile::hasValidPosition(o->latitude, o->longitude) ||
            !OwnObjectsFile::isRealTime(o->time) || o->interval < 1 || o->countdown != 1 || o->killed)
            std::abort();
        const QString report = OwnObjectsManager::report(*o);
        if (!report.startsWith(QLatin1Char(';')) || report.size() < 37) std::abort();
    }
    const QByteArray written = OwnObjectsFile::write(first->objects);
    auto second = OwnObjectsFile::read(written, now);
    if (!second || second->damaged() || second->objects.size() != first->objects.size()) std::abort();
    if (OwnObjectsFile::write(second->objects) != written) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* w = new World;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    roundTrip(bytes, SystemTime::fromDateTime(w->clock.nowUtc()));

    {
        QFile f(w->home.dataFile(OwnObjectsManager::kFileName));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }
    int sent = 0;
    OwnObjectsManager objects(w->home, w->clock, [&sent](const QString&) { ++sent; });
    objects.Load();
    if (objects.hasLiveObjects()) objects.killObject(objects.liveNames().front());
    for (int i = 0; i < 4; ++i) objects.minuteTick();
    objects.Save();
    return 0;
}
