#include "aprs/ui/StationListView.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "aprs/ui/StationDetails.h"
#include "controls/CommandMenu.h"
#include "controls/DialogRunner.h"
#include "controls/ListCtrlWidths.h"
#include "gps/CoordText.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/Trace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutexLocker>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStaticText>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {

struct Choice {
    const char* text;
    int value;
};

constexpr Choice kTypeChoices[] = {{"All", -1}, {"Fixed", 0},  {"Mobile", 1}, {"Weather", 2},
                                   {"Digi", 3}, {"TCP/IP", 4}, {"Object", 5}};
constexpr Choice kHeardChoices[] = {
    {"Radio or internet", static_cast<int>(StationFilter::Heard::Anywhere)},
    {"Radio", static_cast<int>(StationFilter::Heard::Radio)},
    {"Internet", static_cast<int>(StationFilter::Heard::Internet)},
    {"Radio and internet", static_cast<int>(StationFilter::Heard::RadioAndInternet)},
};
constexpr Choice kAgeChoices[] = {
    {"Any age", 0}, {"10 min", 10}, {"1 hour", 60}, {"6 hours", 360}, {"24 hours", 1440}};

template <size_t N>
QComboBox* choiceBox(QWidget* parent, const char* name, const QString& toolTip, const Choice (&choices)[N]) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(toolTip);
    for (const Choice& c : choices) box->addItem(StationListView::tr(c.text), c.value);
    return box;
}

// The menu of the station popup, in the order a user reaches for them: look, talk, locate, then
// the destructive entries apart.
constexpr int kMenuCommands[] = {Command::StationDetails, Command::StationSendMessage, Command::FindBestMap,
                                 Command::StationTrack,   Command::Separator,          Command::DeleteTracks,
                                 Command::StationDelete};

// Draws the cells with texts shaped once and kept: a repaint of the visible rows then costs
// glyph blits, not a text layout per cell (the standard delegate lays out every cell anew, several
// times slower). Texts are plain; control characters from the air show as blanks.
class StationCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        QStyleOptionViewItem panel(option);
        panel.features |= QStyleOptionViewItem::HasDisplay;
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

        const bool selected = option.state & QStyle::State_Selected;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
        if (index.column() == StationListModel::Station) {
            const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
            const QSize size = option.decorationSize;
            if (!icon.isNull()) {
                const QRect at(rect.left(), rect.top() + (rect.height() - size.height()) / 2, size.width(),
                               size.height());
                painter->drawPixmap(at, pixmap(icon, size, painter->device()->devicePixelRatioF()));
            }
            rect.setLeft(rect.left() + size.width() + margin + 2);
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty() && rect.width() > 0) paintText(painter, option, index, text, rect, selected);
        paintFocus(painter, option, style);
    }

