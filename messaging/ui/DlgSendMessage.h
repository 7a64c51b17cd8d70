#pragma once

#include "app/ActivePortList.h"

#include <QDialog>
#include <QStringList>

class DialogRunner;
class MsgManager;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StationManager;

// "Send Message": a message to one station, opened from the station's menu. It gathers the call,
// the path (the station's heard paths to choose from), the transmit port and the text, checks
// them, and closes with Ok; the caller queues the message.
class DlgSendMessage : public QDialog {
    Q_OBJECT
public:
    DlgSendMessage(const QString& call, const QStringList& heardPaths, const ActivePortList& ports,
                   Prompter& prompter, QWidget* parent = nullptr);

    // The fields as they go out: call and path in upper case.
    QString call() const;
    QString path() const;
    QString text() const;
    // The port of the selected entry; -2 when none is selected.
    int port() const;

    // The Send button: with a port selected and the fields sound, closes with Ok; otherwise tells
    // the user why and stays open.
    void send();

    // The heard paths of a station (its digipeater lists in slot order, up to the first empty).
    static QStringList heardPathsOf(StationManager& stations, const QString& call);

private:
    Prompter& m_prompter;
    QLineEdit* m_call = nullptr;
    QComboBox* m_path = nullptr;
    QComboBox* m_port = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_lengthWarning = nullptr;
    QPushButton* m_send = nullptr;
};

// Opens the send dialog for a station through the runner and queues what it gathers: the result
// of QueueMessage (1 queued, 0 refused), or -1 when the dialog was cancelled.
int sendMessageToStation(QWidget* parent, const QString& call, StationManager& stations, MsgManager& messages,
                         const ActivePortList& ports, Prompter& prompter, DialogRunner& runner);
