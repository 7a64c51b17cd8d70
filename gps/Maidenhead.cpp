#include "gps/Maidenhead.h"

#include <algorithm>
#include <cmath>

QString Maidenhead::locator(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return {};
    // Measured from the grid's south-west corner, in sub-square units (5' of longitude, 2.5' of
    // latitude): 18 fields x 10 squares x 24 sub-squares each way.
    const double lonUnits = std::clamp((longitude + 180.0) * 12.0, 0.0, 18.0 * 10 * 24 - 1);
    const double latUnits = std::clamp((latitude + 90.0) * 24.0, 0.0, 18.0 * 10 * 24 - 1);
    const int lon = static_cast<int>(lonUnits);
    const int lat = static_cast<int>(latUnits);
    QString text(6, QLatin1Char(' '));
    text[0] = QLatin1Char(static_cast<char>('A' + lon / 240));
    text[1] = QLatin1Char(static_cast<char>('A' + lat / 240));
    text[2] = QLatin1Char(static_cast<char>('0' + lon % 240 / 24));
    text[3] = QLatin1Char(static_cast<char>('0' + lat % 240 / 24));
    text[4] = QLatin1Char(static_cast<char>('A' + lon % 24));
    text[5] = QLatin1Char(static_cast<char>('A' + lat % 24));
    return text;
}
