#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// One shortcut as the desktop portal's GlobalShortcuts interface passes it: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)

class QDBusArgument;
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

// A key of the whole desktop through the desktop portal (org.freedesktop.portal.GlobalShortcuts), for
// desktops where a program cannot watch the keyboard itself (Wayland). bind() makes a session and asks
// for the one shortcut "boss-key"; the answer comes as bound() or refused(), a press as activated().
class GlobalShortcutPortal : public QObject {
    Q_OBJECT

public:
    static QString shortcutId() { return QStringLiteral("boss-key"); }
    static void registerTypes();

    explicit GlobalShortcutPortal(const QDBusConnection& bus, QObject* parent = nullptr);

    // trigger in the portal's form ("F12", "SHIFT+F12"). Again with another trigger binds that one.
    void bind(const QString& trigger, const QString& description);
    bool isBound() const { return m_bound; }

Q_SIGNALS:
    void bound();
    void refused(const QString& why);
    void activated();

private Q_SLOTS:
    void onActivated(const QDBusMessage& signal);

private:
    using Answer = std::function<void(uint code, const QVariantMap& results)>;
    // Calls a portal method whose answer comes later as the Response of a request object.
    void request(const QString& method, QList<QVariant> arguments, const QVariantMap& options, Answer answer);
    void createSession();
    void bindShortcuts();
    void refuse(const QString& why);

    QDBusConnection m_bus;
    QString m_session;
    QString m_trigger;
    QString m_boundTrigger;
    QString m_description;
    bool m_bound = false;
    bool m_busy = false;
    int m_tokens = 0;
};
