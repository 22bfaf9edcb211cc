#include "library/desktopnotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace DesktopNotification {

bool send(const QString& summary, const QString& body) {
    return send(QDBusConnection::sessionBus(), summary, body);
}

bool send(const QDBusConnection& bus, const QString& summary, const QString& body) {
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Quiveral") << quint32(0) << QStringLiteral("quiveral") << summary << body
         << QStringList() << QVariantMap() << qint32(-1);
    return bus.send(call);
}

} // namespace DesktopNotification
