#include "messaging/OwnObjectRecord.h"

#include "platform/DataFile.h"

OwnObjectRecord::OwnObjectRecord() {
    stationType = StationType::Object;
    id = -1; // own objects are never members of the station list
}

void OwnObjectRecord::save(DataFileWriter& out) const {
    StationRecord::save(out);
    out.time(time);
    out.i32(interval);
}

bool OwnObjectRecord::load(DataFileReader& in) {
    if (!StationRecord::load(in)) return false;
    const auto t = in.time();
    const auto i = in.i32();
    if (!t || !i) return false;
    time = *t;
    interval = *i;
    countdown = 1;
    killed = 0;
    killCountdown = 0;
    return true;
}
