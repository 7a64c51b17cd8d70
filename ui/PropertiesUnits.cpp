#include "ui/PropertiesUnits.h"

#include "platform/ResourceStrings.h"
#include "platform/Settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <initializer_list>
#include <utility>

namespace {
QComboBox* unitList(QWidget* parent, const char* name, std::initializer_list<std::pair<QString, int>> items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    for (const auto& [text, code] : items) list->addItem(text, code);
    return list;
}

void selectCode(QComboBox* list, int code) {
    list->setCurrentIndex(list->findData(code));
}

int selectedCode(const QComboBox* list, int fallback) {
    return list->currentIndex() >= 0 ? list->currentData().toInt() : fallback;
}
} // namespace

PropertiesUnits::PropertiesUnits(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("Units"), context, parent) {
    setObjectName(QStringLiteral("PropertiesUnits"));
    using ResourceStrings::text;
    m_speed =
        unitList(this, "speed",
                 {{QStringLiteral("Km/H"), 2}, {QStringLiteral("mph"), 3}, {QStringLiteral("Knots"), 4}});
    m_length = unitList(this, "length",
                        {{QStringLiteral("cm"), 5},
                         {QStringLiteral("meters"), 6},
                         {QStringLiteral("Kmeters"), 7},
                         {QStringLiteral("inches"), 8},
                         {QStringLiteral("feet"), 9},
                         {text(ResourceStrings::Miles), 10}});
    m_temperature =
        unitList(this, "temperature", {{QStringLiteral("Celsius"), 0}, {QStringLiteral("Fahrenheit"), 1}});
    m_altitude = unitList(this, "altitude", {{QStringLiteral("Feet"), 9}, {QStringLiteral("meters"), 6}});
    m_rain =
        unitList(this, "rain",
                 {{text(ResourceStrings::HundredthsOfAnInch), 17}, {text(ResourceStrings::Millimetres), 16}});
    auto* metric = new QPushButton(QStringLiteral("Metric"), this);
    metric->setObjectName(QStringLiteral("metric"));
    auto* imperial = new QPushButton(QStringLiteral("Imperial"), this);
    imperial->setObjectName(QStringLiteral("imperial"));
    connect(metric, &QPushButton::clicked, this, &PropertiesUnits::selectMetric);
    connect(imperial, &QPushButton::clicked, this, &PropertiesUnits::selectImperial);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Speed"), m_speed);
    form->addRow(tr("Length"), m_length);
    form->addRow(tr("Temperature"), m_temperature);
    form->addRow(tr("Altitude"), m_altitude);
    form->addRow(tr("Rain"), m_rain);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(metric);
    buttons->addWidget(imperial);
    buttons->addStretch();
    form->addRow(QString(), buttons);
}

void PropertiesUnits::load() {
    SettingsStore& s = settings();
    selectCode(m_speed, read(s, Settings::SPEED_FORMAT_UNITS));
    selectCode(m_length, read(s, Settings::DISTANCE_FORMAT));
    selectCode(m_temperature, read(s, Settings::TEMPERATURE_FORMAT_UNITS));
    selectCode(m_altitude, read(s, Settings::ALTITUDE_FORMAT));
    selectCode(m_rain, read(s, Settings::RAIN_FORMAT));
}

void PropertiesUnits::selectMetric() {
    selectCode(m_speed, 2);
    selectCode(m_temperature, 0);
    selectCode(m_length, 7);
    selectCode(m_altitude, 6);
    selectCode(m_rain, 16);
}

void PropertiesUnits::selectImperial() {
    selectCode(m_speed, 3);
    selectCode(m_temperature, 1);
    selectCode(m_length, 10);
    selectCode(m_altitude, 9);
    selectCode(m_rain, 17);
}

void PropertiesUnits::save() {
    SettingsStore& s = settings();
    // A list with nothing selected keeps its stored value.
    write(s, Settings::SPEED_FORMAT_UNITS, selectedCode(m_speed, read(s, Settings::SPEED_FORMAT_UNITS)));
    write(s, Settings::DISTANCE_FORMAT, selectedCode(m_length, read(s, Settings::DISTANCE_FORMAT)));
    write(s, Settings::TEMPERATURE_FORMAT_UNITS,
          selectedCode(m_temperature, read(s, Settings::TEMPERATURE_FORMAT_UNITS)));
    write(s, Settings::ALTITUDE_FORMAT, selectedCode(m_altitude, read(s, Settings::ALTITUDE_FORMAT)));
    write(s, Settings::RAIN_FORMAT, selectedCode(m_rain, read(s, Settings::RAIN_FORMAT)));
}
