#pragma once

#include "aprs/StationRecord.h"
#include "platform/SystemTime.h"

#include <cstdint>

// One of the station's own APRS objects: a station record of the object kind with the time stamp
// every report carries, its period, and its place in the minute tick.
class OwnObjectRecord : public StationRecord {
public:
    static constexpr int32_t kDefaultInterval = 10;

    OwnObjectRecord();

    SystemTime time;                     // written into every report (UTC: the report says "z")
    int32_t interval = kDefaultInterval; // minutes between transmissions
    int32_t countdown = 1;               // minutes until the next transmission
    int32_t killed = 0;                  // non-zero while the object is being withdrawn
    int32_t killCountdown = 0;           // ticks left before a withdrawn object is removed

    // The station record, then the time stamp and the interval. Countdown and kill state are not
    // stored.
    void save(DataFileWriter& out) const override;
    bool load(DataFileReader& in) override;
};
