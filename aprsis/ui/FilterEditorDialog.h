#pragma once

#include "aprsis/FilterText.h"

#include <QDialog>
#include <vector>

class Prompter;
class QFormLayout;
class QLineEdit;

// What the three filter editors share: a help text over a form of line fields, Ok and Cancel, and
// an Ok that refuses the fields with a message and keeps the dialog open, the cursor in the field
// to correct.
class FilterEditorDialog : public QDialog {
    Q_OBJECT
public:
    // The term the fields made at the accepted Ok; empty until then.
    QString term() const { return m_term; }
    void accept() override;

protected:
    FilterEditorDialog(const QString& title, const QString& help, Prompter& prompter, QWidget* parent);
    // A line field accepting text of the pattern (any text when empty), with an optional note to
    // its right.
    QLineEdit* addField(const QString& label, const QString& name, const QString& pattern,
                        const QString& text, const QString& note = {});
    // Ok and Cancel under the form, after the fields in the tab order.
    void addButtons();
    QString fieldText(size_t i) const;

    // Whole degrees, with an optional minus: the fields take no fractions.
    static QString degreesPattern() { return QStringLiteral("-?[0-9]{0,3}"); }
    // A number in whole units as the fields show it; any other text as it is, so Ok can say what
    // is wrong with it.
    static QString wholeText(const QString& text);

private:
    virtual FilterText::Edited edited() const = 0;

    Prompter& m_prompter;
    QFormLayout* m_form = nullptr;
    std::vector<QLineEdit*> m_fields;
    QString m_term;
};
