#pragma once

#include <QString>

class StationHome;

// The sample map carried inside the program: an invented area around the default own position,
// an image with its calibration and a small shapefile of roads. Copied into the station's Maps
// folder the first time it is asked for, so it opens like any map of the user's.
namespace SampleMap {
// The sample map project (or, failing that, its picture) in home's Maps folder, copied there when
// missing; empty when it cannot be written.
QString install(const StationHome& home);
} // namespace SampleMap
