#pragma once

#include "messaging/OwnObjectRecord.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Data/MyObjects.dat: the version word 0x0001007A (format 122 in the low 16 bits, bit 16 set when
// strings are UTF-16, clear for 8-bit text), then the objects back to back until the end of the
// file, each a station record followed by its time stamp and interval. There is no count.
//
// The file is untrusted. Reads are bounded by the bytes that remain; an object that cannot be read
// whole ends the read; an object with a symbol outside 33..126 or a position that is not a finite
// latitude and longitude within range is dropped; a time stamp that is not a real date and time
// becomes the load time; an interval below 1 becomes 10; at most kMaxObjects are taken.
namespace OwnObjectsFile {

inline constexpr uint32_t kVersionWord = 0x0001007A;
inline constexpr uint32_t kFormatVersion = 122;
inline constexpr uint32_t kFormatMask = 0xFFFF;
inline constexpr uint32_t kUtf16Flag = 0x00010000;
inline constexpr int kMaxObjects = 1000;
// Larger files are not read. A thousand objects take well under a megabyte.
inline constexpr qint64 kMaxFileBytes = 16LL * 1024 * 1024;

struct Contents {
    std::vector<std::unique_ptr<OwnObjectRecord>> objects;
    bool truncated = false; // the file ended inside an object
    int dropped = 0;        // objects refused, and those beyond kMaxObjects
    bool damaged() const { return truncated || dropped > 0; }
};

// Nothing when the data is shorter than the version word or the format is not 122. Every object
// read gets countdown 1 and is live.
std::optional<Contents> read(const QByteArray& data, const SystemTime& loadTime);
// The version word and every live object in order; killed objects are left out.
QByteArray write(const std::vector<std::unique_ptr<OwnObjectRecord>>& objects);

// Whether an object's symbol and position may go on the air.
bool hasValidSymbol(const StationRecord& r);
bool hasValidPosition(double latitude, double longitude);
// A date and time that exist (month 1..12, a day of that month, hour 0..23 ...).
bool isRealTime(const SystemTime& t);

} // namespace OwnObjectsFile
