#include "ui/PropertiesStation.h"

#include "controls/ZelMFCFullMask.h"
#include "gps/CoordText.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/TextRules.h"
#include "ui/SymbolList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>
#include <initializer_list>

namespace {
const char* kDefaultLocation = "Default Location";
constexpr int kMaxPeriod = 1440;
} // namespace

PropertiesStation::PropertiesStation(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("Station"), context, parent), m_location(new QComboBox(this)),
      m_call(new QLineEdit(this)), m_latitude(new ZelMFCFullMask(this)),
      m_longitude(new ZelMFCFullMask(this)), m_symbol(new QComboBox(this)), m_text(new QLineEdit(this)),
      m_every(new QSpinBox(this)),
      m_beep(new QCheckBox(QStringLiteral("Beep When MyPacket is Digipeated."), this)) {
    setObjectName(QStringLiteral("PropertiesStation"));
    m_location->setObjectName(QStringLiteral("location"));
    m_location->setEditable(true);
    m_location->setInsertPolicy(QComboBox::NoInsert);
    m_call->setObjectName(QStringLiteral("myCall"));
    m_call->setMaxLength(9);
    m_call->setPlaceholderText(tr("your call sign, e.g. N0CALL-9"));
    m_latitude->setObjectName(QStringLiteral("latitude"));
    m_latitude->setupLatitude();
    m_latitude->setPrompter(&context.prompter);
    m_longitude->setObjectName(QStringLiteral("longitude"));
    m_longitude->setupLongitude();
    m_longitude->setPrompter(&context.prompter);
    m_symbol->setObjectName(QStringLiteral("symbol"));
    SymbolList::fill(m_symbol);
    m_text->setObjectName(QStringLiteral("beacon"));
    m_every->setObjectName(QStringLiteral("txEvery"));
    m_every->setRange(0, kMaxPeriod);
    m_every->setSuffix(QStringLiteral(" Minutes"));
    m_every->setSpecialValueText(tr("Never"));
    m_beep->setObjectName(QStringLiteral("beep"));
    auto* add = new QPushButton(QStringLiteral("Add Location"), this);
    add->setObjectName(QStringLiteral("addLocation"));

    // Short values get short fields; texts and lists take the width.
    const int shortWidth = fontMetrics().horizontalAdvance(QStringLiteral("W 000°00.00'")) * 3 / 2;
    for (QWidget* w : std::initializer_list<QWidget*>{m_call, m_latitude, m_longitude, m_every})
        w->setMaximumWidth(shortWidth);

    auto* locationRow = new QHBoxLayout;
    locationRow->addWidget(m_location, 1);
    locationRow->addWidget(add);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Location"), locationRow);
    form->addRow(QStringLiteral("MyCall"), m_call);
    form->addRow(QStringLiteral("Lat"), m_latitude);
    form->addRow(QStringLiteral("Long"), m_longitude);
    form->addRow(QStringLiteral("Type"), m_symbol);
    form->addRow(QStringLiteral("Beacon"), m_text);
    form->addRow(QStringLiteral("TxEvery"), m_every);
    form->addRow(QString(), m_beep);

    connect(add, &QPushButton::clicked, this, &PropertiesStation::addLocation);
    connect(m_location, &QComboBox::activated, this,
            [this](int index) { showLocation(m_location->itemData(index).toInt()); });
    // Typing a new name renames the location being edited.
    connect(m_location->lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (m_location->currentIndex() >= 0) m_editedNumber = m_location->currentData().toInt();
    });
    connect(m_call, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int cursor = m_call->cursorPosition();
        m_call->setText(text.toUpper());
        m_call->setCursorPosition(cursor);
    });
}

double PropertiesStation::storedCoordinate(const QString& text, double limit) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) && std::abs(v) <= limit ? v : 0.0;
}

void PropertiesStation::load() {
    SettingsStore& s = settings();
    const int count = std::clamp(read(s, Settings::HOWMANY), 0, kMaxLocations);
    for (int k = 0; k < count; ++k) m_location->addItem(read(s, Settings::LOCNAME, k), k);
    if (count == 0) m_location->addItem(QString::fromLatin1(kDefaultLocation), 0);
    const QString active = s.readString(QString::fromLatin1(Settings::ACTIVE_LOCATION.section),
                                        QString::fromLatin1(Settings::ACTIVE_LOCATION.name),
                                        QString::fromLatin1(kDefaultLocation));
    m_location->setCurrentIndex(m_location->findText(active, Qt::MatchExactly));
    showValues(read(s, Settings::MYCALL), storedCoordinate(read(s, Settings::LATITUDE), 90),
               storedCoordinate(read(s, Settings::LONGITUDE), 180), read(s, Settings::POSTEXT),
               read(s, Settings::POSEVERY), read(s, Settings::POSICONTABLE), read(s, Settings::POSICON));
    m_beep->setChecked(read(s, Settings::DIGIBEEP) != 0);
}

