#pragma once

#include "controls/CommandIds.h"

#include <QByteArray>
#include <QString>
#include <functional>

// What the main window needs of a map view tab: the map or map project it shows, its visible area
// as stored with "Save Current Map Selections" (16 bytes: left, top, right, bottom as 32-bit
// little-endian integers), and its tab caption. Map views are made by a factory the window is given.
class MapViewTab : public CommandTarget {
public:
    // The map or map project file shown; empty for a view without a map.
    virtual QString mapFile() const = 0;
    // Loads a map or map project into the view; false when it cannot be loaded.
    virtual bool loadMap(const QString& file) = 0;
    virtual QByteArray visibleArea() const = 0;
    // Applies a stored visible area; a value of the wrong size is ignored.
    virtual void setVisibleArea(const QByteArray& area) = 0;
    // The tab caption: "Untitled" until a map is loaded.
    virtual QString caption() const = 0;
    // A frame decoded a station while this view is the active one (the view repaints its place).
    virtual void stationHeard(const QString& call, bool fromInternet) {
        (void)call;
        (void)fromInternet;
    }
    // The area in square degrees of the map rectangle when it contains the position, else -1:
    // "Find Best Map" picks the smallest map that shows a station.
    virtual double areaContaining(double latitude, double longitude) const {
        (void)latitude;
        (void)longitude;
        return -1;
    }
    // Scrolls so that the position is in the middle of the view.
    virtual void centreOn(double latitude, double longitude) {
        (void)latitude;
        (void)longitude;
    }
    // Set by the window: the caption has changed.
    std::function<void()> captionChanged;
};
