#include "messaging/ui/ObjectForm.h"

#include "aprs/SymbolAtlas.h"
#include "aprs/SymbolTable.h"
#include "controls/ZelMFCFullMask.h"
#include "platform/Prompter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

// Item data of the symbol list: the code, plus 256 for the alternate table.
constexpr int kAlternate = 256;

void fillSymbols(QComboBox* list) {
    const SymbolAtlas& atlas = SymbolAtlas::shared();
    for (const int table : {'/', '\\'}) {
        for (int code = SymbolTable::kFirstCode; code <= SymbolTable::kLastCode; ++code) {
            const QString name = symbolName(table, code);
            if (name == QLatin1String("Undefined")) continue;
            list->addItem(atlas.icon(SymbolAtlas::iconIndexFor(table, code)),
                          QStringLiteral("%1  (%2%3)").arg(name, QChar(table), QChar(code)),
                          code + (table == '/' ? 0 : kAlternate));
        }
    }
}

} // namespace

ObjectForm::ObjectForm(Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_name(new QLineEdit(this)),
      m_latitude(new ZelMFCFullMask(this)), m_longitude(new ZelMFCFullMask(this)),
      m_symbol(new QComboBox(this)), m_overlay(new QComboBox(this)), m_comment(new QLineEdit(this)),
      m_interval(new QSpinBox(this)) {
    setObjectName(QStringLiteral("objectForm"));
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMaxLength(OwnObjectsManager::kMaxNameLength);
    // Printable ASCII only: the name goes on the air as it stands.
    m_name->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\x20-\\x7E]{0,9}")), m_name));
    m_name->setPlaceholderText(tr("up to 9 characters"));
    m_latitude->setObjectName(QStringLiteral("latitude"));
    m_latitude->setupLatitude();
    m_latitude->setPrompter(&prompter);
    m_longitude->setObjectName(QStringLiteral("longitude"));
    m_longitude->setupLongitude();
    m_longitude->setPrompter(&prompter);
    m_symbol->setObjectName(QStringLiteral("symbol"));
    fillSymbols(m_symbol);
    m_overlay->setObjectName(QStringLiteral("overlay"));
    m_overlay->addItem(tr("None"), int('\\'));
    for (char c = '0'; c <= '9'; ++c) m_overlay->addItem(QString(QLatin1Char(c)), int(c));
    for (char c = 'A'; c <= 'Z'; ++c) m_overlay->addItem(QString(QLatin1Char(c)), int(c));
    m_comment->setObjectName(QStringLiteral("comment"));
    m_comment->setMaxLength(OwnObjectsManager::kMaxComment);
    m_interval->setObjectName(QStringLiteral("interval"));
    m_interval->setRange(1, OwnObjectsManager::kMaxInterval);
    m_interval->setSuffix(tr(" Minutes"));

    const int shortWidth = fontMetrics().horizontalAdvance(QStringLiteral("W 000°00.00'")) * 3 / 2;
    for (QWidget* w : std::initializer_list<QWidget*>{m_name, m_latitude, m_longitude, m_interval})
        w->setMaximumWidth(shortWidth);

    auto* symbolRow = new QHBoxLayout;
    symbolRow->addWidget(m_symbol, 1);
    auto* overlayLabel = new QLabel(tr("O&verlay"), this);
    overlayLabel->setBuddy(m_overlay);
    symbolRow->addWidget(overlayLabel);
    symbolRow->addWidget(m_overlay);

    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    const auto row = [this, form](const QString& label, QWidget* field) {
        auto* caption = new QLabel(label, this);
        caption->setBuddy(field);
        form->addRow(caption, field);
    };
    row(tr("&Name"), m_name);
    row(tr("&Lat"), m_latitude);
    row(tr("L&ong"), m_longitude);
    auto* symbolCaption = new QLabel(tr("&Symbol"), this);
    symbolCaption->setBuddy(m_symbol);
    form->addRow(symbolCaption, symbolRow);
    row(tr("&Comment"), m_comment);
    row(tr("Tx &Every"), m_interval);

    connect(m_symbol, &QComboBox::currentIndexChanged, this, &ObjectForm::updateOverlay);
    setFields({});
}

