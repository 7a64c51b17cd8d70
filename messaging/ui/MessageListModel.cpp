#include "messaging/ui/MessageListModel.h"

#include "messaging/MsgManager.h"
#include "messaging/ui/MessageIcons.h"
#include "platform/Clock.h"
#include "platform/ResourceStrings.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QMutexLocker>
#include <algorithm>
#include <numeric>

namespace {

// Where each queued transmission stands, by the key its record has once it is heard back.
struct QueuedEntry {
    const OutgoingMessage* entry = nullptr;
    bool matched = false; // a record of it exists
};

MessageKey keyOf(const OutgoingMessage& e) {
    // A bulletin goes out without a number, so its record has none either.
    return MessageKey{e.from, e.to, e.isBulletin ? QString() : QString::number(e.seq)};
}

qint64 msOf(const QDateTime& utc) {
    return utc.isValid() ? utc.toMSecsSinceEpoch() : 0;
}

qint64 timeMsOf(const SystemTime& t) {
    return t.wallClockSeconds() * 1000 + t.millisecond;
}

// The message text of a queued information field ":ADDRESSEE:text{n\r\n".
QString queuedText(const OutgoingMessage& e) {
    QString text = e.text.mid(11);
    if (text.endsWith(QLatin1String("\r\n"))) text.chop(2);
    if (!e.isBulletin) {
        const qsizetype brace = text.lastIndexOf(QLatin1Char('{'));
        if (brace >= 0) text.truncate(brace);
    }
    return text;
}

void applyQueueState(MessageRow& row, const OutgoingMessage& e, SendState state) {
    row.state = state;
    row.sends = e.sends;
    row.bulletin = e.isBulletin != 0;
    row.nextTryMs = e.timer && e.timer->isActive() ? msOf(e.nextTry) : 0;
}

MessageRow recordRow(const MessageRecord& r, int order) {
    MessageRow row;
    row.key = MessageKey{r.from, r.to, r.seq};
    row.text = r.text;
    row.heardVia = r.heardVia;
    row.time = r.time;
    row.timeMs = timeMsOf(r.time);
    row.port = r.port;
    row.status = r.status;
    row.order = order;
    row.bulletin = r.to.startsWith(QLatin1String("BLN"));
    switch (r.status) {
    case MessageStatus::Acknowledged:
        row.state = SendState::Acknowledged;
        break;
    case MessageStatus::Stopped:
        row.state = SendState::Stopped;
        break;
    case MessageStatus::SentByMe:
        row.state = SendState::GivenUp; // unless it is still in the queue
        break;
    default:
        break;
    }
    return row;
}

MessageRow queuedRow(const OutgoingMessage& e, int order) {
    MessageRow row;
    row.key = keyOf(e);
    row.text = queuedText(e);
    row.time = SystemTime::fromDateTime(e.queuedAt.toUTC());
    row.timeMs = timeMsOf(row.time);
    row.port = e.port;
    row.status = MessageStatus::SentByMe;
    row.order = order;
    applyQueueState(row, e, SendState::Queued);
    return row;
}

QHash<MessageKey, QueuedEntry> queuedEntries(MsgManager& messages) {
    QHash<MessageKey, QueuedEntry> queued;
    for (int i = 0; i < messages.queueCount(); ++i) {
        const OutgoingMessage* e = messages.queueAt(i);
        const MessageKey key = keyOf(*e);
        if (!queued.contains(key)) queued.insert(key, QueuedEntry{e, false});
    }
    return queued;
}

constexpr int stateRank(SendState s) {
    return static_cast<int>(s);
}

} // namespace

size_t qHash(const MessageKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.from, key.to, key.seq);
}

bool MessageRow::shownIn(MessageViewMode mode, const QString& myCall) const {
    switch (mode) {
    case MessageViewMode::OnlyMine:
        return key.from == myCall || key.to == myCall;
    case MessageViewMode::OnlyBulletins:
        return key.from.startsWith(QLatin1String("BLN")) || key.to.startsWith(QLatin1String("BLN"));
    case MessageViewMode::All:
    default:
        return true;
    }
}

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

