#pragma once

#include "aprs/StationManager.h"
#include "platform/Trace.h"

#include <QMutexLocker>
#include <QString>
#include <cstdint>

// What the dispatch hands every decoder. Decoders are free functions
// StationRecord* decodeXxx(DecodeContext&) returning the record they created or updated, or
// nullptr; each catches its own failures (trace "Catch Error") and returns nullptr.
struct DecodeContext {
    StationManager& stations;
    QStringView information; // the information field
    QStringView from;
    QStringView to;
    QStringView header;     // the whole header line of the monitor line
    QStringView lastPacket; // what becomes the record's last packet
    int port = 0;           // radio port; -1 for the APRS-IS server
    uint32_t checksum = 0;  // duplicate-filter CRC of this packet; decoders store it in the record
};

// Runs a decoder's work under the station lock; a failure never escapes into the dispatch.
template <typename Decode> StationRecord* guarded(DecodeContext& ctx, Decode decode) {
    try {
        QMutexLocker locker(&ctx.stations.lock());
        return decode();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
        return nullptr;
    }
}
