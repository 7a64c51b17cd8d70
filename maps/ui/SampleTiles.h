#pragma once

#include <QString>

class StationHome;

// A small MBTiles file of made-up tiles (each showing its z/x/y) around the default own position,
// zoom 1 to 14: something a new user can open offline at once, and what the screenshots show.
namespace SampleTiles {
// "Maps/Sample Tiles.mbtiles" in home, made when missing; empty when it cannot be written.
QString install(const StationHome& home);
// Makes such a file at path: tiles within `radius` tiles of (latitude, longitude) at each zoom.
bool write(const QString& path, double latitude, double longitude, int minZoom, int maxZoom, int radius);
} // namespace SampleTiles
