#include "messaging/ui/MsgView.h"

#include "controls/CommandMenu.h"
#include "controls/ListCtrlWidths.h"
#include "messaging/MsgManager.h"
#include "messaging/ui/MessageTextCheck.h"
#include "messaging/ui/UpperCaseValidator.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/Trace.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutexLocker>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kMenuCommands[] = {Command::Reply, Command::Forward, Command::Separator, Command::StopSending};

// Strict decimal: a number with anything after it is no number (0), as the reply look-up wants.
int numberOf(const QString& seq) {
    bool ok = false;
    const int n = seq.toInt(&ok, 10);
    return ok ? n : 0;
}

QTableView* makeTable(QWidget* parent, const char* name, MessageListModel* model) {
    auto* table = new QTableView(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setModel(model);
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setIconSize(QSize(16, 16));
    table->setTextElideMode(Qt::ElideRight);
    QHeaderView* rows = table->verticalHeader();
    rows->hide();
    // Fixed row heights keep a reset of many rows from measuring each of them.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(table->fontMetrics().height(), 16) + 4);
    table->horizontalHeader()->setHighlightSections(false);
    return table;
}

} // namespace

MsgView::MsgView(MsgManager& messages, const ActivePortList& ports, SettingsStore& settings,
                 Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_messages(messages), m_ports(ports), m_settings(settings), m_prompter(prompter) {
    setObjectName(QStringLiteral("msgView"));
    buildControls();
    loadLayout();

    connect(&m_messages, &MsgManager::recordAdded, this, &MsgView::onRecordAdded);
    // Acknowledged, stopped, expired or loaded: the whole list again, all of it.
    connect(&m_messages, &MsgManager::listChanged, this, [this] { refill(MessageViewMode::All); });
    // A message queued or ended: its line comes or changes; the mode stays.
    connect(&m_messages, &MsgManager::queueChanged, this, [this] { refill(m_mode); });
    connect(&m_messages, &MsgManager::queueEntrySent, this, &MsgView::onSendStatesChanged);

    RefillPorts();
    refill(MessageViewMode::All);
}

MsgView::~MsgView() {
    saveLayout();
}

QString MsgView::myCall() const {
    return read(m_settings, Settings::MYCALL);
}

// --- building

void MsgView::buildControls() {
    m_model = new MessageListModel(this);
    m_table = makeTable(this, "messageList", m_model);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    const std::vector<int> widths = initialColumnWidths();
    for (int c = 0; c < MessageListModel::ColumnCount; ++c) header->resizeSection(c, widths[size_t(c)]);
    header->setStretchLastSection(true);
    // Where each own message stands is read with its addressee, before the long text.
    header->moveSection(header->visualIndex(MessageListModel::State), MessageListModel::Message);
    connect(header, &QHeaderView::sectionClicked, this, &MsgView::sortByColumnClick);

    // The conversation: the same rows in time order, without the columns the pair makes plain.
    m_conversation = new MessageListModel(this);
    m_conversation->sort(MessageListModel::Time, Qt::AscendingOrder);
    m_conversationTable = makeTable(this, "conversation", m_conversation);
    m_conversationTable->setSelectionMode(QAbstractItemView::NoSelection);
    for (int c : {MessageListModel::To, MessageListModel::Sequence, MessageListModel::PortNode})
        m_conversationTable->setColumnHidden(c, true);
    QHeaderView* talk = m_conversationTable->horizontalHeader();
    talk->moveSection(talk->visualIndex(MessageListModel::Time), 0);
    talk->resizeSection(MessageListModel::Time, 110);
    talk->resizeSection(MessageListModel::From, 80);
    talk->resizeSection(MessageListModel::Message, 220);
    talk->setStretchLastSection(true);
    m_conversationTitle = new QLabel(this);
    m_conversationTitle->setObjectName(QStringLiteral("conversationTitle"));
    m_conversationTitle->setTextFormat(Qt::PlainText);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_table, 1);
    leftLayout->addWidget(buildComposeForm());

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(4, 4, 0, 0);
    rightLayout->addWidget(m_conversationTitle);
    rightLayout->addWidget(m_conversationTable, 1);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("msgSplitter"));
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    setFocusProxy(m_table);

    m_menu = makeCommandMenu(this, tr("Messages"), QStringLiteral("messageMenu"), kMenuId, kMenuCommands,
                             [this](int id) { runCommand(id); });
    // The entry chosen runs before this queued clearing, so it still finds its message.
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { m_contextMessage.reset(); }, Qt::QueuedConnection);
    });

    connect(m_table, &QTableView::customContextMenuRequested, this, &MsgView::showMessageMenu);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) reply();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        updateConversation();
        notifyCommandsChanged();
    });
}

