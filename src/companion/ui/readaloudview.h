#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QWebEngineView;
class QWidget;
class ReadAloud;
class Settings;
class SpeechEngine;

// The reading view read aloud: the toggle command starts at the selection (or the top of the page)
// and the sentence being read is found in the page; another page in the view, or stop(), ends it.
// The speech engine is made on first use, so that a program that never reads aloud never starts it.
class ReadAloudView : public QObject {
    Q_OBJECT

public:
    using ViewGetter = std::function<QWebEngineView*()>;
    ReadAloudView(QAction* toggle, ViewGetter view, Settings& settings, QWidget* window);

    bool isReading() const;
    void stop();

private:
    void toggled(bool on);
    void read(QWebEngineView* view, const QString& html, const QString& selection);
    void ended();

    QAction* m_toggle;
    ViewGetter m_viewOf;
    Settings& m_settings;
    QWidget* m_window;
    SpeechEngine* m_engine = nullptr;
    ReadAloud* m_reader = nullptr;
    QPointer<QWebEngineView> m_view;
    QMetaObject::Connection m_pageWatch;
    int m_request = 0; // the page's text arrives later: a toggle meanwhile makes it stale
};
