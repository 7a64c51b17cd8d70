#pragma once

#include "gps/GpsPosition.h"

#include <QByteArray>
#include <QByteArrayView>

// gpsd's JSON protocol, client side: the watch request and the reading of one report line into the
// position record. Pure functions: no I/O, so they can be fed anything (fuzzing, tests).
namespace GpsdJson {

enum class Report { Invalid, Other, Version, Devices, Device, Watch, Tpv, Sky, Error };

// Asks gpsd to stream its reports as JSON.
QByteArray watchCommand(); // ?WATCH={"enable":true,"json":true}\n

// The longest report line accepted; longer lines are dropped (gpsd's own lines are far shorter).
inline constexpr qsizetype kMaxLineLength = 16384;

// Applies one report line (without its line end). A TPV report replaces the position fields, their
// valid bits and the fix quality; a SKY report with a satellite list replaces the satellites.
// Anything else, and any line that is not a JSON object, leaves the record as it was.
Report apply(QByteArrayView line, GpsPosition& position);

} // namespace GpsdJson