void PropertiesStation::showLocation(int k) {
    SettingsStore& s = settings();
    showValues(read(s, Settings::LOC_MYCALL, k), storedCoordinate(read(s, Settings::LOC_LATITUDE, k), 90),
               storedCoordinate(read(s, Settings::LOC_LONGITUDE, k), 180), read(s, Settings::LOC_POSTEXT, k),
               read(s, Settings::LOC_POSEVERY, k), read(s, Settings::LOC_POSICONTABLE, k),
               read(s, Settings::LOC_POSICON, k));
}

void PropertiesStation::showValues(const QString& call, double latitude, double longitude,
                                   const QString& text, int every, int table, int index) {
    m_call->setText(call);
    m_latitude->setText(ZelMFCFullMask::latitudeText(latitude));
    m_longitude->setText(ZelMFCFullMask::longitudeText(longitude));
    m_text->setText(text);
    m_every->setValue(std::clamp(every, 0, kMaxPeriod));
    SymbolList::select(m_symbol, table, index);
}

void PropertiesStation::addLocation() {
    const int number = m_location->count();
    m_location->addItem(QStringLiteral("New Location"), number);
    m_location->setCurrentIndex(m_location->count() - 1);
    m_editedNumber = number;
    context().prompter.report(QStringLiteral("A New Location Added.You can Edit its Name and Edit ALL Other "
                                             "Properties.\r\nIt will be saved when press [Ok]."),
                              Prompter::Icon::Information);
}

int PropertiesStation::locationNumber() const {
    if (m_location->currentIndex() >= 0) return m_location->currentData().toInt();
    return m_editedNumber;
}

QString PropertiesStation::problem() const {
    if (!TextRules::isCallSign(m_call->text().trimmed()))
        return tr("MyCall must be a call sign of 1 to 9 letters and digits, with an optional SSID after "
                  "\"-\" (for example N0CALL-9).");
    if (!m_latitude->isComplete() || !ZelMFCFullMask::latitudeValue(m_latitude->text()))
        return tr("Lat must be a latitude below 90° with minutes below 60, every digit filled in.");
    if (!m_longitude->isComplete() || !ZelMFCFullMask::longitudeValue(m_longitude->text()))
        return tr("Long must be a longitude below 180° with minutes below 60, every digit filled in.");
    if (TextRules::hasControlCharacter(m_text->text()))
        return tr("The beacon text must not hold line breaks or other control characters.");
    if (TextRules::hasControlCharacter(m_location->currentText()))
        return tr("The location name must not hold line breaks or other control characters.");
    return {};
}

void PropertiesStation::save() {
    SettingsStore& s = settings();
    const QString call = m_call->text().trimmed();
    const double latitude = ZelMFCFullMask::latitudeValue(m_latitude->text()).value_or(0.0);
    const double longitude = ZelMFCFullMask::longitudeValue(m_longitude->text()).value_or(0.0);
    const QString latitudeDecimal = QString::asprintf("%lf", latitude);
    const QString longitudeDecimal = QString::asprintf("%lf", longitude);
    const auto [table, index] = SymbolList::selected(m_symbol, {0, 12});
    const QString name = m_location->currentText();

    write(s, Settings::ACTIVE_LOCATION, name);
    write(s, Settings::HOWMANY, m_location->count());
    const int k = locationNumber();
    // Every listed location keeps its name; the edited one takes the name in the field.
    for (int i = 0; i < m_location->count(); ++i) {
        const int number = m_location->itemData(i).toInt();
        write(s, Settings::LOCNAME, number, number == k ? name : m_location->itemText(i));
    }
    if (k >= 0) {
        write(s, Settings::LOCNAME, k, name);
        write(s, Settings::LOC_MYCALL, k, call);
        write(s, Settings::LOC_LATITUDE, k, latitudeDecimal);
        write(s, Settings::LOC_LONGITUDE, k, longitudeDecimal);
        write(s, Settings::LOC_POSTEXT, k, m_text->text());
        write(s, Settings::LOC_POSEVERY, k, m_every->value());
        write(s, Settings::LOC_POSICONTABLE, k, table);
        write(s, Settings::LOC_POSICON, k, index);
    }
    write(s, Settings::MYCALL, call);
    write(s, Settings::LATITUDE, latitudeDecimal);
    write(s, Settings::LONGITUDE, longitudeDecimal);
    write(s, Settings::POSLATITUDE, Coord::latitudeText(latitude, Coord::Aprs));
    write(s, Settings::POSLONGITUDE, Coord::longitudeText(longitude, Coord::Aprs));
    write(s, Settings::POSTEXT, m_text->text());
    write(s, Settings::POSEVERY, m_every->value());
    write(s, Settings::POSICONTABLE, table);
    write(s, Settings::POSICON, index);
    write(s, Settings::DIGIBEEP, m_beep->isChecked() ? 1 : 0);
}
