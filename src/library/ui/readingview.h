#pragma once

#include <QWebEngineView>

#include <functional>

class QKeyEvent;
class QWebEngineProfile;
class ReadingPage;

// The embedded browser that shows chapter pages (Web1, and the viewer window's). It runs in a
// profile of its own that keeps nothing on disk and lets pages load only what they need.
class ReadingView : public QWebEngineView {
    Q_OBJECT

public:
    ReadingView(const QString& libraryPath, QWidget* parent = nullptr);
    ~ReadingView() override;

    ReadingPage* readingPage() const { return m_page; }

    // Keys pressed in the page reach the handler first; true means it used the key.
    using KeyHandler = std::function<bool(QKeyEvent* event)>;
    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }

    // The address shown, as the window asked for it.
    QUrl requestedUrl() const { return m_requested; }
    void navigate(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void watchChildren();

    QWebEngineProfile* m_profile = nullptr;
    ReadingPage* m_page = nullptr;
    KeyHandler m_keyHandler;
    QUrl m_requested;
};
