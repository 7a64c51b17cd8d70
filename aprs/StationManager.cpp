#include "aprs/StationManager.h"

#include "aprs/DecodeContext.h"
#include "aprs/MessageSink.h"
#include "aprs/MonitorLine.h"
#include "aprs/OtherDecoders.h"
#include "aprs/PositionDecoders.h"
#include "aprs/SafeFileName.h"
#include "aprs/TrackSink.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QVarLengthArray>
#include <algorithm>
#include <exception>

namespace {

constexpr uint32_t kFileHeader = 0x0001007C;
constexpr uint32_t kFileVersionMask = 0xFFFF;
constexpr uint32_t kFileVersion = 0x007C;
constexpr uint32_t kUtf16Flag = 0x10000;

} // namespace

StationManager::StationManager(const StationHome& home, SettingsStore& settings, Clock& clock)
    : m_home(home), m_settings(settings), m_clock(clock) {}

StationManager::~StationManager() = default;

// ---------------------------------------------------------------------------------------------
// The list

StationRecord* StationManager::Create() {
    QMutexLocker locker(&m_lock);
    m_lastFind.valid = false;
    auto record = std::make_unique<StationRecord>();
    record->id = m_nextId++;
    record->firstHeard = record->lastHeard = heardTimeNowHeld();
    StationRecord* r = record.get();
    m_slots.push_back(std::move(record));
    r->m_listPlace.slot = m_slots.size() - 1;
    m_members.insert(recordAddressHash(r), r);
    m_pending.push_back(r);
    ++m_live;
    return r;
}

SystemTime StationManager::heardTimeNow() {
    QMutexLocker locker(&m_lock);
    return heardTimeNowHeld();
}

SystemTime StationManager::heardTimeNowHeld() {
    // Read for every packet: the local time is worked out once a second.
    const qint64 ms = m_clock.nowUtcMSecs();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_heardTime.utcSecond) {
        m_heardTime.utcSecond = second;
        m_heardTime.local =
            SystemTime::fromDateTime(Clock::toLocal(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)));
    }
    SystemTime now = m_heardTime.local;
    now.millisecond = static_cast<uint16_t>(ms - second * 1000);
    return now;
}

bool StationManager::isMember(const StationRecord* record) const {
    return record && m_members.contains(recordAddressHash(record), record);
}

bool StationManager::Contains(const StationRecord* record) {
    QMutexLocker locker(&m_lock);
    return isMember(record);
}

int StationManager::count() const {
    QMutexLocker locker(&m_lock);
    return static_cast<int>(m_live);
}

StationRecord* StationManager::at(int i) {
    QMutexLocker locker(&m_lock);
    if (i < 0 || static_cast<size_t>(i) >= m_live) return nullptr;
    if (m_slots.size() != m_live) compact();
    return m_slots[static_cast<size_t>(i)].get();
}

void StationManager::MoveToEnd(StationRecord* record) {
    QMutexLocker locker(&m_lock);
    // The record the last look-up found is known to be in the list (any removal forgets it); that
    // is the record a decoded line hands back, so the usual case needs no membership probe.
    const bool known = m_lastFind.valid && record && record == m_lastFind.record;
    if (!known && !isMember(record)) return;
    const size_t slot = record->m_listPlace.slot;
    if (slot + 1 == m_slots.size()) return;
    m_lastFind.valid = false;
    m_slots.push_back(std::move(m_slots[slot]));
    record->m_listPlace.slot = m_slots.size() - 1;
    compactIfSparse();
}

StationRecord* StationManager::NextAfter(const StationRecord* record) {
    QMutexLocker locker(&m_lock);
    size_t from = 0;
    if (record) {
        if (!isMember(record)) return nullptr;
        from = record->m_listPlace.slot + 1;
    }
    for (size_t i = from; i < m_slots.size(); ++i)
        if (m_slots[i]) return m_slots[i].get();
    return nullptr;
}

void StationManager::Remove(StationRecord* record) {
    QMutexLocker locker(&m_lock);
    if (!isMember(record)) return;
    eraseAt(record->m_listPlace.slot, true);
    compactIfSparse();
}