QWidget* MsgView::buildComposeForm() {
    auto* form = new QWidget(this);
    form->setObjectName(QStringLiteral("composeForm"));

    m_to = new QLineEdit(form);
    m_to->setObjectName(QStringLiteral("to"));
    m_to->setValidator(new UpperCaseValidator(m_to));
    m_to->setMaxLength(9);
    m_to->setPlaceholderText(tr("Call"));

    m_path = new QComboBox(form);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setEditable(true);
    m_path->setInsertPolicy(QComboBox::InsertAlphabetically);
    m_path->lineEdit()->setValidator(new UpperCaseValidator(m_path));
    m_path->setMinimumContentsLength(14);

    m_port = new QComboBox(form);
    m_port->setObjectName(QStringLiteral("radioPort"));
    m_port->setMinimumContentsLength(12);

    m_text = new QLineEdit(form);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setClearButtonEnabled(true);

    m_send = new QPushButton(tr("Send"), form);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setEnabled(false);

    m_lengthWarning = new QLabel(form);
    m_lengthWarning->setObjectName(QStringLiteral("lengthWarning"));
    m_lengthWarning->setTextFormat(Qt::PlainText);
    m_lengthWarning->hide();

    auto* grid = new QGridLayout(form);
    grid->setContentsMargins(4, 4, 4, 4);
    const auto label = [form](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, form);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(tr("&To"), m_to), 0, 0);
    grid->addWidget(m_to, 0, 1);
    grid->addWidget(label(tr("Pat&h"), m_path), 0, 2);
    grid->addWidget(m_path, 0, 3);
    grid->addWidget(label(tr("P&ort"), m_port), 0, 4);
    grid->addWidget(m_port, 0, 5);
    grid->addWidget(label(tr("Te&xt"), m_text), 1, 0);
    grid->addWidget(m_text, 1, 1, 1, 4);
    grid->addWidget(m_send, 1, 5);
    grid->addWidget(m_lengthWarning, 2, 1, 1, 5);
    grid->setColumnStretch(3, 1);

    connect(m_send, &QPushButton::clicked, this, &MsgView::send);
    connect(m_text, &QLineEdit::returnPressed, this, [this] {
        if (m_send->isEnabled()) send();
    });
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_send->setEnabled(!text.isEmpty());
        const QString warning = MessageTextCheck::lengthWarning(text);
        m_lengthWarning->setText(warning);
        m_lengthWarning->setVisible(!warning.isEmpty());
    });
    setTabOrder(m_to, m_path);
    setTabOrder(m_path, m_port);
    setTabOrder(m_port, m_text);
    setTabOrder(m_text, m_send);
    return form;
}

