#include "messaging/MsgManager.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "messaging/MessageFiles.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <limits>
#include <unordered_set>

namespace {

const QString kMessagesFile = QStringLiteral("msg.dat");
const QString kBulletinsFile = QStringLiteral("blns.dat");

bool isBlank(QChar c) {
    return c == QLatin1Char(' ');
}
bool isLineBreak(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}
bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F);
}

QStringView trimBlanks(QStringView s) {
    while (!s.isEmpty() && isBlank(s.front())) s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back())) s.chop(1);
    return s;
}

// The addressee field of an information field: padded with blanks or cut to 9 characters. A
// control character (a line break above all) would break the packet, or the line to the server,
// inside the field: such characters are left out.
QString addresseeField(const QString& call) {
    QString out;
    out.reserve(9);
    for (QChar c : call) {
        if (out.size() == 9) break;
        if (!isControl(c)) out.append(c);
    }
    return out.leftJustified(9, QLatin1Char(' '));
}

// The number of a message as kept: control characters have no place in the list, the file or the
// acknowledgement, so they are dropped; trailing blanks, CR and LF go as well.
QString cleanNumber(QStringView raw) {
    QString out;
    out.reserve(raw.size());
    for (QChar c : raw)
        if (!isControl(c)) out.append(c);
    while (!out.isEmpty() && (isBlank(out.back()) || isLineBreak(out.back()))) out.chop(1);
    return out;
}

// The number an acknowledgement carries: printable and at most the 5 characters APRS allows.
QString ackNumber(const QString& seq) {
    return cleanNumber(seq).left(MsgManager::kMaxAckNumber);
}

// Decimal value of leading digits after optional blanks and a sign; 0 when there are none.
int leadingNumber(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        negative = s[i++] == QLatin1Char('-');
    qint64 v = 0;
    for (; i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9'); ++i) {
        v = v * 10 + (s[i].unicode() - '0');
        if (v > std::numeric_limits<int>::max()) {
            v = std::numeric_limits<int>::max();
            break;
        }
    }
    return static_cast<int>(negative ? -v : v);
}

// The whole file, or nothing when it is missing or larger than the message files may be. The read
// asks for the file's own size: a read of the limit would reserve the whole limit every time.
std::optional<QByteArray> readDataFile(const QString& path) {
    const qint64 size = QFileInfo(path).size();
    if (size > MessageFiles::kMaxFileBytes) return std::nullopt;
    return DataFiles::readAll(path, size);
}

} // namespace

// Timers of entries taken out of the queue are kept until no callback of this manager can be on
// the stack: they are deleted when an outermost entry point begins, never from inside a callback.
class MsgManager::Guard {
public:
    explicit Guard(MsgManager& m) : m_m(m) {
        if (m_m.m_depth++ == 0) m_m.m_retired.clear();
    }
    ~Guard() { --m_m.m_depth; }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    MsgManager& m_m;
};

size_t MsgManager::KeyHash::operator()(const Key& k) const noexcept {
    return static_cast<size_t>(qHashMulti(0, k.from, k.to, k.seq));
}

MsgManager::MsgManager(const StationHome& home, SettingsStore& settings, Clock& clock,
                       StationManager& stations, SendFunction send, QObject* parent)
    : QObject(parent), m_home(home), m_settings(settings), m_clock(clock), m_stations(stations),
      m_send(std::move(send)) {}

MsgManager::~MsgManager() {
    clearQueue();
    m_retired.clear();
    clearRecords();
}

QString MsgManager::bulletinRefusedText() {
    return ResourceStrings::text(ResourceStrings::BulletinNumberInUse);
}

QString MsgManager::myCall() const {
    return read(m_settings, Settings::MYCALL);
}

qint64 MsgManager::timeKey(const SystemTime& t) {
    const QDateTime dt = t.toDateTime(Qt::UTC);
    return dt.isValid() ? dt.toMSecsSinceEpoch() : 0; // a damaged time counts as very old
}

MessageRecord* MsgManager::at(int i) {
    if (i < 0 || i >= count()) return nullptr;
    return m_records[static_cast<size_t>(i)].get();
}

const OutgoingMessage* MsgManager::queueAt(int i) const {
    if (i < 0 || i >= queueCount()) return nullptr;
    return m_queue[static_cast<size_t>(i)].get();
}

// --- receiving