int StationManager::addRemovalObserver(RemovalObserver observer) {
    QMutexLocker locker(&m_lock);
    std::erase_if(m_removalObservers, [](const auto& entry) { return !entry.second; });
    const int id = m_nextObserverId++;
    m_removalObservers.emplace_back(id, std::move(observer));
    return id;
}

void StationManager::removeRemovalObserver(int id) {
    QMutexLocker locker(&m_lock);
    for (auto& entry : m_removalObservers)
        if (entry.first == id) entry.second = nullptr;
}

void StationManager::notifyRemoval(const StationRecord& record) {
    // By index: an observer added while others are told is told from the next removal on.
    const size_t n = m_removalObservers.size();
    for (size_t i = 0; i < n; ++i)
        if (const RemovalObserver& observer = m_removalObservers[i].second) observer(record);
}

void StationManager::RemoveAll() {
    QMutexLocker locker(&m_lock);
    if (!m_removalObservers.empty())
        for (const auto& r : m_slots)
            if (r) notifyRemoval(*r);
    m_slots.clear();
    m_members.clear();
    m_byCall.clear();
    m_pending.clear();
    m_live = 0;
    m_lastFind.valid = false;
}

void StationManager::eraseAt(size_t slot, bool deleteTrack) {
    StationRecord* record = m_slots[slot].get();
    m_lastFind.valid = false;
    if (!m_removalObservers.empty()) notifyRemoval(*record);
    // Objects keep no track; the file of their name belongs to a station of that call, if any.
    if (deleteTrack && record->stationType != StationType::Object) deleteTrackFile(record->call);
    unindex(record);
    m_members.erase(recordAddressHash(record), record);
    m_slots[slot].reset();
    --m_live;
    m_lastFind.valid = false; // also after the observer, which may have looked records up
}

void StationManager::deleteTrackFile(const QString& call) {
    if (m_trackSink) {
        m_trackSink->deleteTrack(call);
        return;
    }
    QFile::remove(trackFilePath(m_home, call, "pos"));
}

void StationManager::compact() {
    size_t out = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i]) continue;
        if (out != i) m_slots[out] = std::move(m_slots[i]);
        m_slots[out]->m_listPlace.slot = out;
        ++out;
    }
    m_slots.resize(out);
}

void StationManager::compactIfSparse() {
    // Holes are cheap to skip. Compaction tells every record its new slot, a cache miss per record
    // in a large database, so it waits until holes are three quarters of the slots: the cost per
    // move stays a third of a record visit.
    if (m_slots.size() > 4 * m_live + 64) compact();
}

// ---------------------------------------------------------------------------------------------
// Look-ups by call sign

void StationManager::indexPending() {
    if (m_pending.empty()) return;
    auto keep = m_pending.begin();
    for (StationRecord* r : m_pending) {
        if (r->call.isEmpty()) {
            *keep++ = r; // its decoder has not named it yet
            continue;
        }
        StationRecord::ListPlace& place = r->m_listPlace;
        place.indexed = true;
        place.file(r->call, callSignHash(r->call));
        m_byCall.insert(place.callHash, r);
    }
    m_pending.erase(keep, m_pending.end());
}

void StationManager::unindex(StationRecord* record) {
    StationRecord::ListPlace& place = record->m_listPlace;
    if (!place.indexed) {
        m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), record), m_pending.end());
        return;
    }
    m_byCall.erase(place.callHash, record);
    place.indexed = false;
    place.filedCall.clear();
}

std::optional<bool> StationManager::filedCallIs(const StationRecord& r, QStringView call) {
    const StationRecord::ListPlace& place = r.m_listPlace;
    const bool unchanged = place.indexed && r.call.constData() == place.filedCall.constData() &&
                           r.call.size() == place.filedCall.size();
    if (!unchanged) return std::nullopt;
    if (call.size() != place.filedCall.size()) return false;
    if (place.inlineLength != call.size()) return r.call == call;
    return std::equal(place.inlineCall, place.inlineCall + call.size(),
                      reinterpret_cast<const char16_t*>(call.data()));
}

