#pragma once

#include "companion/bosskey.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class GlobalShortcutPortal;
class QDBusConnection;
class QSystemTrayIcon;
class QTimer;

// The boss key: pressed in the reading view, the chapter list or the full-screen viewer it hides every
// visible window of the program at once; pressed again anywhere on the desktop it brings the same
// windows back. On X11 the key is watched by polling the keyboard's state every 100 ms; on Wayland the
// desktop portal is asked for the key as a shortcut of the whole desktop. Where neither works (or the
// portal refuses), a tray icon stays while the program is hidden, and starting it again restores it.
class BossGuard : public QObject {
    Q_OBJECT

public:
    // The stored key is asked of storedKey at every key press: a change in the settings counts at once.
    explicit BossGuard(std::function<QString()> storedKey, QObject* parent = nullptr);
    ~BossGuard() override;

    bool isHiding() const { return m_hiding; }
    void hideAll();
    void restoreAll();
    // Whether the key can be watched while no window of the program has the keyboard.
    static bool canWatchKeyboard();
    // The key through the desktop portal on that bus (Wayland's session bus by itself).
    void watchThroughPortal(const QDBusConnection& bus);
    // Whether the portal took the key: hiding then needs neither polling nor the tray.
    bool watchesThroughPortal() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether a key pressed in that widget may hide the program (not while typing into a field).
    static bool isGuardedPlace(const QWidget* focus);
    bool keyIsDown(const BossKey& key) const;
    void poll();

    std::function<QString()> m_storedKey;
    QList<QPointer<QWidget>> m_hidden;
    QTimer* m_tmrBoss = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<GlobalShortcutPortal> m_portal;
    bool m_portalAsked = false; // Wayland: the keyboard cannot be polled, whatever X11 says
    qint64 m_toggledAt = 0;
    BossKey m_key;
    bool m_hiding = false;
    bool m_waitForRelease = false;
};
