#pragma once

#include "gps/GPSReader.h"

#include <QObject>
#include <vector>

// A GPS reader with the updates it announces collected in order.
struct GpsReaderUpdates {
    GPSReader reader;
    std::vector<GpsUpdate> updates;
    GpsReaderUpdates(SettingsStore& s, Clock& c) : reader(s, c) {
        QObject::connect(&reader, &GPSReader::positionUpdated,
                         [this](const GpsUpdate& u) { updates.push_back(u); });
    }
};
