#include "renewal/poweroff.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace PowerOff {

bool requestPowerOff(QString* error) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        if (error)
            *error = bus.lastError().message();
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    // interactive: polkit may ask the user for a password instead of refusing outright.
    call << true;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 25000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error)
            *error = reply.errorMessage();
        return false;
    }
    return true;
}

} // namespace PowerOff