void MsgManager::ProcessMessage(const QString& information, const QString& from, const QString& header,
                                int port) {
    Guard guard(*this);
    try {
        bool ackHandled = false;
        MessageRecord* record = ProcessMessage(information, from, header, port, ackHandled);
        if (!record) return;
        emit recordAdded(*record);
        if (ExpireMessages() > 0) emit listChanged();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

MessageRecord* MsgManager::ProcessMessage(const QString& information, const QString& from,
                                          const QString& header, int port, bool& ackHandled) {
    Guard guard(*this);
    ackHandled = false;
    const QStringView info = QStringView(information).mid(information.isEmpty() ? 0 : 1); // the ':'
    const qsizetype n = info.size();

    // Addressee: up to the next ':' (leading ones skipped).
    qsizetype i = 0;
    while (i < n && info[i] == QLatin1Char(':')) ++i;
    const qsizetype toStart = i;
    while (i < n && info[i] != QLatin1Char(':')) ++i;
    if (i == toStart) return nullptr;
    const QStringView rawTo = info.mid(toStart, i - toStart);
    if (i < n) ++i; // past the ':'

    // Text: up to the first '{' (leading ones skipped).
    while (i < n && info[i] == QLatin1Char('{')) ++i;
    const qsizetype textStart = i;
    while (i < n && info[i] != QLatin1Char('{')) ++i;
    if (i == textStart) return nullptr;
    const QStringView piece = info.mid(textStart, i - textStart);

    const QString me = myCall();
    if (piece.startsWith(QLatin1String("ack"))) {
        // The echo of the station's own acknowledgement (the engine and the server hand every own
        // packet back) acknowledges nothing of ours.
        if (from == me) return nullptr;
        ackHandled = AckReceived(leadingNumber(piece.mid(3))) != 0;
        return nullptr;
    }

    auto record = std::make_unique<MessageRecord>();
    record->from = from;
    record->to = trimBlanks(rawTo).toString();
    record->text = piece.toString();
    if (i < n) {
        ++i; // past the '{'
        qsizetype end = i;
        while (end < n && !isLineBreak(info[end])) ++end;
        record->seq = cleanNumber(info.mid(i, end - i));
    }
    record->port = port;

    // The first heard path of the header: the return path and the heard-via station.
    StationRecord paths;
    paths.RecordHeardPath(header);
    const QString returnPath = paths.heardPaths.digipeaters[0];
    record->heardVia = paths.heardPaths.heardVia[0];

    acknowledge(*record, returnPath, me);

    if (from == me) {
        record->mark = 0;
        record->ended = 0;
    }

    QMutexLocker locker(&m_listLock);
    if (MessageRecord* known = findDuplicate(Key{record->from, record->to, record->seq})) {
        if (known->pathCount >= 0 && known->pathCount < MessageRecord::kMaxPaths)
            known->paths[static_cast<size_t>(known->pathCount++)] = returnPath;
        return nullptr;
    }

    record->time = SystemTime::fromDateTime(m_clock.nowUtc());
    record->status = MessageStatus::Other;
    if (record->to == me) record->status = MessageStatus::ForMe;
    if (record->to.startsWith(QLatin1String("BLN"))) record->status = MessageStatus::Bulletin;
    if (record->from == me) record->status = MessageStatus::SentByMe;
    MessageRecord* added = record.get();
    append(std::move(record));
    return added;
}

void MsgManager::Check4Us(const MessageRecord& record, const QString& returnPath) {
    acknowledge(record, returnPath, myCall());
}

void MsgManager::acknowledge(const MessageRecord& record, const QString& returnPath, const QString& me) {
    if (record.to != me) return;
    OutboundPacket ack;
    ack.part1 =
        QLatin1Char(':') + addresseeField(record.from) + QLatin1String(":ack") + ackNumber(record.seq);
    ack.fromCall = me;
    ack.toCall = read(m_settings, Settings::TOCALL);
    ack.viaPath = returnPath;
    ack.port = record.port;
    if (m_send) m_send(ack);
}

MessageRecord* MsgManager::findDuplicate(const Key& key) {
    const auto it = m_byKey.find(key);
    return it == m_byKey.end() || it->second.empty() ? nullptr : it->second.front();
}

void MsgManager::append(std::unique_ptr<MessageRecord> record) {
    MessageRecord* r = record.get();
    m_records.push_back(std::move(record));
    m_byKey[Key{r->from, r->to, r->seq}].push_back(r);
    m_byTime.emplace(timeKey(r->time), r);
}

MessageRecord* MsgManager::FindMessage(const QString& from, const QString& to, int number) {
    QMutexLocker locker(&m_listLock);
    return findDuplicate(Key{from, to, QString::number(number)});
}

int MsgManager::ExpireMessages() {
    Guard guard(*this);
    const qint64 maxAge = read(m_settings, Settings::MAXTIME);
    QMutexLocker locker(&m_listLock);
    const qint64 now = m_clock.nowUtc().toMSecsSinceEpoch();
    // Oldest first: the age only falls from here on, so the walk stops at the first record kept.
    std::unordered_set<const MessageRecord*> doomed;
    auto it = m_byTime.begin();
    while (it != m_byTime.end() && (now - it->first) / 1000 > maxAge) {
        doomed.insert(it->second);
        it = m_byTime.erase(it);
    }
    if (doomed.empty()) return 0;

    for (const MessageRecord* r : doomed) {
        const auto bucket = m_byKey.find(Key{r->from, r->to, r->seq});
        if (bucket == m_byKey.end()) continue;
        std::erase(bucket->second, r);
        if (bucket->second.empty()) m_byKey.erase(bucket);
    }
    // Records arrive in time order, so the expired ones are normally the first of the list.
    size_t prefix = 0;
    while (prefix < m_records.size() && doomed.contains(m_records[prefix].get())) ++prefix;
    if (prefix == doomed.size()) {
        m_records.erase(m_records.begin(), m_records.begin() + static_cast<std::ptrdiff_t>(prefix));
    } else {
        std::erase_if(m_records,
                      [&](const std::unique_ptr<MessageRecord>& r) { return doomed.contains(r.get()); });
    }
    return static_cast<int>(doomed.size());
}

void MsgManager::clearRecords() {
    QMutexLocker locker(&m_listLock);
    m_byKey.clear();
    m_byTime.clear();
    m_records.clear();
}

// --- sending

int MsgManager::QueueMessage(const QString& to, const QString& text, const QString& via, int port) {
    Guard guard(*this);
    auto entry = std::make_unique<OutgoingMessage>();
    entry->to = to;
    QMutexLocker queueLocker(&m_queueLock);
    if (to.startsWith(QLatin1String("BLN"))) {
        entry->isBulletin = 1;
        for (const auto& e : m_queue) {
            if (e->to == to) {
                if (m_prompter) m_prompter->report(bulletinRefusedText(), Prompter::Icon::Stop);
                return 0;
            }
        }
    }
    entry->from = myCall();
    if (++m_lastSeq > kMaxSeq) m_lastSeq = 1;
    entry->seq = entry->isBulletin ? 0 : m_lastSeq;

    QString body = QLatin1Char(':') + addresseeField(to) + QLatin1Char(':') + text;
    if (!entry->isBulletin) body += QLatin1Char('{') + QString::number(entry->seq);
    // A line break inside would end the packet early (and the line to the server); the packet's
    // own CR LF follows.
    for (QChar& c : body)
        if (isLineBreak(c)) c = QLatin1Char(' ');
    entry->text = body + QLatin1String("\r\n");
    entry->length = static_cast<int32_t>(entry->text.size());
    entry->via = via;
    entry->port = port;
    entry->retriesLeft = kRetries;
    entry->queuedAt = m_clock.nowUtc();

    OutgoingMessage* e = entry.get();
    m_queue.push_back(std::move(entry));
    sendEntry(*e);
    if (!e->removed) startTimer(*e, kRetryMs); // the send itself may have ended it
    emit queueChanged();
    return 1;
}

void MsgManager::sendEntry(OutgoingMessage& entry) {
    ++entry.sends;
    OutboundPacket p;
    p.part1 = entry.text;
    p.fromCall = entry.from;
    p.toCall = QStringLiteral("APZEL");
    p.viaPath = entry.via;
    p.port = entry.port;
    if (m_send) m_send(p);
}

void MsgManager::startTimer(OutgoingMessage& entry, int periodMs) {
    if (!entry.timer) {
        entry.timer = m_clock.createTimer();
        OutgoingMessage* e = &entry;
        entry.timer->onTimeout = [this, e] { retryTimerProc(e); };
    }
    entry.timer->start(periodMs);
    entry.nextTry = m_clock.nowUtc().addMSecs(periodMs);
}

void MsgManager::retryTimerProc(OutgoingMessage* entry) {
    Guard guard(*this);
    try {
        QMutexLocker locker(&m_queueLock);
        if (entry->removed) return;
        sendEntry(*entry);
        if (entry->removed) return;
        --entry->retriesLeft;
        if (!entry->isBulletin) {
            if (entry->retriesLeft <= 0) {
                removeEntry(entry);
                emit queueChanged();
                return;
            }
            entry->nextTry = m_clock.nowUtc().addMSecs(kRetryMs);
            emit queueEntrySent();
            return;
        }
        int period;
        if (entry->retriesLeft <= 0) {
            entry->retriesLeft = 1;
            period = kBulletinIdleMs;
        } else {
            // 10 s, 20 s, ... 90 s as the countdown falls from 9 to 1.
            period = (kRestoredRetries - std::min(entry->retriesLeft, kRetries)) * kRetryMs;
        }
        startTimer(*entry, period);
        emit queueEntrySent();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void MsgManager::removeEntry(OutgoingMessage* entry) {
    QMutexLocker locker(&m_queueLock);
    entry->removed = true;
    if (entry->timer) entry->timer->stop();
    const auto it =
        std::find_if(m_queue.begin(), m_queue.end(), [&](const auto& e) { return e.get() == entry; });
    if (it == m_queue.end()) return;
    m_retired.push_back(std::move(*it));
    m_queue.erase(it);
}

void MsgManager::endTransmission(OutgoingMessage* entry, MessageStatus status) {
    if (entry->timer) entry->timer->stop();
    if (MessageRecord* record = FindMessage(entry->from, entry->to, entry->seq)) {
        record->ended = 1;
        record->status = status;
    }
    removeEntry(entry);
}

int MsgManager::AckReceived(int number) {
    Guard guard(*this);
    QMutexLocker locker(&m_queueLock);
    const auto it =
        std::find_if(m_queue.begin(), m_queue.end(), [&](const auto& e) { return e->seq == number; });
    if (it == m_queue.end()) return 0;
    endTransmission(it->get(), MessageStatus::Acknowledged);
    emit queueChanged();
    emit listChanged();
    return 1;
}

int MsgManager::StopSending(const QString& to, int number) {
    Guard guard(*this);
    QMutexLocker locker(&m_queueLock);
    const auto it = std::find_if(m_queue.begin(), m_queue.end(),
                                 [&](const auto& e) { return e->to == to && e->seq == number; });
    if (it == m_queue.end()) return 0;
    endTransmission(it->get(), MessageStatus::Stopped);
    emit queueChanged();
    emit listChanged();
    return 1;
}

void MsgManager::clearQueue() {
    QMutexLocker locker(&m_queueLock);
    for (auto& e : m_queue) {
        e->removed = true;
        if (e->timer) e->timer->stop();
        m_retired.push_back(std::move(e));
    }
    m_queue.clear();
}

// --- files

void MsgManager::Load() {
    Guard guard(*this);
    try {
        QMutexLocker listLocker(&m_listLock);
        QMutexLocker queueLocker(&m_queueLock);
        clearRecords();
        clearQueue();
        m_lastSeq = 0;

        const auto messageBytes = readDataFile(m_home.dataFile(kMessagesFile));
        auto messages = messageBytes ? MessageFiles::readMessages(*messageBytes) : std::nullopt;
        if (messages) {
            if (messages->truncated) Trace::write(QStringLiteral("msg.dat ends inside a record"));
            m_lastSeq = messages->lastSeq;
            for (auto& r : messages->records) append(std::move(r));
            ExpireMessages();

            // Bulletins are restored only beside a readable message list.
            const auto bulletinBytes = readDataFile(m_home.dataFile(kBulletinsFile));
            auto bulletins = bulletinBytes ? MessageFiles::readBulletins(*bulletinBytes) : std::nullopt;
            if (bulletins) {
                for (auto& e : bulletins->entries) {
                    // Only bulletins are ever written; one addressee is sent once at a time.
                    if (e->isBulletin != 1 || e->text.isEmpty()) continue;
                    const bool queued = std::any_of(m_queue.begin(), m_queue.end(),
                                                    [&](const auto& q) { return q->to == e->to; });
                    if (queued) continue;
                    e->retriesLeft = kRestoredRetries;
                    e->queuedAt = m_clock.nowUtc();
                    OutgoingMessage* entry = e.get();
                    m_queue.push_back(std::move(e));
                    startTimer(*entry, kRetryMs);
                }
            }
        }
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
    emit listChanged();
    emit queueChanged();
}

bool MsgManager::Save() {
    Guard guard(*this);
    QMutexLocker listLocker(&m_listLock);
    QMutexLocker queueLocker(&m_queueLock);
    QDir().mkpath(m_home.dataDir());
    const bool messagesSaved = DataFiles::saveAtomically(m_home.dataFile(kMessagesFile),
                                                         MessageFiles::writeMessages(m_lastSeq, m_records));
    const bool bulletinsSaved =
        DataFiles::saveAtomically(m_home.dataFile(kBulletinsFile), MessageFiles::writeBulletins(m_queue));
    if (!messagesSaved || !bulletinsSaved) Trace::write(QStringLiteral("error create file!"));
    return messagesSaved && bulletinsSaved;
}
