#include "aprs/ui/StationDetailText.h"

#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "gps/CoordText.h"
#include "gps/Maidenhead.h"
#include "gps/NumberText.h"
#include "gps/Units.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <cmath>

#if __has_include("aprs/SymbolAtlas.h")
#include "aprs/SymbolAtlas.h"
#define QP_HAVE_SYMBOL_ATLAS 1
#endif

using NumberText::fixed;
using NumberText::q;

namespace StationDetailText {

namespace {
constexpr double kFeetToMetres = 0.3048;
constexpr double kKnotsToKmh = 1.852;
constexpr double kMphToKmh = 1.609344;
constexpr double kMphToKnots = 0.8689762;

QString whole(double v) {
    return QString::number(static_cast<long long>(v));
}
} // namespace

QString noValue() {
    return QStringLiteral("\u2014");
}

QString caption(const StationRecord& r) {
    return QStringLiteral("%1 (%2) %3")
        .arg(r.call, symbolName(r.symbolTable, r.symbolCode), Maidenhead::locator(r.latitude, r.longitude));
}

QString heardText(const SystemTime& time) {
    const QDateTime dt = time.toDateTime();
    if (time.year == 0 || !dt.isValid()) return noValue();
    return QLocale().toString(dt.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           dt.time().toString(QStringLiteral("HH:mm"));
}

QStringList heardPaths(const StationRecord& r) {
    QStringList out;
    for (const QString& key : r.heardPaths.keys) {
        if (key.isEmpty()) break;
        out << key;
    }
    return out;
}

QString mobileSpeed(double knots, int speedFormat) {
    if (speedFormat == Units::KilometresPerHour)
        return q(fixed(knots * kKnotsToKmh, 2)) + QStringLiteral(" Km/h");
    if (speedFormat == Units::MilesPerHour)
        return q(fixed(Units::knotsToMph(knots), 2)) + QStringLiteral(" Mi/h");
    return q(fixed(knots, 2)) + QStringLiteral(" Kn");
}

QString course(uint32_t degrees) {
    return QString::number(degrees) + QStringLiteral("\u00B0");
}

QString mobileHeight(int32_t feet, int altitudeFormat) {
    if (altitudeFormat == Units::Metres) return whole(feet * kFeetToMetres) + QStringLiteral(" meters");
    if (altitudeFormat == Units::Feet) return QString::number(feet) + QStringLiteral(" ft");
    return {};
}

QString phgPower(int32_t watts) {
    return watts >= 1 ? QStringLiteral("~%1 W").arg(watts) : QString();
}

QString phgHeight(int32_t feet, int altitudeFormat) {
    if (altitudeFormat == Units::Metres) return QStringLiteral("~%1 m").arg(whole(feet * kFeetToMetres));
    return QStringLiteral("~%1 f").arg(feet);
}

QString phgGain(int32_t db) {
    return QStringLiteral("%1 db").arg(db);
}

QString phgDirectivity(int32_t degrees) {
    static const char* const kWords[] = {"Omni", "NE", "E", "SE", "S", "SW", "W", "NW", "N"};
    if (degrees < 0 || degrees > 360 || degrees % 45 != 0) return {};
    return QString::fromLatin1(kWords[degrees / 45]);
}

std::optional<int> hectopascals(int32_t tenths) {
    if (tenths < 0) return std::nullopt;
    return static_cast<int>(tenths * 0.1 + 0.5);
}

double temperature(double fahrenheit, int temperatureFormat) {
    if (temperatureFormat == Units::Fahrenheit) return fahrenheit;
    return (fahrenheit - 32.0) * 5.0 / 9.0;
}

QString windText(int32_t mph, int speedFormat) {
    const QString label = QStringLiteral("WindSpd:");
    const bool known = mph >= 0;
    switch (speedFormat) {
    case Units::MilesPerHour:
        return label + (known ? QString::number(mph) + QStringLiteral("mph") : noValue());
    case Units::KilometresPerHour:
        return label + (known ? q(fixed(mph * kMphToKmh, 1)) + QStringLiteral("Kmh") : noValue());
    case Units::Knots:
        return label + (known ? q(fixed(mph * kMphToKnots, 1)) + QStringLiteral("Knt") : noValue());
    default:
        return {};
    }
}

std::optional<int> rain(int32_t hundredths, int rainFormat) {
    if (hundredths < 0) return std::nullopt;
    if (rainFormat == Units::Millimetres) return static_cast<int>(hundredths * 0.254);
    return hundredths;
}

QString rainUnit(int rainFormat) {
    return rainFormat == Units::Millimetres ? QStringLiteral("(mm)") : QStringLiteral("(in/100)");
}

} // namespace StationDetailText

SymbolIcon::SymbolIcon(int table, int code, QWidget* parent) : QWidget(parent), m_table(table), m_code(code) {
    setFixedSize(40, 40);
    setToolTip(symbolName(table, code));
}

void SymbolIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
#ifdef QP_HAVE_SYMBOL_ATLAS
    SymbolAtlas::shared().paint(p, r, m_table, m_code);
#else
    // Until the symbol pictures are there: the table and code characters in a frame.
    p.setPen(palette().color(QPalette::Mid));
    p.drawRoundedRect(r, 4, 4);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignCenter, QString(QChar(m_table)) + QChar(SymbolTable::clampCode(m_code)));
#endif
}

namespace StationDetailRows {

QLabel* value(const QString& objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    return label;
}

void addCommon(QFormLayout* form, const StationRecord& r, QWidget* parent) {
    using namespace StationDetailText;
    form->addRow(
        QObject::tr("Lat:"),
        value(QStringLiteral("lat"), Coord::latitudeText(r.latitude, Coord::DegreesDecimalMinutes), parent));
    form->addRow(QObject::tr("Lon:"),
                 value(QStringLiteral("lon"), Coord::longitudeText(r.longitude, Coord::DegreesDecimalMinutes),
                       parent));
    form->addRow(QObject::tr("Heard first:"),
                 value(QStringLiteral("heardFirst"), heardText(r.firstHeard), parent));
    form->addRow(QObject::tr("Heard last:"),
                 value(QStringLiteral("heardLast"), heardText(r.lastHeard), parent));
    form->addRow(QObject::tr("Status:"), value(QStringLiteral("status"), r.status, parent));
    form->addRow(QObject::tr("Beacon:"), value(QStringLiteral("beacon"), r.comment, parent));
}

} // namespace StationDetailRows

namespace StationDetailRows {

QWidget* header(const StationRecord& r, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* icon = new SymbolIcon(r.symbolTable, r.symbolCode, box);
    icon->setObjectName(QStringLiteral("symbol"));
    row->addWidget(icon);
    auto* call = value(QStringLiteral("call"), r.call, box);
    QFont big = call->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    call->setFont(big);
    call->setWordWrap(false);
    auto* symbol = value(QStringLiteral("symbolName"), symbolName(r.symbolTable, r.symbolCode), box);
    symbol->setWordWrap(false);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(call);
    texts->addWidget(symbol);
    row->addLayout(texts, 1);
    return box;
}

QListWidget* paths(const StationRecord& r, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QStringLiteral("paths"));
    list->addItems(StationDetailText::heardPaths(r));
    list->setMinimumHeight(list->fontMetrics().height() * 4);
    return list;
}

void addPathsAndClose(QBoxLayout* layout, const StationRecord& r, QDialog* dialog) {
    layout->addWidget(new QLabel(QObject::tr("Heard paths:"), dialog));
    layout->addWidget(paths(r, dialog), 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog->setMinimumWidth(360);
}

} // namespace StationDetailRows
