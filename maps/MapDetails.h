#pragma once

#include <QPoint>
#include <QString>

// The calibration of one map image or layer: the latitude/longitude rectangle its pixel rectangle
// stands for. A plain linear mapping; no projection is applied.
struct MapDetails {
    enum SourceKind : int { WorldFile = 0, InfFile = 1, ProjectCorners = 2 };

    double top = 0; // decimal degrees, north and east positive
    double left = 0;
    double bottom = 0;
    double right = 0;
    double latitudeSpan = 0;  // top - bottom
    double longitudeSpan = 0; // right - left
    QString imagePath;
    QString caption;
    int sourceKind = WorldFile;
    double pixelWidthDegrees = 0; // world file only: its first and fourth values
    double pixelHeightDegrees = 0;

    void reset() { *this = MapDetails{}; }

    // Corners given by two points in any order: the minimum and maximum per axis make the
    // rectangle. Source kind ProjectCorners.
    static MapDetails fromCorners(const QString& imagePath, const QString& caption, double lat1, double lon1,
                                  double lat2, double lon2);

    // Both spans finite and greater than zero, every edge finite: the conversions below are only
    // meaningful for a valid calibration.
    bool isValid() const;

    // Pixel (x, y) of an image drawn at width x height to a position. Doubles throughout, so
    // that sub-pixel positions survive.
    void pixelToPosition(double x, double y, double width, double height, double& latitude,
                         double& longitude) const;
    // Position to the nearest whole pixel (rounded by floor(v + 0.5)); an invalid calibration
    // or a position too far off to be a pixel gives (0, 0).
    QPoint positionToPixel(double latitude, double longitude, double width, double height) const;
    // The same without rounding.
    void positionToPixelF(double latitude, double longitude, double width, double height, double& x,
                          double& y) const;
    // Edges included.
    bool contains(double latitude, double longitude) const;

    // Recomputes both spans from the edges.
    void updateSpans() {
        latitudeSpan = top - bottom;
        longitudeSpan = right - left;
    }
};
