#pragma once

#include <QString>

namespace Maidenhead {
// The 6-character Maidenhead locator ("JN58TD"): field letters (20° of longitude, 10° of
// latitude), square digits (2°, 1°) and upper-case sub-square letters (5', 2.5'), each by
// truncation. Coordinates beyond the grid (longitude 180, latitude 90) fall in its last cells;
// a coordinate that is not a number gives an empty text.
QString locator(double latitude, double longitude);
} // namespace Maidenhead
