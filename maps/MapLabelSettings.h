#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class SettingsStore;
class StationRecord;

// The settings the station layer draws with, read once per paint so that one paint never mixes
// two settings states (and the store is not asked once per station).
struct MapLabelSettings {
    enum LabelType : int { AboveTopEdge = 0, BelowTopEdge = 1, NoLabel = 2 };
    enum Border : int { NoBox = 0, Rectangle = 1, RoundedRectangle = 2, PushButton = 3 };

    int labelType = AboveTopEdge;        // LABELTYPE
    int textBorder = RoundedRectangle;   // TEXTBORDER
    QColor backColor{0xC0, 0xC0, 0xC0};  // LABELBACKCOLOR
    QColor textColor{0, 0, 0};           // LABELTEXTCOLOR
    QFont font;                          // TEXTFONT, else the application font
    bool weatherPlainLabel = false;      // LABELS_WX_NORMAL != 0
    bool weatherTemperature = true;      // LABELS_WX_TEMP
    bool weatherWind = false;            // LABELS_WX_WIND
    bool weatherHumidity = true;         // LABELS_WX_HUMDITY
    bool weatherPressure = true;         // LABELS_WX_PRES
    int temperatureFormat = 0;           // TEMPERATURE_FORMAT, weather labels' default 0 (Celsius)
    int speedFormat = 3;                 // SPEED_FORMAT, weather labels' default 3 (mph)
    int distanceFormat = 7;              // DISTANCE_FORMAT: the scale bar and the bubble
    bool drawCoverage = true;            // PHGRANGEDRAW
    QColor trackColor{0x00, 0xE4, 0x00}; // TRACKCOLOR

    static MapLabelSettings read(const SettingsStore& settings);

    bool labelsShown() const { return labelType != NoLabel; }
    // Distances in miles rather than kilometres (inches, feet or miles selected).
    bool imperialDistances() const;
    // Everything that changes how a label image looks (not where it stands): font, colours, box.
    QString styleKey() const;
};

// The label of a station: its call sign, or for a weather station (unless LABELS_WX_NORMAL) the
// call in brackets followed by the selected readings it has reported.
QString stationLabelText(const StationRecord& record, const MapLabelSettings& settings);
