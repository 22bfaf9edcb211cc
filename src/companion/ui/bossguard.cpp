#include "companion/ui/bossguard.h"

#include "companion/globalshortcutportal.h"
#include "companion/ui/x11keyboard.h"

#include <QApplication>
#include <QDateTime>
#include <QDBusConnection>
#include <QKeyEvent>
#include <QSystemTrayIcon>
#include <QTimer>

BossGuard::BossGuard(std::function<QString()> storedKey, QObject* parent)
    : QObject(parent)
    , m_storedKey(std::move(storedKey)) {
    setObjectName(QStringLiteral("bossGuard"));
    m_tmrBoss = new QTimer(this);
    m_tmrBoss->setObjectName(QStringLiteral("tmrBoss"));
    m_tmrBoss->setInterval(100);
    connect(m_tmrBoss, &QTimer::timeout, this, &BossGuard::poll);
    qApp->installEventFilter(this);
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        watchThroughPortal(QDBusConnection::sessionBus());
}

void BossGuard::watchThroughPortal(const QDBusConnection& bus) {
    delete m_portal;
    m_portalAsked = true;
    m_portal = new GlobalShortcutPortal(bus, this);
    // Refused once, not asked again: some desktops ask the user each time.
    connect(m_portal, &GlobalShortcutPortal::refused, m_portal, &QObject::deleteLater);
    connect(m_portal, &GlobalShortcutPortal::activated, this, [this] {
        // The same press may reach a window of the program as well: it counts once.
        if (QDateTime::currentMSecsSinceEpoch() - m_toggledAt < 300)
            return;
        m_hiding ? restoreAll() : hideAll();
    });
    const QString trigger = BossKey(m_storedKey()).trigger();
    if (!trigger.isEmpty())
        m_portal->bind(trigger, tr("隐藏/显示 Quiveral"));
}

bool BossGuard::watchesThroughPortal() const {
    return m_portal && m_portal->isBound();
}

BossGuard::~BossGuard() {
    qApp->removeEventFilter(this);
}

bool BossGuard::canWatchKeyboard() {
    return X11Keyboard::available();
}

bool BossGuard::isGuardedPlace(const QWidget* focus) {
    for (const QWidget* w = focus; w; w = w->parentWidget()) {
        const QString name = w->objectName();
        if (name == QLatin1String("Web1") || name == QLatin1String("ListView1") || name == QLatin1String("frmView"))
            return w->window()->objectName() == QLatin1String("frmBook") || name == QLatin1String("frmView");
    }
    return false;
}

bool BossGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_hiding || key->isAutoRepeat() || !watched->isWidgetType())
        return false;
    const BossKey boss(m_storedKey());
    // The receiver is where the key was typed (the focus widget, or the browser's own input widget).
    if (!boss.matches(key->key(), key->modifiers()) || !isGuardedPlace(static_cast<QWidget*>(watched)))
        return false;
    // The override comes first for keys that are also shortcuts; either way it is the key's only use.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    m_key = boss;
    hideAll();
    return true;
}

void BossGuard::hideAll() {
    if (m_hiding)
        return;
    m_hidden.clear();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            m_hidden << w;
    for (const QPointer<QWidget>& w : m_hidden)
        w->hide();
    m_hiding = true;
    m_toggledAt = QDateTime::currentMSecsSinceEpoch();
    if (m_portal) {
        // A key changed in the settings since: the desktop is asked for the new one.
        const QString trigger = BossKey(m_storedKey()).trigger();
        if (!trigger.isEmpty())
            m_portal->bind(trigger, tr("隐藏/显示 Quiveral"));
    }
    if (watchesThroughPortal())
        return; // the desktop tells of the next press
    if (canWatchKeyboard() && !m_portalAsked) {
        // The key that hid the program is still down: it counts again only once it was let go.
        m_waitForRelease = true;
        m_tmrBoss->start();
    } else if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(QApplication::windowIcon(), this);
        m_tray->setObjectName(QStringLiteral("bossTray"));
        m_tray->setToolTip(QStringLiteral("Quiveral"));
        connect(m_tray, &QSystemTrayIcon::activated, this, &BossGuard::restoreAll);
        m_tray->show();
    }
}

void BossGuard::restoreAll() {
    if (!m_hiding)
        return;
    m_hiding = false;
    m_toggledAt = QDateTime::currentMSecsSinceEpoch();
    m_tmrBoss->stop();
    if (m_tray) {
        m_tray->hide();
        m_tray->deleteLater();
        m_tray = nullptr;
    }
    for (const QPointer<QWidget>& w : std::as_const(m_hidden))
        if (w)
            w->show();
    if (!m_hidden.isEmpty() && m_hidden.first()) {
        m_hidden.first()->raise();
        m_hidden.first()->activateWindow();
    }
    m_hidden.clear();
}

bool BossGuard::keyIsDown(const BossKey& key) const {
    return X11Keyboard::isDown(key.keysym(), key.shift());
}

void BossGuard::poll() {
    const BossKey key = m_key.isNone() ? BossKey(m_storedKey()) : m_key;
    const bool down = keyIsDown(key);
    if (m_waitForRelease) {
        m_waitForRelease = down;
        return;
    }
    if (down)
        restoreAll();
}
