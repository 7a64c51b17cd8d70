#pragma once

#include "ui/PropertyPage.h"

#include <QByteArray>
#include <optional>

class CColourPicker;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
namespace Settings {
struct Binary;
}

// A font button with the name of the font it keeps beside it. Choosing a font writes it at once,
// whether or not the sheet is confirmed afterwards.
class FontChoice : public QWidget {
public:
    FontChoice(const QString& caption, const Settings::Binary& setting, PropertiesContext& context,
               QWidget* parent = nullptr);
    QPushButton* button() const { return m_button; }
    // Shows the stored font's name.
    void load();
    // "Tahoma, 11 px" and the like; the chooser's starting font when none is stored.
    static QString description(const std::optional<QByteArray>& stored);

private:
    void choose();

    const Settings::Binary& m_setting;
    PropertiesContext& m_context;
    QPushButton* m_button;
    QLabel* m_name;
};

// The Labels page: how the map labels the stations (colours, font, placement, border) and how
// long a station stays on it.
class PropertiesLabels : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesLabels(PropertiesContext& context, QWidget* parent = nullptr);

    QString problem() const override;
    void save() override;

    static constexpr int kMinExpire = 1;
    static constexpr int kMaxExpire = 10080; // a week

protected:
    void load() override;

private:
    CColourPicker* m_textColour;
    CColourPicker* m_backColour;
    FontChoice* m_font;
    QButtonGroup* m_style;
    QComboBox* m_border;
    QSpinBox* m_keep;
};