std::vector<int> MsgView::initialColumnWidths() const {
    // The historic widths fit a handheld's small font; each column is at least as wide as a
    // typical text of it in the desktop's font.
    const SystemTime late = SystemTime::fromDateTime(QDateTime(QDate(2026, 12, 31), QTime(23, 59), Qt::UTC));
    const QString samples[MessageListModel::ColumnCount] = {
        QStringLiteral("DB0ABC-15"),
        QStringLiteral("DB0ABC-15"),
        {},
        QStringLiteral("99999"),
        MessageListModel::timeText(late),
        QStringLiteral("GT:MYGATE"),
        QStringLiteral("queued, sent 9 of 10, next 23:59:59")};
    const QFontMetrics metrics(m_table->font());
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 12;
    std::vector<int> widths;
    for (int c = 0; c < MessageListModel::ColumnCount; ++c) {
        int needed = samples[c].isEmpty() ? 0 : metrics.horizontalAdvance(samples[c]) + padding;
        if (c == MessageListModel::From) needed += m_table->iconSize().width() + 4;
        // The title with room for the sort arrow.
        needed = std::max(needed, metrics.horizontalAdvance(MessageListModel::columnTitle(c)) + padding + 16);
        widths.push_back(std::max(MessageListModel::kInitialWidths[c], needed));
    }
    return widths;
}

void MsgView::loadLayout() {
    if (const auto widths = ListCtrlWidths::load(m_settings, kListNumber, MessageListModel::ColumnCount))
        for (int c = 0; c < MessageListModel::ColumnCount; ++c)
            m_table->horizontalHeader()->resizeSection(c, (*widths)[size_t(c)]);
    if (const auto state = read(m_settings, Settings::MSGVIEW_SPLITTER);
        state && m_splitter->restoreState(*state))
        return;
    m_splitter->setSizes({900, 380});
}

void MsgView::saveLayout() {
    std::vector<int> widths;
    for (int c = 0; c < MessageListModel::ColumnCount; ++c)
        widths.push_back(m_table->horizontalHeader()->sectionSize(c));
    ListCtrlWidths::save(m_settings, kListNumber, widths);
    write(m_settings, Settings::MSGVIEW_SPLITTER, m_splitter->saveState());
}

// --- the list

void MsgView::refill(MessageViewMode mode) {
    try {
        m_mode = mode;
        const std::optional<MessageRow> selected = selectedMessage();
        const QString me = myCall();
        auto rows = MessageListModel::snapshot(
            m_messages, [mode, &me](const MessageRow& row) { return row.shownIn(mode, me); });
        m_model->setRows(std::move(rows));
        restoreSelection(selected ? std::optional<MessageKey>(selected->key) : std::nullopt, true);
        updateConversation();
        notifyCommandsChanged();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void MsgView::restoreSelection(const std::optional<MessageKey>& key, bool scrollToLastWhenNone) {
    const int row = key ? m_model->rowOf(*key) : -1;
    QItemSelectionModel* selection = m_table->selectionModel();
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->scrollTo(index, QAbstractItemView::EnsureVisible);
    } else if (scrollToLastWhenNone && m_model->rowCount() > 0) {
        m_table->scrollTo(m_model->index(m_model->rowCount() - 1, 0), QAbstractItemView::EnsureVisible);
    }
}

void MsgView::onRecordAdded(const MessageRecord& record) {
    try {
        // The new record is the manager's last.
        int index = m_messages.count() - 1;
        if (m_messages.at(index) != &record) {
            for (index = 0; index < m_messages.count() && m_messages.at(index) != &record; ++index) {
            }
        }
        if (index >= m_messages.count()) return;
        const QString me = myCall();
        if (record.to == me && record.from != me) {
            if (!isVisible() || (window() && window()->isMinimized())) {
                ++m_unread;
                emit unreadChanged(m_unread);
            }
            if (read(m_settings, Settings::NARRATEMYMSG) != 0) emit announcement(record.from, record.text);
        }
        // Shown at the end whatever the mode, until the next refill.
        const int row = m_model->addRow(MessageListModel::rowOf(m_messages, index));
        m_table->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
        updateConversation();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void MsgView::onSendStatesChanged() {
    const QString me = myCall();
    const MessageViewMode mode = m_mode;
    if (!m_model->updateSendStates(m_messages,
                                   [mode, &me](const MessageRow& r) { return r.shownIn(mode, me); }))
        refill(m_mode);
    else
        updateConversation();
}

void MsgView::updateConversation() {
    const std::optional<MessageRow> selected = selectedMessage();
    if (selected) m_conversationPair = std::make_pair(selected->key.from, selected->key.to);
    if (!m_conversationPair) {
        m_conversationTitle->setText(tr("Select a message to see its conversation."));
        m_conversation->setRows({});
        return;
    }
    const QString a = m_conversationPair->first;
    const QString b = m_conversationPair->second;
    const QString me = myCall();
    if (a == me || b == me)
        m_conversationTitle->setText(tr("Conversation with %1").arg(a == me ? b : a));
    else
        m_conversationTitle->setText(tr("Conversation of %1 and %2").arg(a, b));
    m_conversation->setRows(MessageListModel::snapshot(m_messages, [&a, &b](const MessageRow& r) {
        return (r.key.from == a && r.key.to == b) || (r.key.from == b && r.key.to == a);
    }));
    if (m_conversation->rowCount() > 0)
        m_conversationTable->scrollTo(m_conversation->index(m_conversation->rowCount() - 1, 0));
}

void MsgView::sortByColumnClick(int column) {
    const Qt::SortOrder order =
        m_lastSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_lastSortOrder = order;
    const std::optional<MessageRow> selected = selectedMessage();
    m_model->sort(column, order);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, order);
    restoreSelection(selected ? std::optional<MessageKey>(selected->key) : std::nullopt, false);
}

std::optional<MessageRow> MsgView::selectedMessage() const {
    if (m_contextMessage) {
        const int row = m_model->rowOf(*m_contextMessage);
        if (row >= 0) return m_model->rowAt(row);
    }
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= m_model->rowCount()) return std::nullopt;
    return m_model->rowAt(rows.first().row());
}

void MsgView::selectMessage(const MessageKey& key) {
    restoreSelection(key, false);
}

void MsgView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_unread != 0) {
        m_unread = 0;
        emit unreadChanged(0);
    }
}

