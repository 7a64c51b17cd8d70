#pragma once

#include "maps/TileSource.h"
#include "ui/PropertyPage.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class QSpinBox;

// The Maps page: the tile sources the tile map views can show (settings section TILES), with Add...
// for a server of the user's own and Remove for one no longer wanted, the offline switch and the
// size of the tile cache on disk. Changes to the list are written when the sheet is confirmed.
class PropertiesTiles : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesTiles(PropertiesContext& context, QWidget* parent = nullptr);

    void save() override;
    // "Add...": the tile source dialog; the source is written when the sheet is confirmed.
    void addSource();
    // "Remove": the selected source, unless it is the built-in OpenStreetMap source.
    void removeSource();
    const QList<TileSource>& pending() const { return m_pending; }

protected:
    void load() override;

private:
    void listSource(const TileSource& source, bool added);
    void updateButtons();

    QListWidget* m_sources;
    QPushButton* m_add;
    QPushButton* m_remove;
    QCheckBox* m_offline;
    QSpinBox* m_cacheMb;
    QList<TileSource> m_pending;
    QStringList m_removed; // names of written sources to take out
};
