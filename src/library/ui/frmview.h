#pragma once

#include <QWidget>

class QMenu;
class QTimer;
class ReadingView;

// The full-screen viewer: a borderless window with a browser of its own showing the current
// chapter. Moving between chapters, the contents page, the reading settings and bookmarks are the
// main window's; this window asks for them.
class FrmView : public QWidget {
    Q_OBJECT

public:
    explicit FrmView(const QString& libraryPath, QWidget* parent = nullptr);

    ReadingView* view() const { return m_web; }
    // Automatic page turning: the next chapter every given number of seconds (0: off).
    void setAutoTurn(int seconds);
    int autoTurn() const { return m_autoTurnSeconds; }
    void stopAutoTurn() { setAutoTurn(0); }

Q_SIGNALS:
    void previousRequested();
    void nextRequested();
    void contentsRequested();
    void contentSetRequested();
    void bookmarkRequested();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showMenu(const QPoint& pos);
    void autoFormat();

    ReadingView* m_web = nullptr;
    QMenu* m_menu = nullptr;
    QTimer* m_tmrTurn = nullptr;
    int m_autoTurnSeconds = 0;
};