// --- ports and paths

void MsgView::RefillPorts() {
    // The selection follows the port, not its place: the list may have gained or lost entries.
    const std::optional<int> previous =
        m_port->currentIndex() >= 0 ? std::optional<int>(m_port->currentData().toInt()) : std::nullopt;
    m_port->clear();
    for (const ActivePort& p : m_ports.entries) {
        const QString name = p.port == -1 ? QStringLiteral("APRS Server") : p.name;
        int at = 0;
        while (at < m_port->count() && QString::localeAwareCompare(m_port->itemText(at), name) <= 0) ++at;
        m_port->insertItem(at, name, p.port);
    }
    int index = previous ? m_port->findData(*previous) : -1;
    if (index < 0 && m_port->count() > 0) index = 0;
    m_port->setCurrentIndex(index);
    if (index < 0) return;
    const QString via = read(m_settings, Settings::VIAPATH_BEACON, m_port->currentData().toInt());
    addPathEntry(via);
    m_path->setCurrentIndex(m_path->findText(via));
    m_path->setEditText(via);
}

void MsgView::addPathEntry(const QString& path) {
    if (path.isEmpty() || m_path->findText(path) >= 0) return;
    int at = 0;
    while (at < m_path->count() && QString::localeAwareCompare(m_path->itemText(at), path) <= 0) ++at;
    m_path->insertItem(at, path);
}

void MsgView::setPathEntries(const QStringList& paths) {
    m_path->clear();
    for (const QString& p : paths) addPathEntry(p);
    if (!paths.isEmpty()) {
        m_path->setCurrentIndex(m_path->findText(paths.first()));
        m_path->setEditText(paths.first());
    }
}

// --- commands

