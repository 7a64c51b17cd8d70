#include "messaging/ui/DlgEditObject.h"

#include "messaging/OwnObjectsManager.h"
#include "messaging/ui/ObjectForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DlgEditObject::DlgEditObject(OwnObjectsManager& objects, Prompter& prompter, const QString& name,
                             QWidget* parent)
    : QDialog(parent), m_objects(objects), m_form(new ObjectForm(prompter, this)),
      m_list(new QComboBox(this)) {
    setObjectName(QStringLiteral("DlgEditObject"));
    setWindowTitle(tr("Edit Object"));
    m_list->setObjectName(QStringLiteral("objects"));
    m_list->addItems(objects.liveNames());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* choice = new QFormLayout;
    auto* caption = new QLabel(tr("O&bject"), this);
    caption->setBuddy(m_list);
    choice->addRow(caption, m_list);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addSpacing(6);
    layout->addWidget(m_form);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    const bool any = m_list->count() > 0;
    m_form->setEnabled(any);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(any);
    connect(m_list, &QComboBox::currentTextChanged, this, &DlgEditObject::showObject);
    const int start = m_list->findText(name, Qt::MatchExactly);
    m_list->setCurrentIndex(start >= 0 ? start : 0);
    showObject(m_list->currentText());
}

void DlgEditObject::showObject(const QString& name) {
    const OwnObjectRecord* o = m_objects.findLive(name);
    if (!o) return;
    OwnObjectFields f;
    f.name = o->call;
    f.latitude = o->latitude;
    f.longitude = o->longitude;
    f.symbolTable = o->symbolTable;
    f.symbolCode = o->symbolCode;
    f.comment = o->comment;
    f.interval = o->interval;
    m_form->setFields(f);
}

void DlgEditObject::accept() {
    if (m_list->currentIndex() < 0 || !m_form->validate()) return;
    const ObjectRefusal refusal = m_objects.editObject(m_list->currentText(), m_form->fields());
    if (refusal != ObjectRefusal::None) {
        m_form->showRefusal(refusal);
        return;
    }
    QDialog::accept();
}
