// Objects and status reports through monitor lines: any text, from one of a few owners, live or
// killed. The first byte picks the owner and the form; the rest is the report's text.
#include "aprs/ObjectDecoder.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TemporaryStation* world = new TemporaryStation(TemporaryStation::Tracks::Plugged);
    if (size < 1) return 0;
    const QString text = CodePage::decode(
        QByteArrayView(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)));
    if (const auto o = parseObjectReport(text)) {
        if (!o->item && o->name.size() != 9) std::abort();
        if (o->item && (o->name.size() < 3 || o->name.size() > 9)) std::abort();
        if (o->live && (!(std::fabs(o->latitude) <= 90) || !(std::fabs(o->longitude) <= 180))) std::abort();
    }

    static const QString owners[] = {QStringLiteral("N0CALL"), QStringLiteral("W1AW"),
                                     QStringLiteral("K2ABC-7")};
    const QString& from = owners[data[0] % 3];
    QString info;
    switch ((data[0] / 3) % 4) {
    case 0:
        info = QLatin1Char(';') + text;
        break;
    case 1: // a live object named by the input
        info = QStringLiteral(";%1*092345z4903.50N/07201.75W>").arg(text.left(9), -9);
        break;
    case 2: // killed
        info = QStringLiteral(";%1_092345z4903.50N/07201.75W>").arg(text.left(9), -9);
        break;
    default:
        info = QLatin1Char('>') + text;
        break;
    }
    world->clock.advance(1000);
    const QString line = QStringLiteral("GT:Fm %1 To APRS Via MYGATE* <UI pid=F0 Len=%2 >[12:00:00]\r%3\r")
                             .arg(from)
                             .arg(info.size())
                             .arg(info);
    if (StationRecord* r = world->stations.ProcessMonitorText(line, -1)) {
        if (r->stationType != StationType::Object || r->owner != from) std::abort();
        if (r->symbolCode < 33 || r->symbolCode > 126) std::abort();
        if (world->stations.FindObject(r->call, from) != r) std::abort();
    }
    if (world->stations.count() > 1000) world->stations.RemoveAll();
    return 0;
}
