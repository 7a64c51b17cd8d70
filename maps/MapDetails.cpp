#include "maps/MapDetails.h"

#include <algorithm>
#include <cmath>
#include <limits>

MapDetails MapDetails::fromCorners(const QString& imagePath, const QString& caption, double lat1, double lon1,
                                   double lat2, double lon2) {
    MapDetails d;
    d.top = std::max(lat1, lat2);
    d.bottom = std::min(lat1, lat2);
    d.left = std::min(lon1, lon2);
    d.right = std::max(lon1, lon2);
    d.updateSpans();
    d.imagePath = imagePath;
    d.caption = caption;
    d.sourceKind = ProjectCorners;
    return d;
}

bool MapDetails::isValid() const {
    return std::isfinite(top) && std::isfinite(left) && std::isfinite(bottom) && std::isfinite(right) &&
           std::isfinite(latitudeSpan) && std::isfinite(longitudeSpan) && latitudeSpan > 0 &&
           longitudeSpan > 0;
}

void MapDetails::pixelToPosition(double x, double y, double width, double height, double& latitude,
                                 double& longitude) const {
    if (width <= 0 || height <= 0) {
        latitude = top;
        longitude = left;
        return;
    }
    latitude = top - y * latitudeSpan / height;
    longitude = left + x * longitudeSpan / width;
}

void MapDetails::positionToPixelF(double latitude, double longitude, double width, double height, double& x,
                                  double& y) const {
    if (!isValid()) {
        x = y = 0;
        return;
    }
    x = (longitude - left) * width / longitudeSpan;
    y = (top - latitude) * height / latitudeSpan;
}

QPoint MapDetails::positionToPixel(double latitude, double longitude, double width, double height) const {
    double x = 0;
    double y = 0;
    positionToPixelF(latitude, longitude, width, height, x, y);
    constexpr double kLimit = std::numeric_limits<int>::max() / 2.0;
    x = std::floor(x + 0.5);
    y = std::floor(y + 0.5);
    if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > kLimit || std::abs(y) > kLimit) return {0, 0};
    return {static_cast<int>(x), static_cast<int>(y)};
}

bool MapDetails::contains(double latitude, double longitude) const {
    return latitude <= top && latitude >= bottom && longitude >= left && longitude <= right;
}
