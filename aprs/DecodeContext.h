#pragma once

#include <QString>
#include <cstdint>

class StationManager;

// What the dispatch hands every decoder. Decoders are free functions
// StationRecord* decodeXxx(DecodeContext&) returning the record they created or updated, or
// nullptr; each catches its own failures (trace "Catch Error") and returns nullptr.
struct DecodeContext {
    StationManager& stations;
    QString information; // the information field
    QString from;
    QString to;
    QString header;        // the whole header line of the monitor line
    QString lastPacket;    // what becomes the record's last packet
    int port = 0;          // radio port; -1 for the APRS-IS server
    uint32_t checksum = 0; // duplicate-filter CRC of this packet; decoders store it in the record
};