StationRecord* StationManager::findIndexed(QStringView call, const QStringView* owner) {
    indexPending();
    const uint32_t hash = callSignHash(call);
    // A record renamed since it was filed is filed again under its new call sign.
    QVarLengthArray<StationRecord*, 4> renamed;
    StationRecord* best = nullptr;
    m_byCall.forEach(hash, [&](StationRecord* r) {
        r->prefetch(); // the other lines of the record are on their way while the first is read
        StationRecord::ListPlace& place = r->m_listPlace;
        if (const auto same = filedCallIs(*r, call)) {
            if (!*same) return;
        } else {
            // The call string was replaced since it was filed.
            const uint32_t current = callSignHash(r->call);
            if (current != hash) {
                renamed.push_back(r);
                return;
            }
            place.file(r->call, current); // same hash: only the copy beside it is refreshed
            if (r->call != call) return;
        }
        if (owner && r->owner != *owner) return;
        if (!best || place.slot < best->m_listPlace.slot) best = r;
    });
    if (!renamed.empty()) {
        for (StationRecord* r : renamed) {
            unindex(r);
            m_pending.push_back(r);
        }
        indexPending();
    }
    return best;
}

StationRecord* StationManager::FindByCall(QStringView call) {
    QMutexLocker locker(&m_lock);
    return findByCallHeld(call);
}

StationRecord* StationManager::findByCallHeld(QStringView call) {
    if (m_lastFind.valid) {
        const auto same = filedCallIs(*m_lastFind.record, call);
        if (same ? *same : m_lastFind.record->call == call) return m_lastFind.record;
    }
    StationRecord* found = findIndexed(call, nullptr);
    m_lastFind = {found, found != nullptr};
    return found;
}

StationRecord* StationManager::FindObject(QStringView name, QStringView owner) {
    QMutexLocker locker(&m_lock);
    return findObjectHeld(name, owner);
}

StationRecord* StationManager::findObjectHeld(QStringView name, QStringView owner) {
    return findIndexed(name, &owner);
}

// ---------------------------------------------------------------------------------------------
// Expiry

void StationManager::Expire() {
    const qint64 limit = static_cast<qint64>(read(m_settings, Settings::EXPIRETIME)) * 60;
    QMutexLocker locker(&m_lock);
    // Heard times are local times; their age is the wall-clock difference.
    const qint64 now = heardTimeNow().wallClockSeconds();
    for (size_t i = 0; i < m_slots.size(); ++i) {
        StationRecord* r = m_slots[i].get();
        if (!r) continue;
        // An unreadable time counts as 1970 and so expires too.
        const qint64 age = now - r->lastHeard.wallClockSeconds();
        if (age > limit || age < 0) eraseAt(i, true);
    }
    compactIfSparse();
}

// ---------------------------------------------------------------------------------------------
// Stations.dat

QByteArray StationManager::saveData() {
    QMutexLocker locker(&m_lock);
    DataFileWriter out;
    out.u32(kFileHeader);
    for (const auto& r : m_slots)
        if (r) r->save(out);
    return out.data();
}

bool StationManager::Save() {
    QMutexLocker locker(&m_lock);
    if (m_live == 0) return true; // an existing file stays as it was
    const QByteArray contents = saveData();
    QDir().mkpath(m_home.dataDir());
    if (!DataFiles::saveAtomically(m_home.dataFile(QStringLiteral("Stations.dat")), contents)) {
        Trace::write(QStringLiteral("error create file!"));
        return false;
    }
    return true;
}

bool StationManager::loadData(QByteArray contents) {
    QMutexLocker locker(&m_lock);
    DataFileReader in(std::move(contents));
    const auto header = in.u32();
    if (!header || (*header & kFileVersionMask) != kFileVersion) return false;
    in.setUtf16Strings((*header & kUtf16Flag) != 0);
    // Every record takes bytes, so the file's size bounds the loop.
    for (;;) {
        StationRecord* r = Create();
        if (!r->load(in)) {
            // The failed record never became a station: no track file of its own to delete.
            eraseAt(r->m_listPlace.slot, false);
            break;
        }
    }
    compactIfSparse();
    indexPending(); // every loaded record has its call sign already
    return true;
}

