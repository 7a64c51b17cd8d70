#pragma once

#include "ui/PropertyPage.h"

#include <vector>

class CColourPicker;
class FontChoice;
class QLineEdit;
class QSpinBox;
namespace Settings {
struct Int;
}

// The Other page: where the packet engine runs, and the monitor's and the maps' fonts and colours.
class PropertiesOther : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesOther(PropertiesContext& context, QWidget* parent = nullptr);

    QString problem() const override;
    void save() override;

protected:
    void load() override;

private:
    struct ColourSetting {
        CColourPicker* picker;
        const Settings::Int& setting;
    };
    CColourPicker* addColour(const char* name, const Settings::Int& setting);

    QLineEdit* m_host;
    QSpinBox* m_port;
    FontChoice* m_monitorFont;
    FontChoice* m_mapLabelFont;
    std::vector<ColourSetting> m_colours;
};
