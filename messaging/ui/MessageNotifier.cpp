#include "messaging/ui/MessageNotifier.h"

#include <QApplication>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>

#ifdef QP_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#endif

namespace {
#ifdef QP_HAVE_DBUS
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kCapabilitiesTimeoutMs = 300;
#endif
} // namespace

MessageNotifier::MessageNotifier(QObject* parent) : QObject(parent) {}

QString MessageNotifier::announcementText(const QString& from, const QString& text) {
    return QStringLiteral("Quillon\r\nFrom : %1\r\n%2").arg(from, text);
}

bool MessageNotifier::desktopServiceAvailable() {
#ifdef QP_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    return bus.interface()->isServiceRegistered(kService).value();
#else
    return false;
#endif
}

MessageNotifier::Channel MessageNotifier::announce(const QString& from, const QString& text) {
    QApplication::beep();
    // The first line of the announcement is its title, the rest its body.
    const QString announcement = announcementText(from, text);
    const qsizetype split = announcement.indexOf(QLatin1String("\r\n"));
    const QString summary = announcement.left(split);
    const QString body = announcement.mid(split + 2).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (notifyDesktop(summary, body)) return Channel::DesktopService;
    if (m_tray && QSystemTrayIcon::isSystemTrayAvailable() && m_tray->isVisible()) {
        // The balloon shows its texts as plain text.
        m_tray->showMessage(summary, body, QSystemTrayIcon::Information);
        return Channel::Tray;
    }
    return Channel::None;
}

bool MessageNotifier::notifyDesktop(const QString& summary, const QString& body) {
#ifdef QP_HAVE_DBUS
    if (!desktopServiceAvailable()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_bodyMarkup) {
        const QDBusMessage reply = bus.call(
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities")),
            QDBus::Block, kCapabilitiesTimeoutMs);
        // Unanswered: assume markup, so the text is escaped rather than read as markup.
        m_bodyMarkup = reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
                       reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
    }
    // A server that reads markup in bodies gets the sender's text escaped: nothing from the air is
    // taken for markup. The summary is plain text by the protocol.
    const QString shownBody = *m_bodyMarkup ? body.toHtmlEscaped() : body;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Quillpad") << uint(0) << QString() << summary << shownBody << QStringList()
         << QVariantMap() << int(-1);
    bus.asyncCall(call);
    return true;
#else
    (void)summary;
    (void)body;
    return false;
#endif
}