std::vector<MessageRow> MessageListModel::snapshot(MsgManager& messages,
                                                   const std::function<bool(const MessageRow&)>& filter) {
    QMutexLocker listLocker(&messages.listLock());
    QMutexLocker queueLocker(&messages.queueLock());
    QHash<MessageKey, QueuedEntry> queued = queuedEntries(messages);
    std::vector<MessageRow> rows;
    const int count = messages.count();
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        MessageRow row = recordRow(*messages.at(i), i);
        if (row.status == MessageStatus::SentByMe && !queued.isEmpty()) {
            const auto it = queued.find(row.key);
            if (it != queued.end()) {
                applyQueueState(row, *it->entry, SendState::Sending);
                it->matched = true;
            }
        }
        if (!filter || filter(row)) rows.push_back(std::move(row));
    }
    // Queued messages not heard back yet, in queue order, after the records.
    for (int i = 0; i < messages.queueCount(); ++i) {
        const OutgoingMessage* e = messages.queueAt(i);
        const auto it = queued.constFind(keyOf(*e));
        if (it == queued.cend() || it->entry != e || it->matched) continue;
        MessageRow row = queuedRow(*e, count + i);
        if (!filter || filter(row)) rows.push_back(std::move(row));
    }
    return rows;
}

MessageRow MessageListModel::rowOf(MsgManager& messages, int recordIndex) {
    QMutexLocker listLocker(&messages.listLock());
    QMutexLocker queueLocker(&messages.queueLock());
    const MessageRecord* r = messages.at(recordIndex);
    if (!r) return {};
    MessageRow row = recordRow(*r, recordIndex);
    if (row.status == MessageStatus::SentByMe) {
        const QHash<MessageKey, QueuedEntry> queued = queuedEntries(messages);
        const auto it = queued.constFind(row.key);
        if (it != queued.cend()) applyQueueState(row, *it->entry, SendState::Sending);
    }
    return row;
}

void MessageListModel::setRows(std::vector<MessageRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    sortOrderOnly();
    endResetModel();
}

int MessageListModel::addRow(MessageRow row) {
    const auto known = m_index.constFind(row.key);
    if (known != m_index.cend()) {
        const int i = *known;
        MessageRow& old = m_rows[static_cast<size_t>(i)];
        if (old.state == SendState::Queued) {
            // The echo of a queued message: its line becomes the record's, where it stands.
            row.order = old.order;
            old = std::move(row);
            const int display = m_displayOf[static_cast<size_t>(i)];
            emit dataChanged(index(display, 0), index(display, ColumnCount - 1));
            return display;
        }
    }
    const int display = rowCount();
    beginInsertRows({}, display, display);
    const int i = static_cast<int>(m_rows.size());
    if (known == m_index.cend()) m_index.insert(row.key, i);
    m_rows.push_back(std::move(row));
    m_order.push_back(i);
    m_displayOf.push_back(display);
    endInsertRows();
    return display;
}

bool MessageListModel::updateSendStates(MsgManager& messages,
                                        const std::function<bool(const MessageRow&)>& filter) {
    QMutexLocker queueLocker(&messages.queueLock());
    QHash<MessageKey, QueuedEntry> queued = queuedEntries(messages);
    bool changed = false;
    for (MessageRow& row : m_rows) {
        if (row.status != MessageStatus::SentByMe) continue;
        const auto it = queued.find(row.key);
        if (row.state == SendState::Queued) {
            if (it == queued.end()) return false; // ended before it was heard back: it goes
            applyQueueState(row, *it->entry, SendState::Queued);
        } else if (it != queued.end()) {
            applyQueueState(row, *it->entry, SendState::Sending);
        } else {
            row.state = SendState::GivenUp;
            row.nextTryMs = 0;
        }
        if (it != queued.end()) it->matched = true;
        changed = true;
    }
    // A queued message without a row would need one.
    for (auto it = queued.cbegin(); it != queued.cend(); ++it) {
        if (it->matched) continue;
        const MessageRow row = queuedRow(*it->entry, 0);
        if (!filter || filter(row)) return false;
    }
    if (changed && rowCount() > 0) emit dataChanged(index(0, State), index(rowCount() - 1, State));
    return true;
}

void MessageListModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    m_sortColumn = std::clamp(column, -1, ColumnCount - 1);
    m_sortOrder = order;
    sortOrderOnly();
    endResetModel();
}

