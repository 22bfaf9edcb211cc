#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;

class QWidget;

// The notification-area icon of the main window: "打开" and "退出" on its menu, a click restores the
// window maximised, and while it is on, minimising hides the window from the task bar. It hides the
// window only while the icon is really shown: without a notification area the window stays reachable.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // exit is what "退出" does (the window's own exit command).
    TrayIcon(QWidget* window, std::function<void()> exit);
    ~TrayIcon() override;

    // Shows or removes the icon (the "最小化到托盘" option, at once).
    void setEnabled(bool on);
    bool isShown() const;
    QSystemTrayIcon* icon() const { return m_icon; }
    QMenu* menu() const { return m_menu; }
    // The window back from the tray or the task bar, maximised.
    void restoreWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<void()> m_exit;
    QPointer<QSystemTrayIcon> m_icon;
    QMenu* m_menu = nullptr;
};
