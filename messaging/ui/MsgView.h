#pragma once

#include "app/ActivePortList.h"
#include "controls/CommandIds.h"
#include "messaging/ui/MessageListModel.h"

#include <QString>
#include <QWidget>
#include <optional>

class MsgManager;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;
class SettingsStore;
struct MessageRecord;

// The messages tab: every message and bulletin the manager holds in a sortable list, each of the
// station's own with where its transmission stands, the conversation of the selected message's
// two stations beside it, and the compose form under it (To, Path, port, Text, Send) with Reply,
// Forward and Stop Sending.
//
// The manager belongs to the central object, which loads and saves it; the view only reads it and
// follows its signals. Rows are copies taken in one step per refill; selection follows the
// messages by key through refills and sorts. The station's call is read at each use.
class MsgView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kListNumber = 1097; // ListCtrls value of the column widths
    static constexpr int kMenuId = 140;      // the list's popup

    // ports: the central object's active port list (it outlives the view).
    MsgView(MsgManager& messages, const ActivePortList& ports, SettingsStore& settings, Prompter& prompter,
            QWidget* parent = nullptr);
    ~MsgView() override;

    MessageListModel* model() const { return m_model; }
    MessageListModel* conversationModel() const { return m_conversation; }
    QTableView* table() const { return m_table; }
    QTableView* conversationTable() const { return m_conversationTable; }
    QMenu* messageMenu() const { return m_menu; }
    QSplitter* splitter() const { return m_splitter; }
    MessageViewMode viewMode() const { return m_mode; }
    int unreadCount() const { return m_unread; }
    std::vector<int> initialColumnWidths() const;

    // Takes the rows again in the given mode, keeping the selection by message.
    void refill(MessageViewMode mode);
    // The transmit port list from the active ports, the selection kept by port number.
    void RefillPorts();

    // The selected message (the row under the open context menu while there is one).
    std::optional<MessageRow> selectedMessage() const;
    void selectMessage(const MessageKey& key);

    // Header click: the direction flips on every click, whichever column.
    void sortByColumnClick(int column);

    // The compose form's Send, Reply, Forward and Stop Sending It.
    void send();
    void reply();
    void forward();
    void stopSending();

    bool handlesCommand(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

signals:
    // A new message addressed to the station arrived and NARRATEMYMSG is on.
    void announcement(const QString& from, const QString& text);
    // Messages addressed to the station that arrived while the view was hidden.
    void unreadChanged(int count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QWidget* buildComposeForm();
    void loadLayout();
    void saveLayout();
    void onRecordAdded(const MessageRecord& record);
    void onSendStatesChanged();
    void updateConversation();
    void showMessageMenu(const QPoint& pos);
    void restoreSelection(const std::optional<MessageKey>& key, bool scrollToLastWhenNone);
    void setPathEntries(const QStringList& paths);
    void addPathEntry(const QString& path);
    QString myCall() const;

    MsgManager& m_messages;
    const ActivePortList& m_ports;
    SettingsStore& m_settings;
    Prompter& m_prompter;

    MessageListModel* m_model = nullptr;
    MessageListModel* m_conversation = nullptr;
    QTableView* m_table = nullptr;
    QTableView* m_conversationTable = nullptr;
    QLabel* m_conversationTitle = nullptr;
    QSplitter* m_splitter = nullptr;
    QLineEdit* m_to = nullptr;
    QComboBox* m_path = nullptr;
    QComboBox* m_port = nullptr;
    QLineEdit* m_text = nullptr;
    QPushButton* m_send = nullptr;
    QLabel* m_lengthWarning = nullptr;
    QMenu* m_menu = nullptr;

    MessageViewMode m_mode = MessageViewMode::All;
    Qt::SortOrder m_lastSortOrder = Qt::DescendingOrder; // so the first click sorts ascending
    int m_unread = 0;
    // The message the open context menu was asked for; cleared once the menu has done its work.
    std::optional<MessageKey> m_contextMessage;
    // The two stations of the conversation shown.
    std::optional<std::pair<QString, QString>> m_conversationPair;
};
