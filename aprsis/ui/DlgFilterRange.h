#pragma once

#include "aprsis/ui/FilterEditorDialog.h"

class QLineEdit;

// Edits one range term "r/lat/lon/km": whole degrees and a distance in kilometres or miles, the
// two distances following each other as either is typed.
class DlgFilterRange : public FilterEditorDialog {
    Q_OBJECT
public:
    // An empty term opens empty fields.
    DlgFilterRange(const QString& term, Prompter& prompter, QWidget* parent = nullptr);

private:
    FilterText::Edited edited() const override;

    QLineEdit* m_km = nullptr;
    QLineEdit* m_miles = nullptr;
};
