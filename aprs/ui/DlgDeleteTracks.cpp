#include "aprs/ui/DlgDeleteTracks.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

DlgDeleteTracks::DlgDeleteTracks(int durationMinutes, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DlgDeleteTracks"));
    setWindowTitle(tr("Delete Station Tracks"));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* duration = new QLineEdit(QString::number(durationMinutes), this);
    duration->setObjectName(QStringLiteral("duration"));
    duration->setReadOnly(true);
    duration->setFocusPolicy(Qt::NoFocus);
    form->addRow(tr("Duration (min):"), duration);

    m_keep = new QSpinBox(this);
    m_keep->setObjectName(QStringLiteral("keepLast"));
    m_keep->setRange(0, 9999999);
    m_keep->setValue(kDefaultKeepMinutes);
    m_keep->setSuffix(tr(" min"));
    form->addRow(tr("&Keep Last:"), m_keep);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Ok"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(300);
    m_keep->setFocus();
    m_keep->selectAll();
}

int DlgDeleteTracks::keepMinutes() const {
    return m_keep->value();
}
