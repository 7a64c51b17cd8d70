#include "aprsis/ui/DlgFilterBud.h"

DlgFilterBud::DlgFilterBud(const QString& call, Prompter& prompter, QWidget* parent)
    : FilterEditorDialog(
          tr("Filter Builder (Bud List)"),
          tr("Enter the call sign of a station you want to receive, e.g. N0CALL-9, or a prefix "
             "with * as a wildcard, e.g. DL* for every call beginning with DL."),
          prompter, parent) {
    setObjectName(QStringLiteral("DlgFilterBud"));
    addField(tr("&CallSign:"), QStringLiteral("callSign"), QString(), call);
    addButtons();
}

FilterText::Edited DlgFilterBud::edited() const {
    return FilterText::buddyFromField(fieldText(0));
}
