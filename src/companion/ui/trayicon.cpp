#include "companion/ui/trayicon.h"

#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

TrayIcon::TrayIcon(QWidget* window, std::function<void()> exit)
    : QObject(window)
    , m_window(window)
    , m_exit(std::move(exit)) {
    setObjectName(QStringLiteral("trayIconOwner"));
    m_menu = new QMenu(window);
    m_menu->setObjectName(QStringLiteral("mnuTray"));
    QAction* open = m_menu->addAction(tr("打开(&O)"), this, &TrayIcon::restoreWindow);
    open->setObjectName(QStringLiteral("mnuViewTray"));
    QAction* quit = m_menu->addAction(tr("退出(&X)"), this, [this] { m_exit(); });
    quit->setObjectName(QStringLiteral("mnuExitTray"));
    window->installEventFilter(this);
}

TrayIcon::~TrayIcon() {
    if (m_icon)
        m_icon->hide();
}

void TrayIcon::setEnabled(bool on) {
    if (!on || !QSystemTrayIcon::isSystemTrayAvailable()) {
        if (m_icon) {
            m_icon->hide();
            m_icon->deleteLater();
        }
        // Hidden into a tray that is gone: the task bar takes the window back.
        if (m_window->isHidden() && m_window->isMinimized())
            m_window->showMinimized();
        return;
    }
    if (m_icon)
        return;
    m_icon = new QSystemTrayIcon(m_window->windowIcon(), this);
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setToolTip(QStringLiteral("Quiveral"));
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            restoreWindow();
    });
    m_icon->show();
}

bool TrayIcon::isShown() const {
    return m_icon && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::restoreWindow() {
    m_window->showMaximized();
    m_window->raise();
    m_window->activateWindow();
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::WindowStateChange && m_window->isMinimized() &&
        isShown()) {
        // After the state change is through: hiding inside it confuses some window managers.
        QTimer::singleShot(0, m_window, [this] {
            if (m_window->isMinimized() && isShown())
                m_window->hide();
        });
    }
    return QObject::eventFilter(watched, event);
}