private:
    void paintText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                   const QString& text, const QRect& rect, bool selected) const {
        if (option.font != m_font) {
            m_texts.clear();
            m_font = option.font;
        }
        const QStaticText& shaped = staticText(text, rect.width(), option.fontMetrics);
        const QSizeF size = shaped.size();
        const bool right = index.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight;
        const qreal x = right ? rect.right() + 1 - size.width() : rect.left();
        const qreal y = rect.top() + (rect.height() - size.height()) / 2;
        painter->save();
        painter->setFont(option.font);
        painter->setPen(
            option.palette.color(option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                                 selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawStaticText(QPointF(x, y), shaped);
        painter->restore();
    }

    // The focus frame after the text, as the standard delegate draws it, so keyboard users see the
    // current cell even without a selection.
    static void paintFocus(QPainter* painter, const QStyleOptionViewItem& option, QStyle* style) {
        if (!(option.state & QStyle::State_HasFocus)) return;
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }

    static constexpr qsizetype kMaxTexts = 4096;

    const QStaticText& staticText(const QString& text, int width, const QFontMetrics& metrics) const {
        auto it = m_texts.find(text);
        if (it == m_texts.end()) {
            if (m_texts.size() >= kMaxTexts) m_texts.clear();
            it = m_texts.insert(text, shape(clean(text)));
        }
        if (it->size().width() <= width) return *it;
        // Too wide: the elided form for this width, kept under its own key.
        const QString key = QString::number(width) + QChar(0xFFFF) + text;
        auto elided = m_texts.find(key);
        if (elided == m_texts.end()) {
            if (m_texts.size() >= kMaxTexts) m_texts.clear();
            elided = m_texts.insert(key, shape(metrics.elidedText(clean(text), Qt::ElideRight, width)));
        }
        return *elided;
    }
    QStaticText shape(const QString& text) const {
        QStaticText shaped(text);
        shaped.setTextFormat(Qt::PlainText);
        shaped.setPerformanceHint(QStaticText::AggressiveCaching);
        shaped.prepare(QTransform(), m_font);
        return shaped;
    }
    static QString clean(QString text) {
        for (QChar& c : text)
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator)
                c = QLatin1Char(' ');
        return text;
    }
    QPixmap pixmap(const QIcon& icon, const QSize& size, qreal dpr) const {
        const qint64 key = icon.cacheKey() ^ (qint64(qRound(dpr * 100)) << 48);
        auto it = m_pixmaps.find(key);
        if (it == m_pixmaps.end()) it = m_pixmaps.insert(key, icon.pixmap(size, dpr));
        return *it;
    }

    mutable QHash<QString, QStaticText> m_texts;
    mutable QHash<qint64, QPixmap> m_pixmaps;
    mutable QFont m_font;
};

} // namespace

StationListView::StationListView(StationManager& stations, StationTracks& tracks, SettingsStore& settings,
                                 Clock& clock, Prompter& prompter, DialogRunner& runner, QWidget* parent)
    : QWidget(parent), m_stations(stations), m_tracks(tracks), m_settings(settings), m_clock(clock),
      m_prompter(prompter), m_runner(runner) {
    setObjectName(QStringLiteral("stationsView"));
    buildControls();
    loadColumnWidths();

    m_refreshTimer = m_clock.createTimer();
    m_refreshTimer->onTimeout = [this] {
        if (isVisible())
            refresh();
        else
            m_stale = true;
        m_refreshTimer->start(kRefreshMs);
    };
    m_refreshTimer->startSingleShot(kFirstRefreshMs);

    m_liveTimer = m_clock.createTimer();
    m_liveTimer->onTimeout = [this] {
        // A reset under a pressed button would end the user's drag selection or column resize.
        if (QGuiApplication::mouseButtons() != Qt::NoButton) {
            m_liveTimer->startSingleShot(kLiveRefreshMs);
            return;
        }
        refresh();
    };

    // Expiry and deletions elsewhere: the rows are copies, so nothing dangles; show the change.
    m_removalObserver = m_stations.addRemovalObserver([this](const StationRecord&) { noteChanged(); });
}

StationListView::~StationListView() {
    m_stations.removeRemovalObserver(m_removalObserver);
    m_refreshTimer->stop();
    m_liveTimer->stop();
    saveColumnWidths();
}