void StationManager::Load() {
    auto data = DataFiles::readAll(m_home.dataFile(QStringLiteral("Stations.dat")));
    if (!data) return;
    QMutexLocker locker(&m_lock);
    if (loadData(std::move(*data))) Expire();
}

// ---------------------------------------------------------------------------------------------
// Monitor lines

StationRecord* StationManager::ProcessMonitorText(const QString& text, int port) {
    const auto line = splitMonitorLine(text);
    if (!line) return nullptr;
    return decodePacket(line->information, line->from, line->to, line->header, line->information, port, 0);
}

StationRecord* StationManager::DecodePacket(QStringView information, QStringView from, QStringView to,
                                            QStringView header, QStringView lastPacket, int port,
                                            const uint32_t* checksum) {
    return decodePacket(information, from, to, header, lastPacket, port, 0, checksum);
}

StationRecord* StationManager::decodePacket(QStringView information, QStringView from, QStringView to,
                                            QStringView header, QStringView lastPacket, int port, int depth,
                                            const uint32_t* knownChecksum) {
    // Relayed fields are checked here as well as outer ones: the dispatch reads two characters.
    if (depth > kMaxRelayDepth || information.size() < kMinInformationLength || from.isEmpty())
        return nullptr;

    // In a large database the sender's table line is out of the cache: it is asked for while the
    // checksum is worked out.
    QMutexLocker locker(&m_lock);
    m_byCall.prefetch(callSignHash(from));
    const uint32_t checksum = knownChecksum ? *knownChecksum : monitorChecksum(from, to, header, information);
    StationRecord* known = findByCallHeld(from);
    if (known && known->lastChecksum == checksum) {
        known->lastHeard = heardTimeNowHeld();
        return nullptr;
    }
    if (known) {
        known->prefetchTexts();
        // Its list slot, which moving it to the end clears.
        __builtin_prefetch(&m_slots[known->m_listPlace.slot], 1);
    }

    const QChar c0 = information[0];
    const QChar c1 = information[1];
    if (c0 == QLatin1Char(':')) {
        locker.unlock(); // the message manager takes its own locks
        if (m_messageSink)
            m_messageSink->ProcessMessage(information.toString(), from.toString(), header.toString(), port);
        return nullptr;
    }
    if (c0 == QLatin1Char('}')) {
        const auto relayed = splitRelayedPacket(information);
        if (!relayed) return nullptr;
        return decodePacket(relayed->information, relayed->from, relayed->to,
                            relayedHeaderLine(relayed->from, relayed->to, from), lastPacket, port, depth + 1);
    }
    if (c0 == QLatin1Char('D') && c1 == QLatin1Char('X')) return nullptr; // DX spot

    DecodeContext ctx{*this, information, from, to, header, lastPacket, port, checksum};
    StationRecord* record = nullptr;
    try {
        switch (c0.unicode()) {
        case '!':
        case '=':
            if (c0 == QLatin1Char('!') && c1 == QLatin1Char('!')) {
                record = decodeUltimeter(ctx);
                break;
            }
            record = c1.isDigit() && c1.unicode() < 128 ? decodeUncompressedPosition(ctx)
                                                        : decodeCompressedPosition(ctx);
            break;
        case '/':
        case '@':
            record = decodeTimestampedPosition(ctx);
            break;
        case '\'':
        case '`':
            record = decodeMicE(ctx);
            break;
        case 'Z':
            record = decodeGprsTracker(ctx);
            break;
        case '$':
            record = decodeUltimeter(ctx);
            if (!record) record = decodeNmea(ctx);
            break;
        case ';':
        case ')':
            record = decodeObject(ctx);
            break;
        case '_':
            record = decodePositionlessWeather(ctx);
            break;
        case '>':
            decodeStatus(ctx); // updates the station's status; the line yields no record
            return nullptr;
        default:
            record = decodeEmbeddedPosition(ctx);
            break;
        }
    } catch (const std::exception&) {
        Trace::write(QStringLiteral("Catch Error"));
        return nullptr;
    }
    if (!record) return nullptr;
    assignText(record->lastPacket, lastPacket);
    if (record->course > 359) record->course = 0;
    record->lastChecksum = checksum;
    return record;
}
