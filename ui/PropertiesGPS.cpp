#include "ui/PropertiesGPS.h"

#include "gps/Units.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/TextRules.h"
#include "ui/PropertiesPacket.h"
#include "ui/SymbolList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <set>

namespace {
constexpr int kServerPort = -1;

int kmToShownMiles(int km) {
    return static_cast<int>(std::lround(Units::kmToMiles(km)));
}
int milesToKm(int miles) {
    return static_cast<int>(std::lround(miles / Units::kKmToMiles));
}
} // namespace

PropertiesGPS::PropertiesGPS(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("GPS"), context, parent), m_call(new QLineEdit(this)),
      m_symbol(new QComboBox(this)), m_every(new QSpinBox(this)), m_distance(new QSpinBox(this)),
      m_distanceUnit(new QLabel(this)), m_angle(new QSpinBox(this)), m_via(new QLineEdit(this)),
      m_status(new QLineEdit(this)),
      m_beep(new QCheckBox(QStringLiteral("Beep When MyPacket is Digipeated"), this)),
      m_ports(new QListWidget(this)) {
    setObjectName(QStringLiteral("PropertiesGPS"));
    m_call->setObjectName(QStringLiteral("gpsCall"));
    m_call->setMaxLength(9);
    m_call->setPlaceholderText(tr("the mobile call sign, e.g. N0CALL-9"));
    PropertiesPacket::upperCaseAsTyped(m_call);
    m_symbol->setObjectName(QStringLiteral("gpsIcon"));
    SymbolList::fill(m_symbol);
    m_every->setObjectName(QStringLiteral("gpsTxEvery"));
    m_every->setRange(0, kMaxPeriod);
    m_every->setSuffix(QStringLiteral(" Min"));
    m_every->setSpecialValueText(tr("Never"));
    m_distance->setObjectName(QStringLiteral("gpsDistance"));
    m_distanceUnit->setObjectName(QStringLiteral("gpsDistanceUnit"));
    m_angle->setObjectName(QStringLiteral("gpsAngle"));
    m_angle->setRange(0, kMaxAngle);
    m_angle->setSuffix(QStringLiteral("°"));
    m_via->setObjectName(QStringLiteral("gpsVia"));
    m_via->setPlaceholderText(tr("e.g. WIDE1-1,WIDE2-1"));
    PropertiesPacket::upperCaseAsTyped(m_via);
    m_status->setObjectName(QStringLiteral("gpsStatus"));
    m_beep->setObjectName(QStringLiteral("gpsBeep"));
    m_ports->setObjectName(QStringLiteral("gpsPorts"));

    auto* station = new QFormLayout;
    station->addRow(QStringLiteral("CallSign"), m_call);
    station->addRow(QStringLiteral("Icon"), m_symbol);
    station->addRow(QStringLiteral("Via"), m_via);
    station->addRow(QStringLiteral("Status"), m_status);
    station->addRow(QString(), m_beep);

    auto* reports = new QGroupBox(tr("Position reports"), this);
    auto* distanceRow = new QHBoxLayout;
    distanceRow->addWidget(m_distance, 1);
    distanceRow->addWidget(m_distanceUnit);
    auto* reportForm = new QFormLayout(reports);
    reportForm->addRow(QStringLiteral("Tx Every Min or"), m_every);
    reportForm->addRow(QStringLiteral("Distance"), distanceRow);
    reportForm->addRow(QStringLiteral("Angle"), m_angle);

    auto* portsBox = new QGroupBox(tr("Send on"), this);
    auto* portsLayout = new QVBoxLayout(portsBox);
    portsLayout->addWidget(m_ports);

    auto* lower = new QHBoxLayout;
    lower->addWidget(reports, 1, Qt::AlignTop);
    lower->addWidget(portsBox, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(station);
    layout->addLayout(lower, 1);

    QWidget* order[] = {m_call, m_symbol, m_via, m_status, m_beep, m_every, m_distance, m_angle, m_ports};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

bool PropertiesGPS::showsMiles() const {
    return read(settings(), Settings::DISTANCE_FORMAT) >= Units::Inches;
}

int PropertiesGPS::storedDistanceKm() const {
    return std::clamp(read(settings(), Settings::TXEVERYDISTANCE), 1, kMaxDistanceKm);
}

void PropertiesGPS::load() {
    const SettingsStore& s = settings();
    m_call->setText(read(s, Settings::GPS_CALL));
    SymbolList::select(m_symbol, read(s, Settings::GPS_POSICONTABLE), read(s, Settings::GPS_POSICON));
    m_every->setValue(std::clamp(read(s, Settings::TXEVERYTIME), 0, kMaxPeriod));
    // The rule counts kilometres; a station that shows miles edits the same distance in miles.
    const bool miles = showsMiles();
    m_distanceUnit->setText(miles ? ResourceStrings::text(ResourceStrings::Miles) : QStringLiteral("Km"));
    m_distance->setRange(1, miles ? kmToShownMiles(kMaxDistanceKm) : kMaxDistanceKm);
    m_distance->setValue(miles ? kmToShownMiles(storedDistanceKm()) : storedDistanceKm());
    m_loadedDistance = m_distance->value();
    m_angle->setValue(std::clamp(read(s, Settings::TXEVERYANGLE), 0, kMaxAngle));
    m_via->setText(read(s, Settings::GPS_VIAPATH));
    m_status->setText(read(s, Settings::GPS_STATUS));
    m_beep->setChecked(read(s, Settings::GPS_DIGIBEEP) != 0);

    std::set<int> checked;
    for (const QString& token :
         read(s, Settings::RADIOPORTSTX_SETUP).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int port = token.trimmed().toInt(&ok);
        if (ok && port >= kServerPort && port < EnginePortList::kMaxPorts) checked.insert(port);
    }
    const EnginePortList& engine = context().enginePorts;
    const int count = std::clamp(engine.count, 0, EnginePortList::kMaxPorts);
    auto addPort = [this, &checked](int port, const QString& text) {
        auto* item = new QListWidgetItem(text, m_ports);
        item->setData(Qt::UserRole, port);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(checked.count(port) != 0 ? Qt::Checked : Qt::Unchecked);
    };
    addPort(kServerPort, QStringLiteral("APRS SERVER"));
    for (int port = 0; port < count; ++port) {
        const QString description = engine.description(port).trimmed();
        addPort(port, description.isEmpty() ? tr("Port %1").arg(port) : description);
    }
    // Ports the engine did not report now (it may be down) stay listed, so Ok does not drop them.
    for (int port : checked)
        if (port >= count) addPort(port, tr("Port %1 (not reported by the engine)").arg(port));
}

QString PropertiesGPS::problem() const {
    if (!TextRules::isCallSign(m_call->text().trimmed()))
        return tr("CallSign must be a call sign of 1 to 9 letters and digits, with an optional SSID after "
                  "\"-\" (for example N0CALL-9), or NOCALL.");
    if (!m_every->hasAcceptableInput())
        return tr("Tx Every must be between 0 (never) and %1 minutes.").arg(kMaxPeriod);
    if (!m_distance->hasAcceptableInput())
        return tr("Distance must be between %1 and %2 %3.")
            .arg(m_distance->minimum())
            .arg(m_distance->maximum())
            .arg(m_distanceUnit->text());
    if (!m_angle->hasAcceptableInput()) return tr("Angle must be between 0 and %1.").arg(kMaxAngle);
    if (TextRules::hasControlCharacter(m_via->text()))
        return tr("The path must not hold line breaks or other control characters.");
    const QString path = PropertiesPacket::pathProblem(m_via->text().trimmed());
    if (!path.isEmpty()) return path;
    if (TextRules::hasControlCharacter(m_status->text()))
        return tr("The status text must not hold line breaks or other control characters.");
    return {};
}

void PropertiesGPS::save() {
    SettingsStore& s = settings();
    write(s, Settings::GPS_CALL, m_call->text().trimmed());
    const int shown = m_distance->value();
    const int km = shown == m_loadedDistance ? storedDistanceKm() : showsMiles() ? milesToKm(shown) : shown;
    write(s, Settings::TXEVERYDISTANCE, std::clamp(km, 1, kMaxDistanceKm));
    write(s, Settings::TXEVERYTIME, m_every->value());
    write(s, Settings::TXEVERYANGLE, m_angle->value());
    write(s, Settings::GPS_STATUS, m_status->text());
    write(s, Settings::GPS_DIGIBEEP, m_beep->isChecked() ? 1 : 0);
    const auto [table, index] =
        SymbolList::selected(m_symbol, {read(s, Settings::GPS_POSICONTABLE), read(s, Settings::GPS_POSICON)});
    write(s, Settings::GPS_POSICONTABLE, table);
    write(s, Settings::GPS_POSICON, index);
    QString ports;
    for (int i = 0; i < m_ports->count(); ++i) {
        const QListWidgetItem* item = m_ports->item(i);
        if (item->checkState() == Qt::Checked)
            ports += QStringLiteral("%1,").arg(item->data(Qt::UserRole).toInt());
    }
    write(s, Settings::RADIOPORTSTX_SETUP, ports);
    write(s, Settings::GPS_VIAPATH, m_via->text().trimmed());
}