void StationListView::buildControls() {
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setPlaceholderText(tr("Find call or prefix"));
    m_find->setClearButtonEnabled(true);
    m_typeFilter = choiceBox(this, "typeFilter", tr("Station type"), kTypeChoices);
    m_heardFilter = choiceBox(this, "heardFilter", tr("Heard on"), kHeardChoices);
    m_ageFilter = choiceBox(this, "ageFilter", tr("Last heard within"), kAgeChoices);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setTextFormat(Qt::PlainText);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 4);
    bar->addWidget(m_find, 2);
    bar->addWidget(m_typeFilter);
    bar->addWidget(m_heardFilter);
    bar->addWidget(m_ageFilter);
    bar->addWidget(m_count, 1);

    m_model = new StationListModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("stationTable"));
    m_table->setModel(m_model);
    m_table->setItemDelegate(new StationCellDelegate(m_table));
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setIconSize(QSize(16, 16));
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* rows = m_table->verticalHeader();
    rows->hide();
    // Fixed row heights keep a reset of 50,000 rows from measuring each of them.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 4);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    const std::vector<int> widths = initialColumnWidths();
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        header->resizeSection(c, widths[static_cast<size_t>(c)]);
    connect(header, &QHeaderView::sectionClicked, this, &StationListView::sortByColumnClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);
    setFocusProxy(m_table);

    m_menu = makeCommandMenu(
        this, tr("Station"), QStringLiteral("stationMenu"), kMenuId, kMenuCommands,
        [this](int id) { runCommand(id); }, [](int id) { return id == Command::StationTrack; });
    // The entry chosen runs before this queued clearing, so it still finds its station.
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { m_contextStation.reset(); }, Qt::QueuedConnection);
    });

    connect(m_table, &QTableView::customContextMenuRequested, this, &StationListView::showStationMenu);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) openDetails(m_model->rowAt(index.row()).key);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { notifyCommandsChanged(); });

    connect(m_find, &QLineEdit::textChanged, this, &StationListView::filtersChanged);
    connect(m_find, &QLineEdit::returnPressed, this, &StationListView::findNext);
    for (QComboBox* box : {m_typeFilter, m_heardFilter, m_ageFilter})
        connect(box, &QComboBox::currentIndexChanged, this, &StationListView::filtersChanged);

    auto* findKey = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_find->setFocus(Qt::ShortcutFocusReason);
        m_find->selectAll();
    });
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_table, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] {
        if (handlesCommand(Command::StationDelete)) runCommand(Command::StationDelete);
    });
    for (QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* detailsKey = new QShortcut(key, m_table, nullptr, nullptr, Qt::WidgetShortcut);
        connect(detailsKey, &QShortcut::activated, this, [this] {
            if (handlesCommand(Command::StationDetails)) runCommand(Command::StationDetails);
        });
    }
}

// --- column widths

std::vector<int> StationListView::initialColumnWidths() const {
    // The historic widths were made for a small handheld font; a desktop font needs more room for
    // the same texts, so each column is at least as wide as a typical text of it.
    const SystemTime late = SystemTime::fromDateTime(QDateTime(QDate(2026, 12, 31), QTime(23, 59)));
    const QString samples[StationListModel::ColumnCount] = {QStringLiteral("DB0ABC-15"),
                                                            QStringLiteral("Weather Station"),
                                                            QStringLiteral("Weather"),
                                                            StationListModel::distanceText(12345.67, 7),
                                                            StationListModel::latitudeText(-89.99),
                                                            StationListModel::longitudeText(-179.99),
                                                            StationListModel::firstHeardText(late),
                                                            StationListModel::lastHeardText(late),
                                                            QStringLiteral("WIDE1-1,MYGATE"),
                                                            {}};
    const QFontMetrics metrics(m_table->font());
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 8;
    std::vector<int> widths;
    for (int c = 0; c < StationListModel::ColumnCount; ++c) {
        int needed = metrics.horizontalAdvance(samples[c]) + padding;
        if (c == StationListModel::Station) needed += m_table->iconSize().width() + 4;
        widths.push_back(std::max(StationListModel::kInitialWidths[c], needed));
    }
    return widths;
}

void StationListView::loadColumnWidths() {
    const auto widths = ListCtrlWidths::load(m_settings, kListNumber, StationListModel::ColumnCount);
    if (!widths) return;
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        m_table->horizontalHeader()->resizeSection(c, (*widths)[static_cast<size_t>(c)]);
}

void StationListView::saveColumnWidths() {
    std::vector<int> widths;
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        widths.push_back(m_table->horizontalHeader()->sectionSize(c));
    ListCtrlWidths::save(m_settings, kListNumber, widths);
}

// --- refresh

StationFilter StationListView::filter() const {
    StationFilter f;
    f.stationType = m_typeFilter->currentData().toInt();
    f.heard = static_cast<StationFilter::Heard>(m_heardFilter->currentData().toInt());
    f.maxAgeMinutes = m_ageFilter->currentData().toInt();
    f.callPrefix = m_find->text().trimmed();
    return f;
}

