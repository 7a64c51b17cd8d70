#include "ui/PropertiesPacket.h"

#include "platform/Settings.h"
#include "platform/TextRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

namespace {
constexpr int kServerPort = -1;
constexpr int kPhgDigits = 4;

const char* const kPowerItems[] = {"0 Watts",  "1 Watts",  "4 Watts",  "9 Watts",  "16 Watts",
                                   "25 Watts", "36 Watts", "49 Watts", "64 Watts", "81 Watts and more"};
const char* const kHeightItems[] = {
    "10f or 3m",   "20f or 6.1m",  "40f or 12,2m",  "80f or 24.4m",  "160f or 49m",
    "320f or 98m", "640f or 196m", "1280f or 392m", "2560f or 784m", "5120f or 1568m and more"};
const char* const kGainItems[] = {"0db", "1db", "2db", "3db", "4db",
                                  "5db", "6db", "7db", "8db", "9db and more"};
const char* const kDirectionItems[] = {"Omni", "NE", "E", "SE", "S", "SW", "W", "NW", "N"};

template <size_t N> QComboBox* phgList(QWidget* parent, const char* name, const char* const (&items)[N]) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    for (size_t i = 0; i < N; ++i) list->addItem(QString::fromLatin1(items[i]), static_cast<int>(i));
    // Shown while a stored PHG names no item of this list.
    list->setPlaceholderText(QObject::tr("not set"));
    return list;
}
} // namespace

PropertiesPacket::PropertiesPacket(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("Ports"), context, parent), m_ports(new QListWidget(this)),
      m_portBox(new QGroupBox(this)),
      m_enable(new QCheckBox(QStringLiteral("Enable Transmitions on this RadioPort"), m_portBox)),
      m_unicode(new QCheckBox(QStringLiteral("Send Unicode Chars.(Japan,China etc)"), m_portBox)),
      m_path(new QLineEdit(m_portBox)), m_beacon(new QLineEdit(m_portBox)), m_every(new QSpinBox(m_portBox)),
      m_sendPhg(new QGroupBox(QStringLiteral("Send PHG(Range)"), m_portBox)) {
    setObjectName(QStringLiteral("PropertiesPacket"));
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setSelectionMode(QAbstractItemView::SingleSelection);
    m_portBox->setObjectName(QStringLiteral("portBox"));
    m_enable->setObjectName(QStringLiteral("enable"));
    m_unicode->setObjectName(QStringLiteral("unicode"));
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setPlaceholderText(tr("e.g. WIDE1-1,WIDE2-1"));
    upperCaseAsTyped(m_path);
    m_beacon->setObjectName(QStringLiteral("beaconText"));
    m_every->setObjectName(QStringLiteral("beaconEvery"));
    m_every->setRange(0, kMaxPeriod);
    m_every->setSuffix(QStringLiteral(" Min"));
    m_every->setSpecialValueText(tr("Never"));
    m_sendPhg->setObjectName(QStringLiteral("sendPhg"));
    m_sendPhg->setCheckable(true);
    m_phg = {phgList(m_sendPhg, "phgPower", kPowerItems), phgList(m_sendPhg, "phgHeight", kHeightItems),
             phgList(m_sendPhg, "phgGain", kGainItems), phgList(m_sendPhg, "phgDirection", kDirectionItems)};

    auto* phgForm = new QFormLayout(m_sendPhg);
    phgForm->addRow(tr("Power"), m_phg[0]);
    phgForm->addRow(tr("Height"), m_phg[1]);
    phgForm->addRow(tr("Antenna gain"), m_phg[2]);
    phgForm->addRow(tr("Direction"), m_phg[3]);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Path"), m_path);
    form->addRow(QStringLiteral("Beacon"), m_beacon);
    auto* everyRow = new QHBoxLayout;
    everyRow->addWidget(m_every);
    everyRow->addStretch();
    form->addRow(QStringLiteral("Every"), everyRow);
    auto* portLayout = new QVBoxLayout(m_portBox);
    portLayout->addWidget(m_enable);
    portLayout->addWidget(m_unicode);
    portLayout->addLayout(form);
    portLayout->addWidget(m_sendPhg);
    portLayout->addStretch();

    m_ports->setMaximumWidth(200);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_ports, 2);
    layout->addWidget(m_portBox, 5);

    QWidget* order[] = {m_ports,   m_enable, m_unicode, m_path,   m_beacon, m_every,
                        m_sendPhg, m_phg[0], m_phg[1],  m_phg[2], m_phg[3]};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(m_enable, &QCheckBox::toggled, this, &PropertiesPacket::updateEnabled);
    connect(m_ports, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_showing || row < 0) return;
        m_edited[m_shown] = shownValues();
        showPort(m_ports->item(row)->data(Qt::UserRole).toInt());
    });
}

QString PropertiesPacket::portName(int port) const {
    if (port == kServerPort) return QStringLiteral("APRS Server");
    const QString description = context().enginePorts.description(port).trimmed();
    return description.isEmpty() ? tr("Port %1").arg(port) : description;
}

void PropertiesPacket::load() {
    m_showing = true;
    const int count = std::clamp(context().enginePorts.count, 0, EnginePortList::kMaxPorts);
    for (int port = kServerPort; port < count; ++port) {
        auto* item = new QListWidgetItem(portName(port), m_ports);
        item->setData(Qt::UserRole, port);
    }
    m_ports->setCurrentRow(0);
    m_showing = false;
    showPort(kServerPort);
}

