#pragma once

#include "ui/PropertyPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

// The GPS page: the mobile station's call, symbol, path and status text, when it sends a position
// report (by time, distance travelled or change of heading) and on which ports.
class PropertiesGPS : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesGPS(PropertiesContext& context, QWidget* parent = nullptr);

    QString problem() const override;
    void save() override;

    static constexpr int kMaxPeriod = 1440;
    static constexpr int kMaxDistanceKm = 1000;
    static constexpr int kMaxAngle = 359;

protected:
    void load() override;

private:
    bool showsMiles() const;
    int storedDistanceKm() const;

    QLineEdit* m_call;
    QComboBox* m_symbol;
    QSpinBox* m_every;
    QSpinBox* m_distance;
    QLabel* m_distanceUnit;
    QSpinBox* m_angle;
    QLineEdit* m_via;
    QLineEdit* m_status;
    QCheckBox* m_beep;
    QListWidget* m_ports;
    // The distance as loaded, in the unit shown: unchanged, the stored kilometres are kept as they
    // are rather than going through a rounded conversion.
    int m_loadedDistance = 0;
};
