#include "aprsis/ui/DlgFilterRange.h"

#include <QLineEdit>

namespace {
const QString kDistance = QStringLiteral("[0-9]{0,6}");

QString converted(const QString& text, int (*convert)(int)) {
    const auto n = FilterText::wholeNumber(text);
    return n ? QString::number(convert(*n)) : QString();
}
} // namespace

DlgFilterRange::DlgFilterRange(const QString& term, Prompter& prompter, QWidget* parent)
    : FilterEditorDialog(
          tr("Filter Builder (Range)"),
          tr("Enter Latitude and Longitude as the Center of a Circle with Diameter the Distance "
             "value. You will receive all stations within this Circle.Enter Degrees Only. e.g. "
             "44 or -22 or -124."),
          prompter, parent) {
    setObjectName(QStringLiteral("DlgFilterRange"));
    const QStringList f = FilterText::entryFields(term, 3);
    const QString degreesOnly = tr("Degrees Only");
    addField(tr("&Latitude:"), QStringLiteral("latitude"), degreesPattern(), wholeText(f[0]), degreesOnly);
    addField(tr("L&ongitude:"), QStringLiteral("longitude"), degreesPattern(), wholeText(f[1]), degreesOnly);
    m_km = addField(tr("Distance (&Km):"), QStringLiteral("km"), kDistance, wholeText(f[2]));
    m_miles = addField(tr("Distance (&Mi):"), QStringLiteral("mi"), kDistance,
                       converted(f[2], FilterText::kmToMiles));
    addButtons();
    // textEdited comes from typing only, so setting the other field does not echo back.
    connect(m_km, &QLineEdit::textEdited, this,
            [this](const QString& km) { m_miles->setText(converted(km, FilterText::kmToMiles)); });
    connect(m_miles, &QLineEdit::textEdited, this,
            [this](const QString& mi) { m_km->setText(converted(mi, FilterText::milesToKm)); });
}

FilterText::Edited DlgFilterRange::edited() const {
    return FilterText::rangeFromFields(fieldText(0), fieldText(1), fieldText(2));
}
