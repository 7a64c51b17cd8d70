#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;
class QPalette;

// What the weather instruments share: their data colours, the text of a value that was not
// reported, and the vertical column (thermometer, rain and humidity gauges) with its scale.
// Frames, scales and texts take the palette's colours, so the instruments follow a dark theme; only
// the data itself (pointer, mercury, water) has colours of its own, picked to read on both.
namespace Gauge {

inline constexpr QRgb kPointer = 0xFFD63031;  // needles and mercury
inline constexpr QRgb kWater = 0xFF3478DC;    // rain
inline constexpr QRgb kHumidity = 0xFF26A69A; // humidity

// Shown in place of a value that was not reported.
QString noValue();

// The fraction (0..1, clamped) of the way from low to high.
double fraction(double value, double low, double high);

// A vertical column over a scale, with a title and unit above it and the value as text below.
struct Column {
    QString title;
    QString unit;
    std::optional<double> value; // nothing: not reported, an empty column
    QString valueText;           // drawn below the column; noValue() when empty and no value
    double low = 0;
    double high = 100;
    std::vector<double> labels; // scale values that get a number
    double minorStep = 0;       // a small tick every step; 0 for none
    QColor fill = QColor::fromRgb(kPointer);
    bool bulb = false; // a thermometer's bulb under the tube, always filled when there is a value
};

struct ColumnGeometry {
    QRectF title;  // two lines: title and unit
    QRectF tube;   // the scale runs from tube.bottom() (low) to tube.top() (high)
    QRectF bulb;   // empty without a bulb
    QRectF value;  // one line
    double labelX; // where the scale numbers start
};
ColumnGeometry columnGeometry(const QRectF& rect, const QFont& font, const Column& column);
// The height of the column's top for a value, clamped into the tube.
double columnTop(const ColumnGeometry& geometry, const Column& column, double value);
void paintColumn(QPainter& painter, const QRectF& rect, const Column& column, const QPalette& palette);

// Number text for a scale label: whole numbers without decimals.
QString scaleLabel(double value);

} // namespace Gauge
