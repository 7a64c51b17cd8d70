#pragma once

#include "aprs/RecordHashTable.h"
#include "aprs/StationRecord.h"

#include <QByteArray>
#include <QRecursiveMutex>
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class MessageSink;
class SettingsStore;
class StationHome;
class TrackSink;

// Every station the program has heard, in one list ordered from least to most recently heard,
// guarded by one re-entrant lock; monitor-line parsing and the dispatch to the decoders; and
// Data/Stations.dat.
class StationManager {
public:
    StationManager(const StationHome& home, SettingsStore& settings, Clock& clock);
    ~StationManager();
    StationManager(const StationManager&) = delete;
    StationManager& operator=(const StationManager&) = delete;

    // Splits one monitor line and decodes it; the record created or updated, or nullptr.
    StationRecord* ProcessMonitorText(const QString& text, int port);
    // Duplicate filter and dispatch by the first character of the information field. checksum, when
    // given, is monitorChecksum(from, to, header, information), worked out by the caller already.
    StationRecord* DecodePacket(QStringView information, QStringView from, QStringView to, QStringView header,
                                QStringView lastPacket, int port, const uint32_t* checksum = nullptr);

    // First record (in list order) whose call sign is call, exactly.
    StationRecord* FindByCall(QStringView call);
    // First record with this call sign (object name) and owner.
    StationRecord* FindObject(QStringView name, QStringView owner);
    // Whether the pointer is a record of the list; never dereferences it.
    bool Contains(const StationRecord* record);
    // A new record with the next id, appended; first and last heard are now (local time).
    StationRecord* Create();
    // Takes the record out of its place and appends it; nothing when it is not in the list.
    void MoveToEnd(StationRecord* record);
    // The record after this one in list order; nullptr gives the first record. Unknown or last:
    // nullptr.
    StationRecord* NextAfter(const StationRecord* record);
    // Takes the record out of the list, deletes its track file and destroys it; a record that is
    // not in the list is left alone.
    void Remove(StationRecord* record);
    // Destroys every record (track files stay).
    void RemoveAll();
    // Removes every station not heard for more than EXPIRETIME minutes, or heard in the future.
    void Expire();
    // Writes Data/Stations.dat; an empty list writes nothing. False on a failed write.
    bool Save();
    // Appends the records of Data/Stations.dat, then runs the expiry pass.
    void Load();
    // The contents of Stations.dat for the current list.
    QByteArray saveData();
    // Appends the records of a Stations.dat image (no expiry pass); false when its header is wrong.
    bool loadData(QByteArray contents);

    int count() const;
    // List order, least to most recently heard; nullptr outside 0..count()-1.
    StationRecord* at(int i);

    // Local time now as records store it. Every decoded line stamps a record, so the broken-down
    // time is worked out once per second and only the milliseconds are filled in.
    SystemTime heardTimeNow();

    // FindByCall, FindObject and heardTimeNow for the decoders, which run with lock() held: a
    // packet takes several of these, and each recursive lock costs more than the look-up it guards.
    StationRecord* findByCallHeld(QStringView call);
    StationRecord* findObjectHeld(QStringView name, QStringView owner);
    SystemTime heardTimeNowHeld();

    QRecursiveMutex& lock() { return m_lock; }
    const StationHome& home() const { return m_home; }
    SettingsStore& settings() { return m_settings; }
    Clock& clock() { return m_clock; }

    void setMessageSink(MessageSink* sink) { m_messageSink = sink; }
    MessageSink* messageSink() const { return m_messageSink; }
    // Track hook: the decoders call trackSink()->appendTrackPoint after a position update.
    void setTrackSink(TrackSink* sink) { m_trackSink = sink; }
    TrackSink* trackSink() const { return m_trackSink; }
    // Observers told of every record just before it is destroyed (Remove, expiry, RemoveAll), so
    // views can drop their pointers and repaint its place. Any number may listen; the id removes one.
    using RemovalObserver = std::function<void(const StationRecord&)>;
    int addRemovalObserver(RemovalObserver observer);
    void removeRemovalObserver(int id);

    // Relayed packets nested deeper than this are dropped.
    static constexpr int kMaxRelayDepth = 16;

private:
    StationRecord* decodePacket(QStringView information, QStringView from, QStringView to, QStringView header,
                                QStringView lastPacket, int port, int depth,
                                const uint32_t* checksum = nullptr);

    void indexPending();
    StationRecord* findIndexed(QStringView call, const QStringView* owner);
    void unindex(StationRecord* record);
    bool isMember(const StationRecord* record) const;
    // Whether the record's call is `call`, told from the copy filed beside the index while the
    // record still holds the filed string; nothing when it does not.
    static std::optional<bool> filedCallIs(const StationRecord& record, QStringView call);
    void eraseAt(size_t slot, bool deleteTrack);
    void deleteTrackFile(const QString& call);
    void compact();
    void compactIfSparse();

    const StationHome& m_home;
    SettingsStore& m_settings;
    Clock& m_clock;
    mutable QRecursiveMutex m_lock;
    MessageSink* m_messageSink = nullptr;
    TrackSink* m_trackSink = nullptr;
    void notifyRemoval(const StationRecord& record);
    // Removed observers leave an empty slot until the next add, so one may go while being told.
    std::vector<std::pair<int, RemovalObserver>> m_removalObservers;
    int m_nextObserverId = 1;

    // The list: slots in order, with holes (nullptr) left by moves and removals until the next
    // compaction, so move-to-end and removal cost no shifting. Each record knows its own slot.
    std::vector<std::unique_ptr<StationRecord>> m_slots;
    size_t m_live = 0;
    // The records of the list by address, so that a pointer from a caller is checked without
    // dereferencing it.
    RecordHashTable m_members;
    // Call sign -> records. Decoders fill in the call after Create(), so new records wait in
    // m_pending until the next look-up files them.
    RecordHashTable m_byCall;
    std::vector<StationRecord*> m_pending;
    // The record the last FindByCall found: a line looks its sender up twice (duplicate filter,
    // then the decoder). Dropped whenever the list changes.
    struct LastFind {
        StationRecord* record = nullptr;
        bool valid = false;
    } m_lastFind;
    int32_t m_nextId = 1;
    struct HeardTimeCache {
        qint64 utcSecond = std::numeric_limits<qint64>::min();
        SystemTime local;
    } m_heardTime;
};
