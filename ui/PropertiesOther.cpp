#include "ui/PropertiesOther.h"

#include "controls/CColourPicker.h"
#include "platform/Settings.h"
#include "platform/TextRules.h"
#include "ui/PropertiesLabels.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kMaxTcpPort = 65535;
} // namespace

PropertiesOther::PropertiesOther(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("Other"), context, parent), m_host(new QLineEdit(this)),
      m_port(new QSpinBox(this)),
      m_monitorFont(new FontChoice(QStringLiteral("Fonts"), Settings::MONITORTEXTFONT, context, this)),
      m_mapLabelFont(new FontChoice(QStringLiteral("LabelFont"), Settings::MAPLABELFONT, context, this)) {
    setObjectName(QStringLiteral("PropertiesOther"));
    m_host->setObjectName(QStringLiteral("engineHost"));
    m_host->setPlaceholderText(tr("host name or address"));
    m_port->setObjectName(QStringLiteral("enginePort"));
    m_port->setRange(1, kMaxTcpPort);
    m_monitorFont->button()->setObjectName(QStringLiteral("monitorFont"));
    m_mapLabelFont->button()->setObjectName(QStringLiteral("mapLabelFont"));

    auto* engineRow = new QHBoxLayout;
    engineRow->addWidget(m_host, 1);
    engineRow->addWidget(new QLabel(QStringLiteral("Port"), this));
    engineRow->addWidget(m_port);
    auto* engineForm = new QFormLayout;
    engineForm->addRow(QStringLiteral("Packet Engine"), engineRow);

    // Tab order follows the rows as they are laid out.
    std::vector<QWidget*> order{m_host, m_port, m_monitorFont->button()};
    auto colour = [this, &order](const char* name, const Settings::Int& setting) {
        CColourPicker* picker = addColour(name, setting);
        order.push_back(picker);
        return picker;
    };
    auto* monitor = new QGroupBox(tr("Monitor"), this);
    auto* monitorForm = new QFormLayout(monitor);
    monitorForm->addRow(m_monitorFont);
    monitorForm->addRow(QStringLiteral("MyColor"), colour("monitorMyColour", Settings::MONITORMYCOLOR));
    monitorForm->addRow(QStringLiteral("TxColor"), colour("monitorTxColour", Settings::MONITORTXCOLOR));
    monitorForm->addRow(QStringLiteral("Header"), colour("monitorHeadColour", Settings::MONITORHEADCOLOR));

    auto* maps = new QGroupBox(tr("Maps"), this);
    auto* mapForm = new QFormLayout(maps);
    mapForm->addRow(QStringLiteral("FillColor"), colour("mapFillColour", Settings::MAPFILLCOLOR));
    mapForm->addRow(QStringLiteral("LineColor"), colour("mapLineColour", Settings::MAPLINECOLOR));
    mapForm->addRow(QStringLiteral("BackColor"), colour("mapBackColour", Settings::MAPBACKCOLOR));
    mapForm->addRow(m_mapLabelFont);
    order.push_back(m_mapLabelFont->button());
    mapForm->addRow(QStringLiteral("LabelCol"), colour("mapLabelColour", Settings::MAPLABELCOLOR));
    mapForm->addRow(QStringLiteral("TrackCol"), colour("trackColour", Settings::TRACKCOLOR));
    mapForm->addRow(QStringLiteral("AlarmCol"), colour("alarmColour", Settings::ALARMCOLOR));

    auto* groups = new QHBoxLayout;
    groups->addWidget(monitor, 1, Qt::AlignTop);
    groups->addWidget(maps, 1, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(engineForm);
    layout->addLayout(groups);
    layout->addStretch();

    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

CColourPicker* PropertiesOther::addColour(const char* name, const Settings::Int& setting) {
    auto* picker = new CColourPicker(this);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setDialogRunner(&context().dialogs);
    m_colours.push_back({picker, setting});
    return picker;
}

void PropertiesOther::load() {
    const SettingsStore& s = settings();
    m_host->setText(read(s, Settings::ComputerName));
    m_port->setValue(std::clamp(read(s, Settings::Port), 1, kMaxTcpPort));
    m_monitorFont->load();
    m_mapLabelFont->load();
    for (const ColourSetting& c : m_colours) c.picker->load(s, c.setting);
}

QString PropertiesOther::problem() const {
    const QString host = m_host->text().trimmed();
    if (host.isEmpty() || host.contains(QLatin1Char(' ')) || TextRules::hasControlCharacter(host))
        return tr("Packet Engine must be the host name or address of the computer the packet engine runs on, "
                  "without blanks.");
    if (!m_port->hasAcceptableInput()) return tr("Port must be between 1 and %1.").arg(kMaxTcpPort);
    return {};
}

void PropertiesOther::save() {
    SettingsStore& s = settings();
    write(s, Settings::ComputerName, m_host->text().trimmed());
    write(s, Settings::Port, m_port->value());
    for (const ColourSetting& c : m_colours) c.picker->save(s, c.setting);
}
