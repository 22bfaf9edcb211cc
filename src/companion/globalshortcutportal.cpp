#include "companion/globalshortcutportal.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <memory>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// One request's Response, delivered once and then forgotten.
class ResponseCatcher : public QObject {
    Q_OBJECT

public:
    ResponseCatcher(std::function<void(uint, const QVariantMap&)> answer, QObject* parent)
        : QObject(parent)
        , m_answer(std::move(answer)) {}

public Q_SLOTS:
    void response(uint code, const QVariantMap& results) {
        if (auto answer = std::exchange(m_answer, {}))
            answer(code, results);
        deleteLater();
    }

private:
    std::function<void(uint, const QVariantMap&)> m_answer;
};

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void GlobalShortcutPortal::registerTypes() {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

GlobalShortcutPortal::GlobalShortcutPortal(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus) {
    registerTypes();
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
}

void GlobalShortcutPortal::bind(const QString& trigger, const QString& description) {
    m_trigger = trigger;
    m_description = description;
    if (m_bound && trigger == m_boundTrigger)
        return;
    if (m_busy)
        return; // the answer under way binds the latest trigger
    if (!m_bus.isConnected() || !m_bus.interface() || !m_bus.interface()->isServiceRegistered(kService))
        return refuse(tr("没有桌面门户"));
    m_busy = true;
    if (m_session.isEmpty())
        createSession();
    else
        bindShortcuts();
}

void GlobalShortcutPortal::request(const QString& method, QList<QVariant> arguments,
                                   const QVariantMap& options, Answer answer) {
    // The request object's path is known before the call, so its Response cannot come before the
    // handler listens.
    const QString token = QStringLiteral("quiveral%1").arg(++m_tokens);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString path = kPath + QStringLiteral("/request/") + sender + u'/' + token;
    auto* catcher = new ResponseCatcher(std::move(answer), this);
    m_bus.connect(kService, path, kRequest, QStringLiteral("Response"), catcher,
                  SLOT(response(uint, QVariantMap)));
    QVariantMap withToken = options;
    withToken.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    arguments << withToken;
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, catcher, path](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (!w->isError())
                    return;
                m_bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), catcher,
                                 SLOT(response(uint, QVariantMap)));
                catcher->deleteLater();
                refuse(w->error().message());
            });
}

void GlobalShortcutPortal::createSession() {
    const QString token = QStringLiteral("quiveral%1").arg(++m_tokens);
    request(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), token}},
            [this](uint code, const QVariantMap& results) {
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                // A string by the interface's word; some portals send an object path.
                m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                 : handle.toString();
                if (code != 0 || m_session.isEmpty())
                    return refuse(tr("桌面门户拒绝了会话"));
                bindShortcuts();
            });
}

void GlobalShortcutPortal::bindShortcuts() {
    const QString trigger = m_trigger;
    const PortalShortcut shortcut{
        shortcutId(),
        {{QStringLiteral("description"), m_description}, {QStringLiteral("preferred_trigger"), trigger}}};
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)),
             QVariant::fromValue(QList<PortalShortcut>{shortcut}), QString()},
            {}, [this, trigger](uint code, const QVariantMap&) {
                if (code != 0)
                    return refuse(tr("桌面门户拒绝了快捷键"));
                m_busy = false;
                if (trigger != m_trigger) // changed while the desktop was asked
                    return bind(m_trigger, m_description);
                m_bound = true;
                m_boundTrigger = trigger;
                Q_EMIT bound();
            });
}

void GlobalShortcutPortal::refuse(const QString& why) {
    m_busy = false;
    m_bound = false;
    Q_EMIT refused(why);
}

void GlobalShortcutPortal::onActivated(const QDBusMessage& signal) {
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = signal.arguments();
    if (!m_bound || arguments.size() < 2)
        return;
    if (arguments.at(0).value<QDBusObjectPath>().path() == m_session &&
        arguments.at(1).toString() == shortcutId())
        Q_EMIT activated();
}

#include "globalshortcutportal.moc"
