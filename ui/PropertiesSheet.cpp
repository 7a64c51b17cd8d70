#include "ui/PropertiesSheet.h"

#include "platform/Prompter.h"
#include "platform/SettingsStore.h"
#include "ui/PropertiesGPS.h"
#include "ui/PropertiesLabels.h"
#include "ui/PropertiesOther.h"
#include "ui/PropertiesPacket.h"
#include "ui/PropertiesStation.h"
#include "ui/PropertiesTiles.h"
#include "ui/PropertiesUnits.h"

#include <QDialogButtonBox>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

PropertiesSheet::PropertiesSheet(SettingsStore& settings, Prompter& prompter, DialogRunner& dialogs,
                                 const EnginePortList& enginePorts, QWidget* parent)
    : QDialog(parent), m_context{settings, prompter, dialogs, enginePorts}, m_pages(new QTabWidget(this)) {
    setObjectName(QStringLiteral("properties"));
    setWindowTitle(QStringLiteral("Properties"));
    m_pages->setObjectName(QStringLiteral("propertyPages"));
    addPage(new PropertiesStation(m_context, m_pages));
    addPage(new PropertiesUnits(m_context, m_pages));
    addPage(new PropertiesLabels(m_context, m_pages));
    addPage(new PropertiesPacket(m_context, m_pages));
    addPage(new PropertiesOther(m_context, m_pages));
    addPage(new PropertiesGPS(m_context, m_pages));
    addPage(new PropertiesTiles(m_context, m_pages));
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        PropertyPage* p = page(index);
        if (!p) return;
        p->ensureLoaded();
        // The focus follows to the new page, so Ctrl+Tab goes on to the next one and typing lands
        // in the page's first field.
        focusFirstField(p);
    });
    m_list.front()->ensureLoaded();
    // Page to page from any field: a drop-down or list would otherwise keep Ctrl+Tab to itself.
    const auto step = [this](int by) {
        m_pages->setCurrentIndex((m_pages->currentIndex() + by + m_pages->count()) % m_pages->count());
    };
    for (const QKeySequence& next :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        connect(new QShortcut(next, this), &QShortcut::activated, this, [step] { step(1); });
    for (const QKeySequence& back :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        connect(new QShortcut(back, this), &QShortcut::activated, this, [step] { step(-1); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PropertiesSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PropertiesSheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    resize(640, 560);
}

void PropertiesSheet::focusFirstField(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w)) break;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void PropertiesSheet::addPage(PropertyPage* page) {
    m_list.push_back(page);
    m_pages->addTab(page, page->title());
}

PropertyPage* PropertiesSheet::page(int index) const {
    return index >= 0 && index < pageCount() ? m_list[static_cast<size_t>(index)] : nullptr;
}

void PropertiesSheet::accept() {
    for (int i = 0; i < pageCount(); ++i) {
        PropertyPage* p = m_list[static_cast<size_t>(i)];
        if (!p->isLoaded()) continue;
        const QString problem = p->problem();
        if (problem.isEmpty()) continue;
        m_pages->setCurrentIndex(i);
        m_context.prompter.report(problem, Prompter::Icon::Stop);
        return;
    }
    for (PropertyPage* p : m_list)
        if (p->isLoaded()) p->save();
    QDialog::accept();
}