PropertiesPacket::PortValues PropertiesPacket::stored(int port) const {
    const SettingsStore& s = settings();
    PortValues v;
    v.enabled = read(s, Settings::ENABLERP, port) != 0;
    v.unicode = read(s, Settings::UNICODERP, port) != 0;
    v.beacon = read(s, Settings::BTEXT, port);
    v.period = std::clamp(read(s, Settings::BTIME, port), 0, kMaxPeriod);
    v.path = read(s, Settings::VIAPATH_BEACON, port);
    v.phgEnabled = read(s, Settings::PHGENABLE, port) != 0;
    const QString phg = read(s, Settings::PHG, port);
    for (int i = 0; i < kPhgDigits && i < phg.size(); ++i)
        if (phg[i].isDigit()) v.phg[static_cast<size_t>(i)] = phg[i].digitValue();
    return v;
}

PropertiesPacket::PortValues PropertiesPacket::shownValues() const {
    PortValues v;
    v.enabled = m_enable->isChecked();
    v.unicode = m_unicode->isChecked();
    v.path = m_path->text().trimmed();
    v.beacon = m_beacon->text();
    v.period = m_every->value();
    v.phgEnabled = m_sendPhg->isChecked();
    for (size_t i = 0; i < m_phg.size(); ++i)
        v.phg[i] = m_phg[i]->currentIndex() >= 0 ? m_phg[i]->currentData().toInt() : -1;
    return v;
}

void PropertiesPacket::showPort(int port) {
    const auto edited = m_edited.find(port);
    const PortValues v = edited != m_edited.end() ? edited->second : stored(port);
    m_shown = port;
    m_portBox->setTitle(portName(port));
    m_enable->setChecked(v.enabled);
    m_unicode->setChecked(v.unicode);
    m_path->setText(v.path);
    m_beacon->setText(v.beacon);
    m_every->setValue(v.period);
    for (size_t i = 0; i < m_phg.size(); ++i) m_phg[i]->setCurrentIndex(m_phg[i]->findData(v.phg[i]));
    // The PHG lists are live only while "Send PHG(Range)" is checked: the group box sees to that.
    m_sendPhg->setChecked(v.phgEnabled);
    updateEnabled();
}

void PropertiesPacket::updateEnabled() {
    const bool on = m_enable->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_path, m_beacon, m_every, m_sendPhg})
        w->setEnabled(on);
}

QString PropertiesPacket::pathProblem(const QString& path) {
    if (path.isEmpty()) return {};
    const QStringList calls = path.split(QLatin1Char(','));
    bool wellFormed = calls.size() <= kMaxDigipeaters;
    for (const QString& call : calls) wellFormed = wellFormed && TextRules::isCallSign(call);
    if (wellFormed) return {};
    return tr("The path must be up to %1 digipeater calls or aliases separated by commas, without blanks "
              "(for example WIDE1-1,WIDE2-1).")
        .arg(kMaxDigipeaters);
}

void PropertiesPacket::upperCaseAsTyped(QLineEdit* edit) {
    connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const int cursor = edit->cursorPosition();
        edit->setText(text.toUpper());
        edit->setCursorPosition(cursor);
    });
}

QString PropertiesPacket::portProblem(int port, const PortValues& v) const {
    // A port that does not transmit sends none of it; its controls cannot even be edited.
    if (!v.enabled) return {};
    QString problem;
    if (TextRules::hasControlCharacter(v.beacon))
        problem = tr("The beacon text must not hold line breaks or other control characters.");
    else if (TextRules::hasControlCharacter(v.path))
        problem = tr("The path must not hold line breaks or other control characters.");
    else
        problem = pathProblem(v.path);
    // A position report would carry "PHG" without its digits.
    if (problem.isEmpty() && v.phgEnabled && std::find(v.phg.begin(), v.phg.end(), -1) != v.phg.end())
        problem = tr("Send PHG(Range) needs the power, height, antenna gain and direction chosen.");
    return problem.isEmpty() ? problem : QStringLiteral("%1: %2").arg(portName(port), problem);
}

QString PropertiesPacket::problem() const {
    const QString shown = portProblem(m_shown, shownValues());
    if (!shown.isEmpty()) return shown;
    if (m_enable->isChecked() && !m_every->hasAcceptableInput())
        return tr("%1: Every must be between 0 and %2 minutes.").arg(portName(m_shown)).arg(kMaxPeriod);
    for (const auto& [port, values] : m_edited) {
        if (port == m_shown) continue;
        const QString p = portProblem(port, values);
        if (!p.isEmpty()) return p;
    }
    return {};
}

void PropertiesPacket::save() {
    m_edited[m_shown] = shownValues();
    SettingsStore& s = settings();
    for (const auto& [port, v] : m_edited) {
        write(s, Settings::BTEXT, port, v.beacon);
        write(s, Settings::VIAPATH_BEACON, port, v.path);
        write(s, Settings::BTIME, port, v.period);
        write(s, Settings::ENABLERP, port, v.enabled ? 1 : 0);
        const bool complete = std::find(v.phg.begin(), v.phg.end(), -1) == v.phg.end();
        write(s, Settings::PHG, port,
              complete ? QString::asprintf("%d%d%d%d", v.phg[0], v.phg[1], v.phg[2], v.phg[3]) : QString());
        write(s, Settings::PHGENABLE, port, v.phgEnabled ? 1 : 0);
        write(s, Settings::UNICODERP, port, v.unicode ? 1 : 0);
    }
}
