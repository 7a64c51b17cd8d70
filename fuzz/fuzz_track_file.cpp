// Track files are read back from disk and may be cut off or hostile: any bytes as a station's
// track file, read whole and in part, appended to, and trimmed. The first byte picks how many
// minutes the trim keeps; the rest is the file.
#include "aprs/SafeFileName.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
using World = TemporaryStation;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World;
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const qsizetype whole = bytes.size() / TrackFile::kRecordSize;

    if (TrackFile::decodeAll(bytes).size() != static_cast<size_t>(whole)) std::abort();

    StationTracks& tracks = world->tracks;
    const QString call = QStringLiteral("N0CALL");
    const QString path = tracks.trackPath(call);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(bytes);
    }
    if (tracks.readTrack(call).size() != static_cast<size_t>(whole)) std::abort();
    if (tracks.readTrack(call, 2).size() != static_cast<size_t>(std::min<qsizetype>(whole, 2))) std::abort();

    StationRecord r;
    r.call = call;
    r.stationType = data[0] & 1 ? StationType::Weather : StationType::Mobile;
    r.latitude = data[0];
    r.lastHeard = SystemTime::fromDateTime(world->clock.nowLocal());
    tracks.appendTrackPoint(r);
    const qint64 appended = QFileInfo(path).size();
    if (appended % TrackFile::kRecordSize != 0) std::abort();
    if (appended < whole * TrackFile::kRecordSize) std::abort();

    if (!tracks.trimTrack(r, data[0])) std::abort();
    if (QFileInfo(path).size() > appended || QFileInfo(path).size() % TrackFile::kRecordSize != 0)
        std::abort();
    if (QFile::exists(trackFilePath(world->home, call, "bpos"))) std::abort();
    tracks.deleteTrack(call);
    return 0;
}
