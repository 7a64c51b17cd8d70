#pragma once

#include "ui/PropertyPage.h"

#include <QDialog>
#include <vector>

class QTabWidget;

// The "Properties" sheet: Station, Units, Labels, Ports, Other and GPS, in this order. Ok checks
// the pages that were shown, writes them and closes; a page with a problem is brought forward and
// the sheet stays open. Cancel writes nothing (fonts chosen on the way are written at once).
class PropertiesSheet : public QDialog {
    Q_OBJECT
public:
    PropertiesSheet(SettingsStore& settings, Prompter& prompter, DialogRunner& dialogs,
                    const EnginePortList& enginePorts, QWidget* parent = nullptr);

    QTabWidget* pages() const { return m_pages; }
    PropertyPage* page(int index) const;
    int pageCount() const { return static_cast<int>(m_list.size()); }

    void accept() override;

private:
    void addPage(PropertyPage* page);
    static void focusFirstField(QWidget* page);

    PropertiesContext m_context;
    QTabWidget* m_pages;
    std::vector<PropertyPage*> m_list;
};
