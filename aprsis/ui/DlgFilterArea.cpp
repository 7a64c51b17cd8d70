#include "aprsis/ui/DlgFilterArea.h"

#include <QLineEdit>

DlgFilterArea::DlgFilterArea(const QString& term, Prompter& prompter, QWidget* parent)
    : FilterEditorDialog(
          tr("Filter Builder (Area)"),
          tr("The filter is defined as a box of coordinates. The coordinates can also been seen "
             "as upper left coordinate and lower right. Lat/lon are integer (no decimal) "
             "degress. South and west are negative."),
          prompter, parent) {
    setObjectName(QStringLiteral("DlgFilterArea"));
    const QStringList f = FilterText::entryFields(term, 4);
    const QString degrees = degreesPattern();
    addField(tr("&Upper Left Latitude:"), QStringLiteral("upperLeftLatitude"), degrees, wholeText(f[0]));
    addField(tr("U&pper Left Longitude:"), QStringLiteral("upperLeftLongitude"), degrees, wholeText(f[1]));
    addField(tr("&Lower Right Latitude:"), QStringLiteral("lowerRightLatitude"), degrees, wholeText(f[2]));
    addField(tr("L&ower Right Longitude:"), QStringLiteral("lowerRightLongitude"), degrees, wholeText(f[3]));
    addButtons();
}

FilterText::Edited DlgFilterArea::edited() const {
    return FilterText::areaFromFields(fieldText(0), fieldText(1), fieldText(2), fieldText(3));
}
