#pragma once

#include "aprsis/ui/FilterEditorDialog.h"

// Edits one area term "a/ullat/ullon/lrlat/lrlon": a box of whole degrees by its upper-left and
// lower-right corners.
class DlgFilterArea : public FilterEditorDialog {
    Q_OBJECT
public:
    // An empty term opens empty fields.
    DlgFilterArea(const QString& term, Prompter& prompter, QWidget* parent = nullptr);

private:
    FilterText::Edited edited() const override;
};
