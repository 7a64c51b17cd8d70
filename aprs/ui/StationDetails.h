#pragma once

#include <QString>

class DialogRunner;
class QWidget;
class SettingsStore;
class StationManager;
class StationTracks;

namespace StationDetails {
// openStationDetails' result when no station has the call.
inline constexpr int kNoStation = -1;
} // namespace StationDetails

// The station list's "Details...": the dialog that fits the station's type (Mobile: mobile,
// Weather: weather, any other: static) on a copy of the record, run through the runner. The
// dialog's result, or StationDetails::kNoStation when no station has the call.
int openStationDetails(QWidget* parent, StationManager& stations, StationTracks& tracks,
                       SettingsStore& settings, DialogRunner& runner, const QString& call);

// "Delete Tracks...": asks how much to keep and trims the station's track (an empty call: every
// station's). The station is looked up again after the dialog, so one that went meanwhile is left
// alone. True when tracks were trimmed.
bool runDeleteTracks(QWidget* parent, StationManager& stations, StationTracks& tracks, DialogRunner& runner,
                     const QString& call);
