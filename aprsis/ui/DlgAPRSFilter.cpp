#include "aprsis/ui/DlgAPRSFilter.h"

#include "aprs/StationManager.h"
#include "aprsis/ui/DlgFilterArea.h"
#include "aprsis/ui/DlgFilterBud.h"
#include "aprsis/ui/DlgFilterRange.h"
#include "controls/DialogRunner.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMutexLocker>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Makes the editor of one list, opened on an entry (empty for New).
template <class Dialog>
std::function<std::unique_ptr<FilterEditorDialog>(const QString&)> editorOf(Prompter& prompter,
                                                                            QWidget* parent) {
    return [&prompter, parent](const QString& entry) {
        return std::make_unique<Dialog>(entry, prompter, parent);
    };
}

QLabel* noteLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}
} // namespace

DlgAPRSFilter::DlgAPRSFilter(const QString& filterText, Prompter& prompter, DialogRunner& dialogs,
                             QWidget* parent, StationManager* stations)
    : QDialog(parent), m_prompter(prompter), m_dialogs(dialogs), m_filterText(filterText),
      m_terms(FilterText::split(filterText)) {
    setObjectName(QStringLiteral("DlgAPRSFilter"));
    setWindowTitle(tr("APRS Server Filter Builder (1)"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    addGroup(0, form, tr("&Range:"), QStringLiteral("range"), &FilterTerms::ranges,
             editorOf<DlgFilterRange>(prompter, this));
    addGroup(1, form, tr("&Area:"), QStringLiteral("area"), &FilterTerms::areas,
             editorOf<DlgFilterArea>(prompter, this));
    addGroup(2, form, tr("&Bud List:"), QStringLiteral("bud"), &FilterTerms::buddies,
             editorOf<DlgFilterBud>(prompter, this));

    m_estimateLabel = noteLabel(QStringLiteral("estimate"), this);
    m_keptLabel = noteLabel(QStringLiteral("keptTerms"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(4);
    layout->addWidget(m_estimateLabel);
    layout->addWidget(m_keptLabel);
    layout->addWidget(buttons);

    if (stations) {
        // Records without a position yet sit at 0/0; they would only crowd an area there.
        QMutexLocker locker(&stations->lock());
        m_positions.reserve(static_cast<size_t>(stations->count()));
        for (int i = 0; i < stations->count(); ++i) {
            const StationRecord* r = stations->at(i);
            if (r && (r->latitude != 0 || r->longitude != 0))
                m_positions.push_back({r->latitude, r->longitude});
        }
        m_estimate = true;
    }
    m_estimateLabel->setVisible(m_estimate);
    setMinimumWidth(460);
    updateNotes();
}

DlgAPRSFilter::~DlgAPRSFilter() = default;

void DlgAPRSFilter::addGroup(size_t index, QFormLayout* form, const QString& label, const QString& name,
                             QStringList FilterTerms::*entries, Editor editor) {
    Group& g = m_groups[index];
    g.entries = entries;
    g.editor = std::move(editor);
    g.list = new QListWidget(this);
    g.list->setObjectName(name + QStringLiteral("List"));
    // A few rows each, so the three lists fit one screen.
    g.list->setMinimumHeight(g.list->fontMetrics().height() * 5);
    g.list->setMaximumHeight(g.list->fontMetrics().height() * 8);
    auto* buttonColumn = new QVBoxLayout;
    const std::array<std::pair<QString, void (DlgAPRSFilter::*)(size_t)>, 3> actions{{
        {tr("New"), &DlgAPRSFilter::newEntry},
        {tr("Edit"), &DlgAPRSFilter::editEntry},
        {tr("Delete"), &DlgAPRSFilter::deleteEntry},
    }};
    for (const auto& [text, action] : actions) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name + text);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, index, action = action] { (this->*action)(index); });
        buttonColumn->addWidget(button);
    }
    buttonColumn->addStretch();
    connect(g.list, &QListWidget::itemDoubleClicked, this, [this, index] { editEntry(index); });
    auto* row = new QHBoxLayout;
    row->addWidget(g.list, 1);
    row->addLayout(buttonColumn);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(g.list);
    form->addRow(caption, row);
    showEntries(g);
}

int DlgAPRSFilter::selectedRow(const Group& g) {
    const QList<QListWidgetItem*> selected = g.list->selectedItems();
    if (selected.isEmpty()) {
        m_prompter.report(ResourceStrings::text(ResourceStrings::SelectItemFirst), Prompter::Icon::Stop);
        return -1;
    }
    return g.list->row(selected.front());
}

QString DlgAPRSFilter::runEditor(const Group& g, const QString& entry) {
    const std::unique_ptr<FilterEditorDialog> dialog = g.editor(entry);
    return m_dialogs.run(*dialog) == QDialog::Accepted ? dialog->term() : QString();
}

void DlgAPRSFilter::store(const Group& g, int replaced, const QString& term) {
    if (term.isEmpty()) return;
    QStringList& entries = m_terms.*g.entries;
    if (replaced >= 0) entries.removeAt(replaced);
    entries << term;
    FilterText::sortEntries(entries);
    showEntries(g, term);
}

void DlgAPRSFilter::newEntry(size_t index) {
    const Group& g = m_groups[index];
    store(g, -1, runEditor(g, QString()));
}

void DlgAPRSFilter::editEntry(size_t index) {
    const Group& g = m_groups[index];
    if (const int row = selectedRow(g); row >= 0) store(g, row, runEditor(g, (m_terms.*g.entries).at(row)));
}

void DlgAPRSFilter::deleteEntry(size_t index) {
    const Group& g = m_groups[index];
    const int row = selectedRow(g);
    if (row < 0) return;
    (m_terms.*g.entries).removeAt(row);
    showEntries(g);
}

void DlgAPRSFilter::showEntries(const Group& g, const QString& select) {
    const QStringList& entries = m_terms.*g.entries;
    g.list->clear();
    g.list->addItems(entries);
    if (const auto row = entries.indexOf(select); !select.isEmpty() && row >= 0) g.list->setCurrentRow(row);
    updateNotes();
}

void DlgAPRSFilter::updateNotes() {
    // Before the labels exist, the first fill of the lists has nothing to update.
    if (!m_keptLabel) return;
    FilterTerms kept;
    kept.myRange = m_terms.myRange;
    kept.types = m_terms.types;
    kept.others = m_terms.others;
    const QString keptText = FilterText::build(kept).section(u' ', 1);
    m_keptLabel->setText(tr("Also sent as they are: %1").arg(keptText));
    m_keptLabel->setVisible(!keptText.isEmpty());

    if (!m_estimate) return;
    if (m_terms.ranges.isEmpty() && m_terms.areas.isEmpty()) {
        m_estimateLabel->setText(tr("No range or area yet to estimate the stations from."));
        return;
    }
    const int n = FilterText::countInside(m_terms, m_positions);
    m_estimateLabel->setText(n == 1 ? tr("About 1 station heard so far falls inside this filter.")
                                    : tr("About %1 stations heard so far fall inside this filter.").arg(n));
}

void DlgAPRSFilter::accept() {
    if (FilterText::coversVeryLargeArea(m_terms) &&
        m_prompter.askYesNo(
            tr("This filter covers a very large area. APRS-IS servers may disconnect a station "
               "that pulls too much of the feed. Use it anyway?"),
            Prompter::Icon::Warning) != Prompter::Answer::Yes)
        return;
    m_filterText = FilterText::build(m_terms);
    QDialog::accept();
}