void StationListView::refresh() {
    try {
        m_stale = false;
        double ownLatitude = 0, ownLongitude = 0;
        if (auto lat = CoordText::tryFromAprsLatitude(read(m_settings, Settings::POSLATITUDE)))
            ownLatitude = lat->value();
        if (auto lon = CoordText::tryFromAprsLongitude(read(m_settings, Settings::POSLONGITUDE)))
            ownLongitude = lon->value();
        const int distanceFormat = read(m_settings, Settings::DISTANCE_FORMAT);
        const SystemTime now = m_stations.heardTimeNow();
        const qint64 nowMs = now.wallClockSeconds() * 1000 + now.millisecond;

        const std::vector<StationKey> selected = selectedStations();
        const std::optional<StationKey> current = currentStation();
        const std::optional<StationKey> top = topStation();
        auto rows = StationListModel::snapshot(m_stations, ownLatitude, ownLongitude, filter(), nowMs);
        m_model->setRows(std::move(rows), ownLatitude, ownLongitude, distanceFormat);
        restoreView(selected, current, top, false);
        updateCount();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void StationListView::noteChanged() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    if (!m_liveTimer->isActive()) m_liveTimer->startSingleShot(kLiveRefreshMs);
}

void StationListView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void StationListView::filtersChanged() {
    refresh();
}

void StationListView::updateCount() {
    const int total = m_stations.count();
    const int shown = m_model->rowCount();
    m_count->setText(shown == total ? tr("%n station(s)", nullptr, total)
                                    : tr("%1 of %n station(s)", nullptr, total).arg(shown));
}

std::optional<StationKey> StationListView::topStation() const {
    const int row = m_table->rowAt(0);
    if (row < 0 || row >= m_model->rowCount()) return std::nullopt;
    return m_model->rowAt(row).key;
}

void StationListView::restoreView(const std::vector<StationKey>& selected,
                                  const std::optional<StationKey>& current,
                                  const std::optional<StationKey>& top, bool ensureCurrentVisible) {
    QItemSelectionModel* selection = m_table->selectionModel();
    const int lastColumn = StationListModel::ColumnCount - 1;
    QItemSelection rows;
    const std::vector<int> found = m_model->rowsOf(selected);
    // Runs of adjacent rows as one range each: a selection of thousands stays cheap.
    for (size_t i = 0; i < found.size();) {
        size_t j = i;
        while (j + 1 < found.size() && found[j + 1] == found[j] + 1) ++j;
        rows.select(m_model->index(found[i], 0), m_model->index(found[j], lastColumn));
        i = j + 1;
    }
    if (current) {
        const int row = m_model->rowOf(*current);
        if (row >= 0) selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
    }
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    notifyCommandsChanged();

    if (ensureCurrentVisible && current) {
        const int row = m_model->rowOf(*current);
        if (row >= 0) {
            m_table->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
            return;
        }
    }
    if (top) {
        const int row = m_model->rowOf(*top);
        if (row >= 0) m_table->scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
    }
}

// --- selection

std::vector<StationKey> StationListView::selectedStations() const {
    std::vector<StationKey> keys;
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    keys.reserve(static_cast<size_t>(rows.size()));
    for (const QModelIndex& index : rows)
        if (index.row() < m_model->rowCount()) keys.push_back(m_model->rowAt(index.row()).key);
    return keys;
}

std::optional<StationKey> StationListView::currentStation() const {
    if (m_contextStation) return m_contextStation;
    const QItemSelectionModel* selection = m_table->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && current.row() < m_model->rowCount() && selection->isRowSelected(current.row()))
        return m_model->rowAt(current.row()).key;
    const auto selected = selectedStations();
    if (!selected.empty()) return selected.front();
    return std::nullopt;
}

void StationListView::selectStations(const std::vector<StationKey>& keys) {
    restoreView(keys, keys.empty() ? std::nullopt : std::optional<StationKey>(keys.front()), std::nullopt,
                true);
}

void StationListView::sortByColumnClick(int column) {
    const Qt::SortOrder order = column == m_model->sortColumn() && m_model->sortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    const std::vector<StationKey> selected = selectedStations();
    const std::optional<StationKey> current = currentStation();
    const std::optional<StationKey> top = topStation();
    m_model->sort(column, order);
    m_table->horizontalHeader()->setSortIndicator(m_model->sortColumn(), order);
    restoreView(selected, current, top, true);
}

