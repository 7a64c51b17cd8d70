#pragma once

#include "aprs/MessageSink.h"
#include "engine/OutboundPacket.h"
#include "messaging/MessageRecord.h"

#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class Clock;
class Prompter;
class SettingsStore;
class StationHome;
class StationManager;

// The APRS messages and bulletins the station heard or sent: stores them, acknowledges those
// addressed to the station, sends the station's own with timed retransmission until they are
// acknowledged, stopped or (messages) run out, and keeps both lists in Data/msg.dat and
// Data/blns.dat.
//
// It lives with the central object, so the station messages with or without a window; the message
// view attaches to it through the signals. Every packet leaves through the send function (the
// central object's SendPacketUN: port -1 is the APRS-IS server). Everything runs on the thread
// that owns the clock; the two re-entrant locks guard the list and the send queue.
class MsgManager : public QObject, public MessageSink {
    Q_OBJECT
public:
    using SendFunction = std::function<void(const OutboundPacket&)>;

    // Retransmission: a message every 10 s, 10 sends in all; a bulletin at growing intervals,
    // then every 20 minutes until it is stopped.
    static constexpr int kRetryMs = 10000;
    static constexpr int kBulletinIdleMs = 1200000;
    static constexpr int kRetries = 9;          // after the first send
    static constexpr int kRestoredRetries = 10; // bulletins restored from blns.dat
    static constexpr int kMaxSeq = 99999;
    // Message numbers longer than this are cut in the acknowledgement.
    static constexpr int kMaxAckNumber = 5;

    MsgManager(const StationHome& home, SettingsStore& settings, Clock& clock, StationManager& stations,
               SendFunction send, QObject* parent = nullptr);
    ~MsgManager() override;
    MsgManager(const MsgManager&) = delete;
    MsgManager& operator=(const MsgManager&) = delete;

    // Where the refusal of a bulletin is reported (none: it is only returned).
    void setPrompter(Prompter* prompter) { m_prompter = prompter; }

    // The dispatch's entry for a received ':' packet: processes it, tells listeners (recordAdded,
    // listChanged) and runs the expiry after a new record.
    void ProcessMessage(const QString& information, const QString& from, const QString& header,
                        int port) override;
    // Processes one message packet: the new record (already in the list), or nullptr when it was
    // dropped, a duplicate or an acknowledgement. ackHandled tells whether an acknowledgement
    // ended one of the station's own transmissions.
    MessageRecord* ProcessMessage(const QString& information, const QString& from, const QString& header,
                                  int port, bool& ackHandled);
    // Acknowledges a record addressed to the station, on its port, over the return path.
    void Check4Us(const MessageRecord& record, const QString& returnPath);
    // Queues an own message or bulletin, sends it at once and starts its retransmission. 1 queued
    // and sent, 0 refused (a bulletin to this addressee is already being sent).
    int QueueMessage(const QString& to, const QString& text, const QString& via, int port);
    // Ends the first own transmission with this number; 1 when one was ended.
    int AckReceived(int number);
    // Ends the own transmission to this addressee with this number (Stop Sending); 1 when ended.
    int StopSending(const QString& to, int number);
    // First record from this sender to this addressee whose number text is the decimal number.
    MessageRecord* FindMessage(const QString& from, const QString& to, int number);
    // Deletes the records older than MAXTIME seconds; the number deleted.
    int ExpireMessages();

    // Replaces both lists with Data/msg.dat and Data/blns.dat (restored bulletins restart their
    // schedule), then runs the expiry.
    void Load();
    // Writes both files atomically; false when one could not be written.
    bool Save();

    // The list in arrival order. Pointers stay valid until the record expires or the list is
    // reloaded (listChanged).
    int count() const { return static_cast<int>(m_records.size()); }
    MessageRecord* at(int i);
    // The send queue.
    int queueCount() const { return static_cast<int>(m_queue.size()); }
    const OutgoingMessage* queueAt(int i) const;
    int32_t lastSeq() const { return m_lastSeq; }

    QRecursiveMutex& listLock() { return m_listLock; }
    QRecursiveMutex& queueLock() { return m_queueLock; }
    StationManager& stations() { return m_stations; }

    // Text of the refusal of a second bulletin to the same addressee.
    static QString bulletinRefusedText();

signals:
    // A new record was appended (the view appends its row; the decode tool prints it).
    void recordAdded(const MessageRecord& record);
    // Records were deleted or changed state (acknowledged, stopped, expired, loaded): refill.
    void listChanged();
    // The send queue changed (queued, ended, run out).
    void queueChanged();
    // An entry of the queue was sent again: its count of sends and its next try changed.
    void queueEntrySent();

private:
    struct Key {
        QString from, to, seq;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const noexcept;
    };
    // Keeps each public entry point from deleting timers whose callbacks may be on the stack.
    class Guard;
    friend class Guard;

    void append(std::unique_ptr<MessageRecord> record);
    MessageRecord* findDuplicate(const Key& key);
    void clearRecords();
    void clearQueue();
    void sendEntry(OutgoingMessage& entry);
    void startTimer(OutgoingMessage& entry, int periodMs);
    void retryTimerProc(OutgoingMessage* entry);
    void removeEntry(OutgoingMessage* entry);
    void endTransmission(OutgoingMessage* entry, MessageStatus status);
    // Check4Us with the station's call already read.
    void acknowledge(const MessageRecord& record, const QString& returnPath, const QString& me);
    QString myCall() const;
    static qint64 timeKey(const SystemTime& t);

    const StationHome& m_home;
    SettingsStore& m_settings;
    Clock& m_clock;
    StationManager& m_stations;
    SendFunction m_send;
    Prompter* m_prompter = nullptr;

    mutable QRecursiveMutex m_listLock;
    mutable QRecursiveMutex m_queueLock;
    std::deque<std::unique_ptr<MessageRecord>> m_records;
    // Duplicate test without scanning: (from, to, number) -> records in list order.
    std::unordered_map<Key, std::vector<MessageRecord*>, KeyHash> m_byKey;
    // Expiry without scanning: time first heard (ms since 1970, UTC) -> record.
    std::multimap<qint64, MessageRecord*> m_byTime;

    std::vector<std::unique_ptr<OutgoingMessage>> m_queue;
    // Entries taken out of the queue while a timer callback may be running; deleted at the next
    // outermost entry point.
    std::vector<std::unique_ptr<OutgoingMessage>> m_retired;
    int m_depth = 0;
    int32_t m_lastSeq = 0;
};
