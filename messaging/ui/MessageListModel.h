#pragma once

#include "platform/SystemTime.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class MsgManager;
struct OutgoingMessage;

// Which message a row stands for: sender, addressee and number text, the key under which the
// manager keeps one record (a later copy with the same key is a duplicate). Rows and selections
// hold keys, never record pointers.
struct MessageKey {
    QString from;
    QString to;
    QString seq;
    bool operator==(const MessageKey&) const = default;
};
size_t qHash(const MessageKey& key, size_t seed = 0) noexcept;

// Where one of the station's own transmissions stands.
enum class SendState {
    None,         // not ours, or heard only
    Queued,       // in the send queue, its echo not heard back yet
    Sending,      // in the send queue, heard back
    Acknowledged, // ended by the addressee's acknowledgement
    GivenUp,      // ours, no longer sent, never acknowledged
    Stopped,      // ended by Stop Sending
};

// The views of the list: every record, the station's own traffic, bulletins.
enum class MessageViewMode { All = 0, OnlyMine = 1, OnlyBulletins = 2 };

// What the list shows of one record or queued message, copied: the row stays valid whatever
// happens to the record afterwards.
struct MessageRow {
    MessageKey key;
    QString text;
    QString heardVia;
    SystemTime time; // UTC, first heard (or queued, for a queued message not yet heard back)
    qint64 timeMs = 0;
    int32_t port = 0;
    int32_t status = 6;
    SendState state = SendState::None;
    int sends = 0;
    bool bulletin = false;
    qint64 nextTryMs = 0; // UTC ms since 1970 of the next send; 0 when none is due
    int order = 0;        // position in the manager's order; queued messages after every record

    // Whether the row belongs to the view mode: mine when from or to is the station's call,
    // bulletins when from or to begins with "BLN".
    bool shownIn(MessageViewMode mode, const QString& myCall) const;
};

// The message list's rows: a snapshot of the manager in its order, shown in that order until a
// header is clicked, then in the order of the sort column. Each sort starts again from the
// manager's order with a stable sort.
class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { From, To, Message, Sequence, Time, PortNode, State, ColumnCount };
    static constexpr int kInitialWidths[ColumnCount] = {80, 80, 400, 40, 80, 40, 160};
    // Sends of a message in all (the first and nine retries).
    static constexpr int kSendsOfAMessage = 10;

    explicit MessageListModel(QObject* parent = nullptr);

    // The rows of the manager's records and queued messages that pass the filter, in the
    // manager's order, with the state of each own transmission.
    static std::vector<MessageRow> snapshot(MsgManager& messages,
                                            const std::function<bool(const MessageRow&)>& filter = {});
    // The row for one record just added, with its send state from the queue.
    static MessageRow rowOf(MsgManager& messages, int recordIndex);

    // Replaces every row in one reset, in the current sort.
    void setRows(std::vector<MessageRow> rows);
    // A new record's row at the end of the display, whatever the sort; a queued message's row
    // with the same key turns into it in place. The display row.
    int addRow(MessageRow row);
    // Brings the send states of the own transmissions up to date with the queue (their counts
    // and next tries); false when a row would have to come or go (of those the filter shows),
    // which takes a refill.
    bool updateSendStates(MsgManager& messages, const std::function<bool(const MessageRow&)>& filter = {});

    // Sorts in one reset; column -1 is the manager's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Display order; row must be 0..rowCount()-1.
    const MessageRow& rowAt(int row) const {
        return m_rows[static_cast<size_t>(m_order[static_cast<size_t>(row)])];
    }
    // The display row of a message, or -1.
    int rowOf(const MessageKey& key) const;
    const std::vector<MessageRow>& rowsInManagerOrder() const { return m_rows; }

    static QString columnTitle(int column);
    static QString text(const MessageRow& row, int column);
    // "%d:%s" with port + 1 and the heard-via text; "GT:%s" for the APRS-IS server.
    static QString portNodeText(int port, const QString& heardVia);
    // The user's short date immediately followed by " HH:mm", as stored (UTC, not converted).
    static QString timeText(const SystemTime& time);
    // "queued, sent 1 of 10, next 12:00:10", "acknowledged" ...; next tries in local time.
    static QString stateText(const MessageRow& row);

private:
    void sortOrderOnly();
    void rebuildIndex();

    std::vector<MessageRow> m_rows; // manager order (rows added later at the end)
    std::vector<int> m_order;       // display row -> index into m_rows
    std::vector<int> m_displayOf;   // index into m_rows -> display row
    QHash<MessageKey, int> m_index; // key -> index into m_rows (the first of equal keys)
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
