#include "ui/PropertiesTiles.h"

#include "controls/DialogRunner.h"
#include "maps/ui/DlgTileSource.h"
#include "platform/SettingsStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int kNameRole = Qt::UserRole;
constexpr int kAddedRole = Qt::UserRole + 1;
constexpr int kBuiltInRole = Qt::UserRole + 2;
} // namespace

PropertiesTiles::PropertiesTiles(PropertiesContext& context, QWidget* parent)
    : PropertyPage(tr("Maps"), context, parent), m_sources(new QListWidget(this)),
      m_add(new QPushButton(tr("Add..."), this)), m_remove(new QPushButton(tr("Remove"), this)),
      m_offline(new QCheckBox(tr("Work offline: tile maps show only tiles saved on disk"), this)),
      m_cacheMb(new QSpinBox(this)) {
    setObjectName(QStringLiteral("PropertiesTiles"));
    m_sources->setObjectName(QStringLiteral("tileSources"));
    m_add->setObjectName(QStringLiteral("addTileSource"));
    m_remove->setObjectName(QStringLiteral("removeTileSource"));
    m_offline->setObjectName(QStringLiteral("tilesOffline"));
    m_cacheMb->setObjectName(QStringLiteral("tileCacheMb"));
    m_cacheMb->setRange(10, 100 * 1024);
    m_cacheMb->setSuffix(tr(" MB"));

    auto* sources = new QGroupBox(tr("Tile sources"), this);
    auto* sourceRow = new QHBoxLayout(sources);
    sourceRow->addWidget(m_sources, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    sourceRow->addLayout(buttons);

    auto* cacheForm = new QFormLayout;
    cacheForm->addRow(m_offline);
    cacheForm->addRow(tr("Tile cache on disk, at most"), m_cacheMb);
    auto* note =
        new QLabel(tr("OpenStreetMap's tile servers are run by volunteers and forbid bulk downloads; "
                      "what you look at is kept on disk as their headers allow."),
                   this);
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sources, 1);
    layout->addLayout(cacheForm);
    layout->addWidget(note);
    connect(m_add, &QPushButton::clicked, this, &PropertiesTiles::addSource);
    connect(m_remove, &QPushButton::clicked, this, &PropertiesTiles::removeSource);
    connect(m_sources, &QListWidget::currentRowChanged, this, &PropertiesTiles::updateButtons);
    setTabOrder(m_sources, m_add);
    setTabOrder(m_add, m_remove);
    setTabOrder(m_remove, m_offline);
    updateButtons();
    setTabOrder(m_offline, m_cacheMb);
}

void PropertiesTiles::listSource(const TileSource& source, bool added) {
    const QString host = QUrl(source.urlTemplate).host();
    auto* item = new QListWidgetItem(added ? tr("%1 (%2, added)").arg(source.name, host)
                                           : tr("%1 (%2)").arg(source.name, host),
                                     m_sources);
    // A tooltip of plain text: the template comes from a settings file.
    item->setToolTip(source.urlTemplate.toHtmlEscaped());
    item->setData(kNameRole, source.name);
    item->setData(kAddedRole, added);
    // The built-in source stays: it is what a tile map opens on.
    item->setData(kBuiltInRole, !added && source.name == TileSources::kOpenStreetMapName &&
                                    source.urlTemplate == TileSources::openStreetMap().urlTemplate);
}

void PropertiesTiles::updateButtons() {
    const QListWidgetItem* item = m_sources->currentItem();
    m_remove->setEnabled(item && !item->data(kBuiltInRole).toBool());
}

void PropertiesTiles::removeSource() {
    QListWidgetItem* item = m_sources->currentItem();
    if (!item || item->data(kBuiltInRole).toBool()) return;
    const QString name = item->data(kNameRole).toString();
    if (item->data(kAddedRole).toBool()) {
        for (qsizetype i = 0; i < m_pending.size(); ++i) {
            if (m_pending[i].name == name) {
                m_pending.removeAt(i);
                break;
            }
        }
    } else {
        m_removed.append(name);
    }
    delete item;
    updateButtons();
}

void PropertiesTiles::load() {
    m_sources->clear();
    m_removed.clear();
    for (const TileSource& s : TileSources::read(settings())) listSource(s, false);
    m_offline->setChecked(TileSources::offline(settings()));
    m_cacheMb->setValue(int(TileSources::cacheBytes(settings()) / (1024 * 1024)));
    updateButtons();
}

void PropertiesTiles::addSource() {
    QStringList taken;
    for (const TileSource& s : m_pending) taken << s.name;
    // A source taken out keeps its name until the sheet is confirmed: the dialog refuses it till then.
    DlgTileSource dialog(settings(), this, false, taken);
    if (context().dialogs.run(dialog) != QDialog::Accepted) return;
    m_pending.append(dialog.source());
    listSource(m_pending.back(), true);
}

void PropertiesTiles::save() {
    TileSources::setOffline(settings(), m_offline->isChecked());
    settings().writeInt(TileSources::kSection, QStringLiteral("CACHEMB"), m_cacheMb->value());
    for (const QString& name : m_removed) TileSources::remove(settings(), name);
    m_removed.clear();
    for (const TileSource& s : m_pending) TileSources::add(settings(), s);
    m_pending.clear();
}
