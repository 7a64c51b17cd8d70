#pragma once

#include "messaging/MessageRecord.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

// Data/msg.dat (the message list and the last message number) and Data/blns.dat (the bulletins
// under transmission). Both begin with the version word 0x00010009: format 9 in the low 16 bits,
// bit 16 set when strings are UTF-16 (clear: 8-bit text of the old files).
//
// The files are untrusted: every count and string length is bounded by the bytes that remain, a
// record that cannot be read whole ends the read (the records before it are kept), and nothing is
// allocated ahead from a count.
namespace MessageFiles {

inline constexpr uint32_t kVersionWord = 0x00010009;
inline constexpr uint32_t kFormatVersion = 9;
inline constexpr uint32_t kUtf16Flag = 0x00010000;
// Longest text a record may hold (in characters, whatever the string form); a longer one marks a
// damaged file. Packets are a few hundred characters.
inline constexpr qsizetype kMaxStringChars = 32 * 1024;
// Files larger than this are not read.
inline constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

struct Messages {
    int32_t lastSeq = 0;
    std::vector<std::unique_ptr<MessageRecord>> records;
    bool truncated = false; // the file ended inside a record or held a damaged one
};

QByteArray writeMessages(int32_t lastSeq, const std::deque<std::unique_ptr<MessageRecord>>& records);
// Nothing when the data is shorter than its header or its format is not 9.
std::optional<Messages> readMessages(const QByteArray& data);

struct Bulletins {
    std::vector<std::unique_ptr<OutgoingMessage>> entries;
    bool truncated = false;
};

// Writes the entries with isBulletin = 1 only.
QByteArray writeBulletins(const std::vector<std::unique_ptr<OutgoingMessage>>& queue);
std::optional<Bulletins> readBulletins(const QByteArray& data);

} // namespace MessageFiles
