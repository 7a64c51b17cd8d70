#pragma once

#include "maps/TileSource.h"

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class SettingsStore;

// "Add Tile Source...": a tile server of the user's own (a club's server, a topographic map), added
// to settings section TILES after the sources there. OK stays refused, with the reason shown,
// until the name is new and the address a usable http(s) template with {z}, {x} and {y}.
class DlgTileSource : public QDialog {
    Q_OBJECT
public:
    // storeOnAccept: OK writes the source to the settings; otherwise the caller takes source()
    // (the setup sheet writes it when the sheet is confirmed). taken: names not yet stored but in use.
    explicit DlgTileSource(SettingsStore& settings, QWidget* parent = nullptr, bool storeOnAccept = true,
                           QStringList taken = {});

    TileSource source() const;
    // Why the entry cannot be added yet; empty when it can.
    QString problem() const;
    // The added source's name after OK.
    const QString& added() const { return m_added; }

    void accept() override;

private:
    void check();

    SettingsStore& m_settings;
    bool m_storeOnAccept;
    QStringList m_taken;
    QLineEdit* m_name;
    QLineEdit* m_url;
    QSpinBox* m_maxZoom;
    QLineEdit* m_attribution;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
    QString m_added;
};
