#pragma once

#include <QString>

class QDBusConnection;

// A desktop notification through the session bus's notification service (org.freedesktop.Notifications).
// Sent without waiting for an answer: a desktop without the service costs nothing and shows nothing.
namespace DesktopNotification {

// False when there is no session bus to send it to.
bool send(const QString& summary, const QString& body);
bool send(const QDBusConnection& bus, const QString& summary, const QString& body);

} // namespace DesktopNotification