void MsgView::send() {
    try {
        if (m_port->currentIndex() < 0) {
            m_prompter.report(ResourceStrings::text(ResourceStrings::SelectRadioPortFirst),
                              Prompter::Icon::Stop);
            return;
        }
        const int port = m_port->currentData().toInt();
        const QString to = m_to->text().trimmed().toUpper();
        const QString text = m_text->text();
        const QString path = MessageTextCheck::normalisedPath(m_path->currentText());
        if (to.isEmpty()) {
            m_prompter.report(ResourceStrings::text(ResourceStrings::NoAddressee), Prompter::Icon::Stop);
            return;
        }
        if (text.isEmpty()) {
            m_prompter.report(ResourceStrings::text(ResourceStrings::EmptyMessage), Prompter::Icon::Stop);
            return;
        }
        if (const QString problem = MessageTextCheck::problem(to, text, path); !problem.isEmpty()) {
            m_prompter.report(problem, Prompter::Icon::Stop);
            return;
        }
        if (m_messages.QueueMessage(to, text, path, port) == 1) m_text->clear();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void MsgView::reply() {
    const std::optional<MessageRow> row = selectedMessage();
    if (!row) return;
    {
        QMutexLocker locker(&m_messages.listLock());
        if (const MessageRecord* record =
                m_messages.FindMessage(row->key.from, row->key.to, numberOf(row->key.seq))) {
            QStringList paths;
            for (int i = 0; i < record->pathCount && i < MessageRecord::kMaxPaths; ++i)
                paths << record->paths[size_t(i)];
            const int port = record->port;
            setPathEntries(paths);
            if (paths.isEmpty()) m_path->setEditText(QString());
            m_port->setCurrentIndex(m_port->findData(port));
        }
    }
    m_to->setText(row->key.from);
    m_text->setFocus(Qt::OtherFocusReason);
    m_text->selectAll();
}

void MsgView::forward() {
    const std::optional<MessageRow> row = selectedMessage();
    if (!row) return;
    m_text->setText(QStringLiteral("%1:%2").arg(row->key.from, row->text));
    m_text->setFocus(Qt::OtherFocusReason);
    m_text->selectAll();
}

void MsgView::stopSending() {
    const std::optional<MessageRow> row = selectedMessage();
    if (!row || row->key.from != myCall()) return;
    // The manager marks the record stopped and tells the list to refill.
    if (m_messages.StopSending(row->key.to, numberOf(row->key.seq)) == 1)
        m_prompter.report(ResourceStrings::text(ResourceStrings::MessageKilled), Prompter::Icon::Stop);
    else
        m_prompter.report(ResourceStrings::text(ResourceStrings::MessageKillFailed), Prompter::Icon::Stop);
}

void MsgView::showMessageMenu(const QPoint& pos) {
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid()) return;
    m_table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_contextMessage = m_model->rowAt(index.row()).key;
    for (QAction* action : m_menu->actions())
        if (!action->isSeparator()) action->setEnabled(handlesCommand(action->data().toInt()));
    m_menu->popup(m_table->viewport()->mapToGlobal(pos));
}

bool MsgView::handlesCommand(int id) const {
    switch (id) {
    case Command::Reply:
    case Command::Forward:
        return selectedMessage().has_value();
    case Command::StopSending: {
        const auto row = selectedMessage();
        return row && row->key.from == myCall();
    }
    case Command::ViewAllMessages:
    case Command::ViewOnlyMine:
    case Command::ViewOnlyBulletins:
        return true;
    default:
        return false;
    }
}

bool MsgView::isCommandChecked(int id) const {
    switch (id) {
    case Command::ViewAllMessages:
        return m_mode == MessageViewMode::All;
    case Command::ViewOnlyMine:
        return m_mode == MessageViewMode::OnlyMine;
    case Command::ViewOnlyBulletins:
        return m_mode == MessageViewMode::OnlyBulletins;
    default:
        return false;
    }
}

void MsgView::runCommand(int id) {
    try {
        switch (id) {
        case Command::Reply:
            reply();
            break;
        case Command::Forward:
            forward();
            break;
        case Command::StopSending:
            stopSending();
            break;
        case Command::ViewAllMessages:
            refill(MessageViewMode::All);
            break;
        case Command::ViewOnlyMine:
            refill(MessageViewMode::OnlyMine);
            break;
        case Command::ViewOnlyBulletins:
            refill(MessageViewMode::OnlyBulletins);
            break;
        default:
            break;
        }
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
    m_contextMessage.reset();
    notifyCommandsChanged();
}
