#include "aprs/ui/StationDetails.h"

#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "aprs/ui/DlgDeleteTracks.h"
#include "aprs/ui/DlgStationMobile.h"
#include "aprs/ui/DlgStationStatic.h"
#include "aprs/ui/DlgStationWether.h"
#include "controls/DialogRunner.h"

#include <QMutexLocker>
#include <algorithm>
#include <memory>
#include <optional>

namespace {

// A copy taken under the lock: the dialogs run an event loop, in which expiry and incoming
// frames may destroy the record itself.
std::optional<StationRecord> copyOf(StationManager& stations, const QString& call) {
    QMutexLocker lock(&stations.lock());
    const StationRecord* record = stations.FindByCall(call);
    if (!record) return std::nullopt;
    return *record;
}

int durationMinutes(const StationRecord& r) {
    return static_cast<int>(
        std::max<qint64>(0, (r.lastHeard.wallClockSeconds() - r.firstHeard.wallClockSeconds()) / 60));
}

} // namespace

int openStationDetails(QWidget* parent, StationManager& stations, StationTracks& tracks,
                       SettingsStore& settings, DialogRunner& runner, const QString& call) {
    const std::optional<StationRecord> record = copyOf(stations, call);
    if (!record) return StationDetails::kNoStation;
    std::unique_ptr<QDialog> dialog;
    switch (record->stationType) {
    case StationType::Mobile:
        dialog = std::make_unique<DlgStationMobile>(*record, settings, parent);
        break;
    case StationType::Weather:
        dialog = std::make_unique<DlgStationWether>(*record, pressureTrend(tracks.readTrack(call)), settings,
                                                    parent);
        break;
    default:
        dialog = std::make_unique<DlgStationStatic>(*record, settings, parent);
        break;
    }
    return runner.run(*dialog);
}

bool runDeleteTracks(QWidget* parent, StationManager& stations, StationTracks& tracks, DialogRunner& runner,
                     const QString& call) {
    int duration = 0;
    if (call.isEmpty()) {
        QMutexLocker lock(&stations.lock());
        for (int i = 0; i < stations.count(); ++i)
            if (const StationRecord* r = stations.at(i)) duration = std::max(duration, durationMinutes(*r));
    } else {
        const std::optional<StationRecord> record = copyOf(stations, call);
        if (!record) return false;
        duration = durationMinutes(*record);
    }

    DlgDeleteTracks dialog(duration, parent);
    if (runner.run(dialog) != QDialog::Accepted) return false;
    const int keep = dialog.keepMinutes();
    if (call.isEmpty()) return tracks.trimTracks(keep) > 0;
    const std::optional<StationRecord> record = copyOf(stations, call);
    return record && tracks.trimTrack(*record, keep);
}
