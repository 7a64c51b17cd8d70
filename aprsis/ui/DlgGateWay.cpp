#include "aprsis/ui/DlgGateWay.h"

#include "aprsis/Passcode.h"
#include "aprsis/ServerList.h"
#include "aprsis/ui/DlgAPRSFilter.h"
#include "controls/DialogRunner.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/StationHome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The login goes to the server as a call sign: at most 9 characters, letters and digits with at
// most one "-" before the SSID.
bool isCallSign(const QString& login) {
    if (login.isEmpty() || login.size() > 9) return false;
    const qsizetype dash = login.indexOf(QLatin1Char('-'));
    if (dash == 0 || (dash > 0 && dash == login.size() - 1)) return false;
    for (qsizetype i = 0; i < login.size(); ++i) {
        const char16_t c = login[i].unicode();
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        if (!alnum && i != dash) return false;
    }
    return true;
}

bool hasBlank(const QString& text) {
    for (QChar c : text)
        if (c.isSpace()) return true;
    return false;
}
} // namespace

DlgGateWay::DlgGateWay(SettingsStore& settings, const StationHome& home, Prompter& prompter,
                       DialogRunner& dialogs, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_home(home), m_prompter(prompter), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("serverConnection"));
    setWindowTitle(tr("Server Connection"));

    m_server = new QComboBox(this);
    m_server->setObjectName(QStringLiteral("server"));
    m_server->setEditable(true);
    // A typed server is offered for the file by Ok, not silently put into the list by Enter.
    m_server->setInsertPolicy(QComboBox::NoInsert);
    m_server->setMinimumContentsLength(28);
    m_server->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filterBuilder = new QToolButton(this);
    m_filterBuilder->setObjectName(QStringLiteral("filterBuilder"));
    m_filterBuilder->setText(tr("..."));
    m_filterBuilder->setToolTip(tr("Build the filter"));

    m_haveLogin = new QCheckBox(tr("I &Have Login/Password"), this);
    m_haveLogin->setObjectName(QStringLiteral("haveLogin"));
    m_login = new QLineEdit(this);
    m_login->setObjectName(QStringLiteral("login"));
    m_pass = new QLineEdit(this);
    m_pass->setObjectName(QStringLiteral("pass"));
    m_connectOnStartup = new QCheckBox(tr("Connect on&Startup"), this);
    m_connectOnStartup->setObjectName(QStringLiteral("connectOnStartup"));
    m_reconnect = new QCheckBox(tr("Try 2 &Reconnect"), this);
    m_reconnect->setObjectName(QStringLiteral("reconnect"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &DlgGateWay::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* serverLabel = new QLabel(tr("&Server"), this);
    serverLabel->setBuddy(m_server);
    auto* filterLabel = new QLabel(tr("F&ilter"), this);
    filterLabel->setBuddy(m_filter);
    m_loginLabel = new QLabel(tr("&Login"), this);
    m_loginLabel->setBuddy(m_login);
    m_passLabel = new QLabel(tr("&Pass"), this);
    m_passLabel->setBuddy(m_pass);

    auto* filterRow = new QHBoxLayout;
    filterRow->setSpacing(4);
    filterRow->addWidget(m_filter, 1);
    filterRow->addWidget(m_filterBuilder);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(serverLabel, m_server);
    form->addRow(filterLabel, filterRow);
    form->addRow(QString(), m_haveLogin);
    form->addRow(m_loginLabel, m_login);
    form->addRow(m_passLabel, m_pass);
    // The connection options apart from the login they do not depend on.
    form->addItem(new QSpacerItem(0, 6, QSizePolicy::Minimum, QSizePolicy::Fixed));
    form->addRow(QString(), m_connectOnStartup);
    form->addRow(QString(), m_reconnect);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);

    setTabOrder(m_server, m_filter);
    setTabOrder(m_filter, m_filterBuilder);
    setTabOrder(m_filterBuilder, m_haveLogin);
    setTabOrder(m_haveLogin, m_login);
    setTabOrder(m_login, m_pass);
    setTabOrder(m_pass, m_connectOnStartup);
    setTabOrder(m_connectOnStartup, m_reconnect);
    setTabOrder(m_reconnect, buttons);

    connect(m_haveLogin, &QCheckBox::toggled, this, &DlgGateWay::updateLoginEnabled);
    connect(m_filterBuilder, &QToolButton::clicked, this, &DlgGateWay::openFilterBuilder);
    m_login->installEventFilter(this);

    load();
    m_server->setFocus();
}

