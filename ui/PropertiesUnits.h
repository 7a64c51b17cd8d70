#pragma once

#include "ui/PropertyPage.h"

class QComboBox;

// The Units page: how speeds, lengths, temperatures, altitudes and rain are shown.
class PropertiesUnits : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesUnits(PropertiesContext& context, QWidget* parent = nullptr);
    void save() override;
    // The two quick choices; they only change the selections.
    void selectMetric();
    void selectImperial();

protected:
    void load() override;

private:
    QComboBox* m_speed;
    QComboBox* m_length;
    QComboBox* m_temperature;
    QComboBox* m_altitude;
    QComboBox* m_rain;
};