void ObjectForm::updateOverlay() {
    const bool alternate = m_symbol->currentData().toInt() >= kAlternate;
    m_overlay->setEnabled(alternate);
    if (!alternate) m_overlay->setCurrentIndex(0);
}

void ObjectForm::setFields(const OwnObjectFields& f) {
    m_name->setText(OwnObjectsManager::trimmedName(f.name).left(OwnObjectsManager::kMaxNameLength));
    m_latitude->setText(ZelMFCFullMask::latitudeText(f.latitude));
    m_longitude->setText(ZelMFCFullMask::longitudeText(f.longitude));
    const bool primary = SymbolTable::isPrimary(f.symbolTable);
    const int item = m_symbol->findData(f.symbolCode + (primary ? 0 : kAlternate));
    m_symbol->setCurrentIndex(item >= 0 ? item : 0);
    updateOverlay();
    if (!primary) {
        const int overlay = m_overlay->findData(f.symbolTable);
        m_overlay->setCurrentIndex(overlay >= 0 ? overlay : 0);
    }
    m_comment->setText(f.comment);
    m_interval->setValue(f.interval);
}

OwnObjectFields ObjectForm::fields() const {
    constexpr double kUnreadable = std::numeric_limits<double>::quiet_NaN();
    OwnObjectFields f;
    f.name = OwnObjectsManager::trimmedName(m_name->text());
    f.latitude = m_latitude->isComplete()
                     ? ZelMFCFullMask::latitudeValue(m_latitude->text()).value_or(kUnreadable)
                     : kUnreadable;
    f.longitude = m_longitude->isComplete()
                      ? ZelMFCFullMask::longitudeValue(m_longitude->text()).value_or(kUnreadable)
                      : kUnreadable;
    const int symbol = m_symbol->currentData().toInt();
    f.symbolTable = symbol >= kAlternate ? m_overlay->currentData().toInt() : '/';
    f.symbolCode = symbol >= kAlternate ? symbol - kAlternate : symbol;
    f.comment = m_comment->text();
    f.interval = m_interval->value();
    return f;
}

QString ObjectForm::refusalText(ObjectRefusal refusal) {
    switch (refusal) {
    case ObjectRefusal::None:
        return {};
    case ObjectRefusal::Name:
        return tr("The object name must be 1 to 9 characters (letters, digits, blanks or signs), not "
                  "beginning with a blank.");
    case ObjectRefusal::NameTaken:
        return tr("There is an object of that name already.");
    case ObjectRefusal::Position:
        return tr("Lat and Long must be a position below 90° and 180° with minutes below 60, every digit "
                  "filled in.");
    case ObjectRefusal::Symbol:
        return tr("Choose a symbol for the object.");
    case ObjectRefusal::Comment:
        return tr("The comment must be at most 43 characters, without line breaks or other control "
                  "characters.");
    case ObjectRefusal::Interval:
        return tr("Tx Every must be 1 to 1440 minutes.");
    case ObjectRefusal::Full:
        return tr("The station keeps at most 1000 objects. Kill one first.");
    case ObjectRefusal::NotFound:
        return tr("The object is no longer there.");
    }
    return {};
}

QWidget* ObjectForm::fieldFor(ObjectRefusal refusal) const {
    switch (refusal) {
    case ObjectRefusal::Name:
    case ObjectRefusal::NameTaken:
        return m_name;
    case ObjectRefusal::Position:
        return std::isnan(fields().latitude) ? static_cast<QWidget*>(m_latitude) : m_longitude;
    case ObjectRefusal::Symbol:
        return m_symbol;
    case ObjectRefusal::Comment:
        return m_comment;
    case ObjectRefusal::Interval:
        return m_interval;
    default:
        return nullptr;
    }
}

void ObjectForm::showRefusal(ObjectRefusal refusal) {
    if (refusal == ObjectRefusal::None) return;
    m_prompter.report(refusalText(refusal), Prompter::Icon::Stop);
    if (QWidget* field = fieldFor(refusal)) field->setFocus();
}

bool ObjectForm::validate() {
    const ObjectRefusal refusal = OwnObjectsManager::checkFields(fields());
    showRefusal(refusal);
    return refusal == ObjectRefusal::None;
}
