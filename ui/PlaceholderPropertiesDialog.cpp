#include "ui/PlaceholderPropertiesDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

PlaceholderPropertiesDialog::PlaceholderPropertiesDialog(const QString& settingsFile, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("properties"));
    setWindowTitle(tr("Properties"));
    auto* text = new QLabel(this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setText(tr("The setup pages are not part of this version yet.\n\n"
                     "Settings are kept in\n%1\n\n"
                     "Set your call sign as MYCALL in section [SETTINGS] (for example MYCALL=N0CALL-9) and "
                     "your position as POSLATITUDE=4035.90N and POSLONGITUDE=02258.20E. Changes take "
                     "effect when this dialog closes.")
                      .arg(settingsFile));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    setMinimumWidth(460);
}