void MessageListModel::sortOrderOnly() {
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    if (m_sortColumn >= 0 && m_rows.size() > 1) {
        const bool descending = m_sortOrder == Qt::DescendingOrder;
        const auto sortBy = [&](auto less) {
            if (descending)
                std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) { return less(b, a); });
            else
                std::stable_sort(m_order.begin(), m_order.end(), less);
        };
        const auto& rows = m_rows;
        switch (m_sortColumn) {
        case Time:
            sortBy([&](int a, int b) { return rows[size_t(a)].timeMs < rows[size_t(b)].timeMs; });
            break;
        case State:
            sortBy([&](int a, int b) {
                const MessageRow& x = rows[size_t(a)];
                const MessageRow& y = rows[size_t(b)];
                if (x.state != y.state) return stateRank(x.state) < stateRank(y.state);
                return x.nextTryMs < y.nextTryMs;
            });
            break;
        default: {
            // Texts in the user's locale order, case-sensitive; the sequence too is compared as
            // text ("10" before "9"). Collation keys once per row, not per comparison.
            QCollator collator;
            collator.setCaseSensitivity(Qt::CaseSensitive);
            std::vector<QCollatorSortKey> keys;
            keys.reserve(rows.size());
            for (const MessageRow& r : rows) keys.push_back(collator.sortKey(text(r, m_sortColumn)));
            sortBy([&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
            break;
        }
        }
    }
    rebuildIndex();
}

void MessageListModel::rebuildIndex() {
    m_displayOf.assign(m_rows.size(), 0);
    for (size_t d = 0; d < m_order.size(); ++d)
        m_displayOf[static_cast<size_t>(m_order[d])] = static_cast<int>(d);
    m_index.clear();
    m_index.reserve(static_cast<qsizetype>(m_rows.size()));
    // Of equal keys the first stands for them: it is the record the manager's look-up finds.
    for (int i = static_cast<int>(m_rows.size()) - 1; i >= 0; --i) m_index.insert(m_rows[size_t(i)].key, i);
}

int MessageListModel::rowOf(const MessageKey& key) const {
    const auto it = m_index.constFind(key);
    return it == m_index.cend() ? -1 : m_displayOf[static_cast<size_t>(*it)];
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const MessageRow& row = rowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(row, index.column());
    case Qt::DecorationRole:
        if (index.column() == From) return messageStatusIcon(row.status);
        return {};
    case Qt::ToolTipRole:
        // Texts from the air are never markup: the tip is escaped rich text.
        if (index.column() == Message && !row.text.isEmpty())
            return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(row.text.toHtmlEscaped());
        return {};
    default:
        return {};
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return columnTitle(section);
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

QString MessageListModel::columnTitle(int column) {
    switch (column) {
    case From:
        return ResourceStrings::text(ResourceStrings::ColumnFrom);
    case To:
        return ResourceStrings::text(ResourceStrings::ColumnTo);
    case Message:
        return ResourceStrings::text(ResourceStrings::ColumnMessage);
    case Sequence:
        return ResourceStrings::text(ResourceStrings::ColumnSequence);
    case Time:
        return ResourceStrings::text(ResourceStrings::ColumnTime);
    case PortNode:
        return ResourceStrings::text(ResourceStrings::ColumnPortNode);
    case State:
        return tr("State");
    default:
        return {};
    }
}

QString MessageListModel::text(const MessageRow& row, int column) {
    switch (column) {
    case From:
        return row.key.from;
    case To:
        return row.key.to;
    case Message:
        return row.text;
    case Sequence:
        return row.key.seq;
    case Time:
        return timeText(row.time);
    case PortNode:
        return portNodeText(row.port, row.heardVia);
    case State:
        return stateText(row);
    default:
        return {};
    }
}

QString MessageListModel::portNodeText(int port, const QString& heardVia) {
    if (port == -1) return QLatin1String("GT:") + heardVia;
    return QString::number(static_cast<qint64>(port) + 1) + QLatin1Char(':') + heardVia;
}

QString MessageListModel::timeText(const SystemTime& time) {
    const QDateTime dt = time.toDateTime(Qt::UTC);
    if (!dt.isValid()) return {};
    return QLocale().toString(dt.date(), QLocale::ShortFormat) + dt.time().toString(QStringLiteral(" HH:mm"));
}

QString MessageListModel::stateText(const MessageRow& row) {
    const auto sent = [&row] {
        return row.bulletin ? tr("sent %1").arg(row.sends)
                            : tr("sent %1 of %2").arg(row.sends).arg(kSendsOfAMessage);
    };
    const auto next = [&row] {
        if (row.nextTryMs <= 0) return QString();
        const QDateTime at = Clock::toLocal(QDateTime::fromMSecsSinceEpoch(row.nextTryMs, Qt::UTC));
        return tr(", next %1").arg(at.toString(QStringLiteral("HH:mm:ss")));
    };
    switch (row.state) {
    case SendState::Queued:
        return tr("queued, %1%2").arg(sent(), next());
    case SendState::Sending:
        return sent() + next();
    case SendState::Acknowledged:
        return tr("acknowledged");
    case SendState::GivenUp:
        return tr("given up");
    case SendState::Stopped:
        return tr("stopped");
    case SendState::None:
    default:
        return {};
    }
}
