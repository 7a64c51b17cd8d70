#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

class GeoProjection;
class QPainter;

// What the map draws over the stations: the station's own position and the scale bar. Both stay
// readable on light and dark maps: dark strokes on a light halo.
namespace MapOverlays {

// The marker at the station's own position: a ring with a cross, larger than a symbol so that it
// shows under one. Its rectangle (canvas pixels) for repainting.
constexpr double kOwnMarkerRadius = 11;
void paintOwnPosition(QPainter& painter, const GeoProjection& projection, double latitude, double longitude);
QRectF ownPositionRect(const GeoProjection& projection, double latitude, double longitude);

// A round length (1, 2 or 5 times a power of ten) of a unit that fits in maxPixels.
struct ScaleBar {
    double pixels = 0; // the bar's length on screen
    QString text;      // "500 m", "2 km", "200 ft", "5 mi"
    bool isValid() const { return pixels > 0; }
};
// kmPerPixel at the window's centre; imperial: feet and miles instead of metres and kilometres.
ScaleBar chooseScaleBar(double kmPerPixel, bool imperial, double maxPixels);
// Kilometres per pixel horizontally at the centre of window (canvas pixels), on the ellipsoid; 0
// when the projection gives no usable distance there.
double kmPerPixel(const GeoProjection& projection, const QRectF& window);
// The scale bar in the bottom-left corner of window, the part of the canvas the window shows (the
// painter draws in canvas pixels). Returns the rectangle it covers.
QRectF paintScaleBar(QPainter& painter, const GeoProjection& projection, const QRectF& window, bool imperial);
// Where the scale bar goes for a window, for repainting it when the window scrolls.
QRectF scaleBarRect(const QRectF& window);

} // namespace MapOverlays
