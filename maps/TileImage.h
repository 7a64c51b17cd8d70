#pragma once

#include "maps/TileMath.h"

#include <QByteArray>
#include <QImage>

// Tile images: the bounded decoding of what a server or a file sends, and the made-up tiles of the
// loopback tile server, the sample MBTiles file and the benchmarks.
namespace TileImage {

constexpr qint64 kMaxBytes = 1024 * 1024;
// Tiles are 256 pixels (512 for "retina" sources); anything larger is refused before decoding.
constexpr int kMaxSide = 1024;

// The decoded tile (premultiplied ARGB, ready to draw), or a null image for anything that is no
// PNG or JPEG tile of sane size.
QImage decode(const QByteArray& bytes);
// True when the bytes start like a PNG or a JPEG file.
bool looksLikeImage(const QByteArray& bytes);

// A 256-pixel tile showing "z/x/y" on a pale, map-like ground with a grid, so that a picture
// shows at once which tile went where.
QImage sample(const TileKey& key);
QByteArray samplePng(const TileKey& key);

} // namespace TileImage
