#pragma once

#include "ui/PropertyPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class ZelMFCFullMask;

// The Station page: the own call, position, symbol, position text and period, and the stored
// locations the user can switch between.
class PropertiesStation : public PropertyPage {
    Q_OBJECT
public:
    explicit PropertiesStation(PropertiesContext& context, QWidget* parent = nullptr);

    QString problem() const override;
    void save() override;

    static constexpr int kMaxLocations = 1000;
    // The position of a stored decimal text; 0 when it is not a number or out of range.
    static double storedCoordinate(const QString& text, double limit);

protected:
    void load() override;

private:
    void showLocation(int number);
    void showValues(const QString& call, double latitude, double longitude, const QString& text, int every,
                    int table, int index);
    void addLocation();
    // The location whose values Save writes: the selected one, else the one whose name is being
    // edited; -1 for neither.
    int locationNumber() const;

    QComboBox* m_location;
    QLineEdit* m_call;
    ZelMFCFullMask* m_latitude;
    ZelMFCFullMask* m_longitude;
    QComboBox* m_symbol;
    QLineEdit* m_text;
    QSpinBox* m_every;
    QCheckBox* m_beep;
    int m_editedNumber = -1;
};
