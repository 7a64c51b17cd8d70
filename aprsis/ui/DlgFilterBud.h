#pragma once

#include "aprsis/ui/FilterEditorDialog.h"

// Edits one entry of the buddy list: a call sign, or a prefix with "*" as a wildcard.
class DlgFilterBud : public FilterEditorDialog {
    Q_OBJECT
public:
    DlgFilterBud(const QString& call, Prompter& prompter, QWidget* parent = nullptr);

private:
    FilterText::Edited edited() const override;
};