void StationListView::findNext() {
    if (m_model->rowCount() == 0) return;
    // Every row shown matches the find text: step to the next one, wrapping round.
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    const int row = current.isValid() ? (current.row() + 1) % m_model->rowCount() : 0;
    selectStations({m_model->rowAt(row).key});
    m_table->setFocus(Qt::OtherFocusReason);
}

// --- commands

void StationListView::showStationMenu(const QPoint& pos) {
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid()) return;
    const StationKey key = m_model->rowAt(index.row()).key;
    if (!key.find(m_stations)) return;
    // A right click outside the selection selects that row alone, as a file manager does.
    if (!m_table->selectionModel()->isRowSelected(index.row()))
        m_table->selectionModel()->select(index,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    m_contextStation = key;
    for (QAction* action : m_menu->actions()) {
        if (action->isSeparator()) continue;
        const int id = action->data().toInt();
        action->setEnabled(handlesCommand(id));
        action->setChecked(isCommandChecked(id));
    }
    m_menu->popup(m_table->viewport()->mapToGlobal(pos));
}

bool StationListView::handlesCommand(int id) const {
    switch (id) {
    case Command::StationDetails:
    case Command::StationSendMessage:
    case Command::FindBestMap:
    case Command::StationTrack:
        return currentStation().has_value();
    case Command::StationDelete:
        return m_contextStation || m_table->selectionModel()->hasSelection();
    case Command::DeleteTracks:
        return true;
    default:
        return false;
    }
}

bool StationListView::isCommandChecked(int id) const {
    if (id != Command::StationTrack) return false;
    const auto key = currentStation();
    if (!key) return false;
    QMutexLocker locker(&m_stations.lock());
    const StationRecord* record = key->find(m_stations);
    return record && record->showTrack;
}

void StationListView::runCommand(int id) {
    try {
        const std::optional<StationKey> key = currentStation();
        // Collected before anything runs: the delete removes exactly the stations selected now.
        const std::vector<StationKey> selected = selectedStations();
        m_contextStation.reset();
        switch (id) {
        case Command::StationDetails:
            if (key) openDetails(*key);
            break;
        case Command::StationSendMessage:
            if (key) emit sendMessageRequested(key->call);
            break;
        case Command::FindBestMap:
            if (key) emit findBestMapRequested(key->call);
            break;
        case Command::StationTrack:
            if (key) toggleTrack(*key);
            break;
        case Command::StationDelete:
            deleteStations(selected.empty() && key ? std::vector<StationKey>{*key} : selected);
            break;
        case Command::DeleteTracks:
            deleteTracks(key);
            break;
        default:
            break;
        }
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
    notifyCommandsChanged();
}

void StationListView::openDetails(const StationKey& key) {
    if (openStationDetails(this, m_stations, m_tracks, m_settings, m_runner, key.call) !=
        StationDetails::kNoStation)
        return;
    m_prompter.report(tr("%1 is no longer in the station list.").arg(key.call), Prompter::Icon::Information);
    refresh();
}

void StationListView::deleteStations(const std::vector<StationKey>& keys) {
    if (keys.empty()) return;
    {
        QMutexLocker locker(&m_stations.lock());
        // Each looked up again: a station that expired since the selection is simply gone.
        for (const StationKey& key : keys)
            if (StationRecord* record = key.find(m_stations)) m_stations.Remove(record);
    }
    refresh();
}

void StationListView::toggleTrack(const StationKey& key) {
    bool shown = false;
    {
        QMutexLocker locker(&m_stations.lock());
        StationRecord* record = key.find(m_stations);
        if (!record) return;
        record->showTrack = record->showTrack ? 0 : 1;
        shown = record->showTrack != 0;
    }
    emit trackToggled(key.call, shown);
}

void StationListView::deleteTracks(const std::optional<StationKey>& key) {
    // No station chosen: the dialog trims every station's track.
    runDeleteTracks(this, m_stations, m_tracks, m_runner, key ? key->call : QString());
}
