#include "messaging/ui/DlgSendMessage.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "controls/DialogRunner.h"
#include "messaging/MsgManager.h"
#include "messaging/ui/MessageTextCheck.h"
#include "messaging/ui/UpperCaseValidator.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPushButton>
#include <QVBoxLayout>

DlgSendMessage::DlgSendMessage(const QString& call, const QStringList& heardPaths,
                               const ActivePortList& ports, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setObjectName(QStringLiteral("DlgSendMessage"));
    setWindowTitle(tr("Send Message"));

    m_call = new QLineEdit(call, this);
    m_call->setObjectName(QStringLiteral("toCall"));
    m_call->setValidator(new UpperCaseValidator(m_call));
    m_call->setText(call.toUpper());

    m_path = new QComboBox(this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setEditable(true);
    m_path->setInsertPolicy(QComboBox::NoInsert);
    m_path->lineEdit()->setValidator(new UpperCaseValidator(m_path));
    m_path->addItems(heardPaths);
    m_path->setCurrentIndex(heardPaths.isEmpty() ? -1 : 0);

    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("radioPort"));
    for (const ActivePort& p : ports.entries)
        m_port->addItem(p.port == -1 ? QStringLiteral("APRS Server") : p.name, p.port);
    m_port->setCurrentIndex(m_port->count() > 0 ? 0 : -1);

    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("text"));
    // A hint, not a text: it is never sent.
    m_text->setPlaceholderText(tr("Write your message and Press [Send] Button"));
    m_text->setClearButtonEnabled(true);

    m_lengthWarning = new QLabel(this);
    m_lengthWarning->setObjectName(QStringLiteral("lengthWarning"));
    m_lengthWarning->setTextFormat(Qt::PlainText);
    m_lengthWarning->setWordWrap(true);
    m_lengthWarning->hide();

    auto* form = new QFormLayout;
    form->addRow(tr("To"), m_call);
    form->addRow(tr("Path"), m_path);
    form->addRow(tr("Port"), m_port);
    form->addRow(tr("Text"), m_text);
    form->addRow(QString(), m_lengthWarning);

    auto* buttons = new QDialogButtonBox(this);
    m_send = buttons->addButton(tr("Send"), QDialogButtonBox::AcceptRole);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setDefault(true);
    m_send->setEnabled(false);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_send, &QPushButton::clicked, this, &DlgSendMessage::send);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_send->setEnabled(!text.isEmpty());
        const QString warning = MessageTextCheck::lengthWarning(text);
        m_lengthWarning->setText(warning);
        m_lengthWarning->setVisible(!warning.isEmpty());
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    m_text->setFocus();
}

QString DlgSendMessage::call() const {
    return m_call->text().trimmed().toUpper();
}

QString DlgSendMessage::path() const {
    return MessageTextCheck::normalisedPath(m_path->currentText());
}

QString DlgSendMessage::text() const {
    return m_text->text();
}

int DlgSendMessage::port() const {
    return m_port->currentIndex() < 0 ? -2 : m_port->currentData().toInt();
}

void DlgSendMessage::send() {
    if (m_port->currentIndex() < 0) {
        m_prompter.report(ResourceStrings::text(ResourceStrings::SelectRadioPortFirst), Prompter::Icon::Stop);
        return;
    }
    if (text().isEmpty()) return; // Send is disabled then; Enter in an empty field does nothing
    if (call().isEmpty()) {
        m_prompter.report(ResourceStrings::text(ResourceStrings::NoAddressee), Prompter::Icon::Stop);
        return;
    }
    const QString problem = MessageTextCheck::problem(call(), text(), path());
    if (!problem.isEmpty()) {
        m_prompter.report(problem, Prompter::Icon::Stop);
        return;
    }
    accept();
}

QStringList DlgSendMessage::heardPathsOf(StationManager& stations, const QString& call) {
    QStringList paths;
    QMutexLocker locker(&stations.lock());
    const StationRecord* record = stations.FindByCall(call);
    if (!record) return paths;
    for (const QString& digis : record->heardPaths.digipeaters) {
        if (digis.isEmpty()) break;
        paths << digis;
    }
    return paths;
}

int sendMessageToStation(QWidget* parent, const QString& call, StationManager& stations, MsgManager& messages,
                         const ActivePortList& ports, Prompter& prompter, DialogRunner& runner) {
    DlgSendMessage dialog(call, DlgSendMessage::heardPathsOf(stations, call), ports, prompter, parent);
    if (runner.run(dialog) != QDialog::Accepted) return -1;
    return messages.QueueMessage(dialog.call(), dialog.text(), dialog.path(), dialog.port());
}
