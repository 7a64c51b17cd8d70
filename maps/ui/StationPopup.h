#pragma once

#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

// The popup a map view shows for a station: its call as the title (taken from the air, so shown
// without accelerators), then Details, Send Message, Find Best Map, Track, Coverage and Delete
// Tracks. checked tells whether a checkable command is on; run carries a command out for the call.
void showStationPopup(QWidget* parent, const QString& call, QPoint globalPos,
                      const std::function<bool(int)>& checked,
                      const std::function<void(int, const QString&)>& run);
