#pragma once

#include <QDialog>
#include <QStringList>

class DialogRunner;
class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class SettingsStore;
class StationHome;

// "Server Connection": the APRS-IS server, login, passcode, filter and the automatic connection
// options. Ok stores them in STATUS for the connection that follows; a typed server may be added
// to the server list. The stored values are shown whether or not the server list could be read.
class DlgGateWay : public QDialog {
    Q_OBJECT
public:
    DlgGateWay(SettingsStore& settings, const StationHome& home, Prompter& prompter, DialogRunner& dialogs,
               QWidget* parent = nullptr);

    // Ok: stores the option boxes, checks the fields, may add the server to the list, stores the
    // rest and closes; on a refused field the dialog stays open with its content.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void updateLoginEnabled();
    void fillPasscode();
    void openFilterBuilder();
    // The first field that may not go into the login line, reported and focused; true when all may.
    bool fieldsAcceptable();
    void refuse(QWidget* field, const QString& text);

    SettingsStore& m_settings;
    const StationHome& m_home;
    Prompter& m_prompter;
    DialogRunner& m_dialogs;
    QStringList m_servers;

    QComboBox* m_server;
    QLineEdit* m_filter;
    QToolButton* m_filterBuilder;
    QLabel* m_loginLabel;
    QLineEdit* m_login;
    QLabel* m_passLabel;
    QLineEdit* m_pass;
    QCheckBox* m_haveLogin;
    QCheckBox* m_connectOnStartup;
    QCheckBox* m_reconnect;
};
