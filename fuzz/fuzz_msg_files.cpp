// Arbitrary bytes as Data/msg.dat and Data/blns.dat: the readers must end cleanly on any damage and
// allocate no more than the data holds; what they read must write and read back to the same bytes.
// The same bytes then go through the manager's Load from a station home, restoring bulletins.
#include "aprs/StationManager.h"
#include "messaging/MessageFiles.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>

namespace {

using World = TemporaryStation;

void roundTripMessages(const QByteArray& data) {
    auto first = MessageFiles::readMessages(data);
    if (!first) return;
    std::deque<std::unique_ptr<MessageRecord>> records;
    for (auto& r : first->records) records.push_back(std::move(r));
    const QByteArray written = MessageFiles::writeMessages(first->lastSeq, records);
    auto second = MessageFiles::readMessages(written);
    if (!second || second->truncated || second->records.size() != records.size()) std::abort();
    std::deque<std::unique_ptr<MessageRecord>> again;
    for (auto& r : second->records) again.push_back(std::move(r));
    if (MessageFiles::writeMessages(second->lastSeq, again) != written) std::abort();
}

void roundTripBulletins(const QByteArray& data) {
    auto first = MessageFiles::readBulletins(data);
    if (!first) return;
    const QByteArray written = MessageFiles::writeBulletins(first->entries);
    auto second = MessageFiles::readBulletins(written);
    if (!second || second->truncated) std::abort();
    if (MessageFiles::writeBulletins(second->entries) != written) std::abort();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* w = new World;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    roundTripMessages(bytes);
    roundTripBulletins(bytes);

    // The same bytes as both files of a station home; a valid empty msg.dat lets blns.dat be read.
    writeFile(w->home.dataFile(QStringLiteral("msg.dat")), bytes);
    writeFile(w->home.dataFile(QStringLiteral("blns.dat")), bytes);
    MsgManager messages(w->home, w->settings, w->clock, w->stations, [](const OutboundPacket&) {});
    messages.Load();
    DataFileWriter empty;
    empty.u32(MessageFiles::kVersionWord);
    empty.i32(0);
    empty.u32(0);
    writeFile(w->home.dataFile(QStringLiteral("msg.dat")), empty.data());
    messages.Load();
    w->clock.advance(10000); // restored bulletins send once
    return 0;
}
