#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include <QSystemTrayIcon>

// Tells the user of a new message addressed to the station: a beep, and the announcement
// "Quillon\r\nFrom : %s\r\n%s" as a desktop notification where a notification service runs (the
// freedesktop service on the session bus, else the tray icon's balloon). Without either the beep
// is all; nothing fails.
class MessageNotifier : public QObject {
    Q_OBJECT
public:
    enum class Channel { None, DesktopService, Tray };

    explicit MessageNotifier(QObject* parent = nullptr);

    // The tray icon whose balloon serves when no notification service runs.
    void setTray(QSystemTrayIcon* tray) { m_tray = tray; }

    static QString announcementText(const QString& from, const QString& text);
    // Beeps and shows the announcement; the way it went.
    Channel announce(const QString& from, const QString& text);

    // Whether the freedesktop notification service answers on the session bus now.
    static bool desktopServiceAvailable();

private:
    bool notifyDesktop(const QString& summary, const QString& body);

    QPointer<QSystemTrayIcon> m_tray;
    std::optional<bool> m_bodyMarkup; // whether the service reads markup in bodies, once asked
};
