#pragma once

#include <QString>

// Placeholder until the station database lands: only what the central object reads.
struct StationRecord {
    QString owner;
    QString call;
};