void DlgGateWay::load() {
    m_servers = ServerList::entries(m_home);
    m_server->addItems(m_servers);
    const QString server = read(m_settings, Settings::APRSERVER);
    const int index = static_cast<int>(m_servers.indexOf(server));
    m_server->setCurrentIndex(index);
    if (index < 0) m_server->setEditText(server);

    // Shown even when the server list could not be read, so Ok never stores them away.
    m_filter->setText(read(m_settings, Settings::APRSRVFILTER));
    m_login->setText(read(m_settings, Settings::APRSRVLOGIN));
    m_pass->setText(read(m_settings, Settings::APRSRVPASSWORD));
    m_haveLogin->setChecked(!m_login->text().isEmpty() && !m_pass->text().isEmpty());
    m_connectOnStartup->setChecked(read(m_settings, Settings::APRSRVCONNECTSTARTUP) != 0);
    m_reconnect->setChecked(read(m_settings, Settings::APRSRVRECONNECT) != 0);
    updateLoginEnabled();
}

void DlgGateWay::updateLoginEnabled() {
    // Only enabled or not: the contents are stored either way.
    const bool on = m_haveLogin->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_loginLabel, m_login, m_passLabel, m_pass})
        w->setEnabled(on);
}

bool DlgGateWay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_login && event->type() == QEvent::FocusOut) fillPasscode();
    return QDialog::eventFilter(watched, event);
}

void DlgGateWay::fillPasscode() {
    const QString login = m_login->text();
    // An empty login connects listen-only with the station's call; a passcode of nothing would
    // only overwrite what the user typed into Pass.
    if (login.isEmpty() || login.size() > 10) return;
    m_login->setText(login.toUpper());
    m_pass->setText(QString::number(aprsPasscode(m_login->text())));
}

void DlgGateWay::openFilterBuilder() {
    // The builder starts from the filter as shown now and changes nothing but the filter.
    DlgAPRSFilter builder(m_filter->text(), m_prompter, m_dialogs, this);
    if (m_dialogs.run(builder) == QDialog::Accepted) m_filter->setText(builder.filterText());
}

void DlgGateWay::refuse(QWidget* field, const QString& text) {
    m_prompter.report(text, Prompter::Icon::Stop);
    // A refused login or pass must be reachable to be mended.
    if ((field == m_login || field == m_pass) && !m_haveLogin->isChecked()) m_haveLogin->setChecked(true);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
}

bool DlgGateWay::fieldsAcceptable() {
    const QString noControls =
        tr("The %1 must not contain line breaks or other control characters: it is sent to the server as "
           "part of one line.");
    const struct {
        QWidget* field;
        QString text;
        QString name;
    } fields[] = {{m_server, m_server->currentText(), tr("Server")},
                  {m_login, m_login->text(), tr("Login")},
                  {m_pass, m_pass->text(), tr("Pass")},
                  {m_filter, m_filter->text(), tr("Filter")}};
    for (const auto& f : fields) {
        if (ServerList::hasControlCharacters(f.text)) {
            refuse(f.field, noControls.arg(f.name));
            return false;
        }
    }
    // An empty login is no mistake: the station then logs in listen-only with its own call.
    if (!m_login->text().isEmpty() && !isCallSign(m_login->text())) {
        refuse(m_login, tr("The Login must be a call sign of at most 9 characters: letters and digits, "
                           "with an optional \"-\" and SSID (for example N0CALL-10)."));
        return false;
    }
    if (hasBlank(m_pass->text())) {
        refuse(m_pass, tr("The Pass must not contain blanks: the server reads it as one word."));
        return false;
    }
    return true;
}

void DlgGateWay::accept() {
    // The option boxes count from this press of Ok on, even when the dialog stays open.
    write(m_settings, Settings::APRSRVCONNECTSTARTUP, m_connectOnStartup->isChecked() ? 1 : 0);
    write(m_settings, Settings::APRSRVRECONNECT, m_reconnect->isChecked() ? 1 : 0);

    const QString server = m_server->currentText().trimmed();
    if (server.isEmpty()) {
        refuse(m_server, ResourceStrings::text(ResourceStrings::SelectServerOrCancel));
        return;
    }
    if (!fieldsAcceptable()) return;
    // Decided by the text, not by the selection: a server typed exactly as listed is in the list,
    // and an edited selection is not.
    if (!m_servers.contains(server) &&
        m_prompter.askYesNo(ResourceStrings::text(ResourceStrings::AddServerToList),
                            Prompter::Icon::Question) == Prompter::Answer::Yes) {
        // When the file cannot be written the server is still used, only not remembered.
        ServerList::add(m_home, server);
    }
    write(m_settings, Settings::APRSERVER, server);
    write(m_settings, Settings::APRSRVLOGIN, m_login->text());
    write(m_settings, Settings::APRSRVPASSWORD, m_pass->text());
    write(m_settings, Settings::APRSRVFILTER, m_filter->text());
    QDialog::accept();
}
