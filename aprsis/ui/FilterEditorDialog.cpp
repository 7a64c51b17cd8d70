#include "aprsis/ui/FilterEditorDialog.h"

#include "platform/Prompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

FilterEditorDialog::FilterEditorDialog(const QString& title, const QString& help, Prompter& prompter,
                                       QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setWindowTitle(title);
    auto* helpLabel = new QLabel(help, this);
    helpLabel->setObjectName(QStringLiteral("help"));
    helpLabel->setTextFormat(Qt::PlainText);
    helpLabel->setWordWrap(true);
    m_form = new QFormLayout;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpLabel);
    layout->addSpacing(6);
    layout->addLayout(m_form);
    setMinimumWidth(380);
}

QLineEdit* FilterEditorDialog::addField(const QString& label, const QString& name, const QString& pattern,
                                        const QString& text, const QString& note) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    if (!pattern.isEmpty()) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
        // Numbers of a few digits: a narrow field, the same for all of them.
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-00000000")));
    }
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    if (note.isEmpty()) {
        m_form->addRow(caption, edit);
    } else {
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(new QLabel(note, this));
        row->addStretch();
        m_form->addRow(caption, row);
    }
    m_fields.push_back(edit);
    return edit;
}

void FilterEditorDialog::addButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = static_cast<QVBoxLayout*>(layout());
    box->addSpacing(6);
    box->addWidget(buttons);
}

QString FilterEditorDialog::fieldText(size_t i) const {
    return i < m_fields.size() ? m_fields[i]->text() : QString();
}

QString FilterEditorDialog::wholeText(const QString& text) {
    const auto n = FilterText::wholeNumber(text);
    return n ? QString::number(*n) : text;
}

void FilterEditorDialog::accept() {
    const FilterText::Edited e = edited();
    if (!e.accepted()) {
        m_prompter.report(e.refusal, Prompter::Icon::Stop);
        if (e.field >= 0 && static_cast<size_t>(e.field) < m_fields.size()) {
            m_fields[static_cast<size_t>(e.field)]->setFocus();
            m_fields[static_cast<size_t>(e.field)]->selectAll();
        }
        return;
    }
    m_term = e.term;
    QDialog::accept();
}
