#include "messaging/ui/DlgNewObject.h"

#include "messaging/OwnObjectsManager.h"
#include "messaging/ui/ObjectForm.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

DlgNewObject::DlgNewObject(OwnObjectsManager& objects, Prompter& prompter, double latitude, double longitude,
                           QWidget* parent)
    : QDialog(parent), m_objects(objects), m_form(new ObjectForm(prompter, this)) {
    setObjectName(QStringLiteral("DlgNewObject"));
    setWindowTitle(tr("New Object"));
    OwnObjectFields start;
    start.latitude = latitude;
    start.longitude = longitude;
    m_form->setFields(start);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    m_form->nameField()->setFocus();
}

void DlgNewObject::accept() {
    if (!m_form->validate()) return;
    const OwnObjectFields fields = m_form->fields();
    const ObjectRefusal refusal = m_objects.addObject(fields);
    if (refusal != ObjectRefusal::None) {
        m_form->showRefusal(refusal);
        return;
    }
    m_added = fields.name;
    QDialog::accept();
}
