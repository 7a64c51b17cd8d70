#pragma once

#include "maps/MapDetails.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

// The calibration side files next to a map image: an ".inf" file (two corner points in degrees
// and minutes, and a caption) or a world file (pixel size and origin). Both are 8-bit text.
namespace MapSideFiles {

// Only the start of a side file is read; its lines of interest are the first few.
constexpr qint64 kMaxSideFileBytes = 64 * 1024;
constexpr int kMaxInfLine = 1000;
constexpr int kMaxWorldFileLine = 100;
// Narrower rectangles (under a millimetre) are no map: their pixels would not survive rounding.
constexpr double kMinSpanDegrees = 1e-8;

// Reads an ".inf" file's bytes. Both corner lines must be well formed (degrees, a point, minutes
// below 60, blanks and a hemisphere letter; one latitude and one longitude per line) and span a
// rectangle of non-zero size; anything else is refused. Fills `details` (source kind InfFile)
// only on success.
bool parseInfFile(const QByteArray& bytes, const QString& imagePath, MapDetails& details);

// Reads a world file's bytes for an image of imageSize pixels: six decimal numbers, a positive
// pixel width and a negative pixel height, a rectangle in degrees. Rotation terms are ignored. Fills
// `details` (source kind WorldFile) only on success.
bool parseWorldFile(const QByteArray& bytes, const QString& imagePath, QSize imageSize, MapDetails& details);

// The image path up to its extension's '.' (the whole path when its file name has none).
QString basePath(const QString& imagePath);

// The world file names tried for an image, in order: ".tfw", then the one its own extension
// uses (".jgw", ".pgw", ".gfw"), then ".wld".
QStringList worldFileCandidates(const QString& imagePath);

} // namespace MapSideFiles

// Resets `details`, then reads the calibration of the image from "<base>.inf", falling back to
// its world file when that is missing or unusable. True when a calibration was read.
bool LoadMapDetails(const QString& imagePath, MapDetails& details, QSize imageSize);
