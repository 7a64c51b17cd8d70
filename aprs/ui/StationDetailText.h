#pragma once

#include "platform/SystemTime.h"

#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class QFormLayout;
class StationRecord;

// The texts of the station detail dialogs, one function per field, so that every unit setting's
// format is in one place. Values that were not reported come out as noValue() ("—").
namespace StationDetailText {

QString noValue();
// "%s (%s) %s": call sign, symbol name, Maidenhead locator of the position.
QString caption(const StationRecord& record);
// Short date of the locale and "HH:mm"; "—" for a time never set.
QString heardText(const SystemTime& time);
// The heard-path keys, slot 0 first, up to the first empty slot.
QStringList heardPaths(const StationRecord& record);

// Mobile: SPEED_FORMAT 2 "18.52 Km/h", 3 "11.51 Mi/h", otherwise "10.00 Kn".
QString mobileSpeed(double knots, int speedFormat);
QString course(uint32_t degrees);
// ALTITUDE_FORMAT 6 "%d meters", 9 "%d ft", otherwise empty.
QString mobileHeight(int32_t feet, int altitudeFormat);

// Fixed station PHG; each is empty unless the power is at least 1.
QString phgPower(int32_t watts);
QString phgHeight(int32_t feet, int altitudeFormat); // 6 "~%d m", otherwise "~%d f"
QString phgGain(int32_t db);
// "Omni" for 0, "NE" .. "N" for 45 .. 360 in steps of 45, empty for anything else.
QString phgDirectivity(int32_t degrees);

// Whole hPa of a pressure in tenths; nothing when not reported.
std::optional<int> hectopascals(int32_t tenths);
// °F to the scale of TEMPERATURE_FORMAT (1 °F, otherwise °C).
double temperature(double fahrenheit, int temperatureFormat);
// "WindSpd:%dmph" (3), "WindSpd:%.1fKmh" (2), "WindSpd:%.1fKnt" (4), empty otherwise; "WindSpd:—"
// when the speed was not reported.
QString windText(int32_t mph, int speedFormat);
// Rain in the unit of RAIN_FORMAT: 16 whole mm, otherwise hundredths of an inch.
std::optional<int> rain(int32_t hundredths, int rainFormat);
QString rainUnit(int rainFormat); // "(mm)" or "(in/100)"

} // namespace StationDetailText

// The station's symbol, drawn from the symbol pictures.
class SymbolIcon : public QWidget {
    Q_OBJECT
public:
    SymbolIcon(int table, int code, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {40, 40}; }
    int table() const { return m_table; }
    int code() const { return m_code; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_table;
    int m_code;
};

namespace StationDetailRows {
// A value label: plain text (it comes from the air), selectable, named for tests.
QLabel* value(const QString& objectName, const QString& text, QWidget* parent);
// Lat, Lon, Heard first, Heard last, Status, Beacon.
void addCommon(QFormLayout* form, const StationRecord& record, QWidget* parent);
} // namespace StationDetailRows

class QBoxLayout;
class QDialog;
class QListWidget;

namespace StationDetailRows {
// The symbol and the call sign with the symbol's name, above the fields.
QWidget* header(const StationRecord& record, QWidget* parent);
// The heard paths list.
QListWidget* paths(const StationRecord& record, QWidget* parent);
// The heard paths under their title, then the Close button, ending the dialog's layout.
void addPathsAndClose(QBoxLayout* layout, const StationRecord& record, QDialog* dialog);
} // namespace StationDetailRows
