#include "library/ui/readingview.h"

#include "library/ui/readingpage.h"
#include "widgets/readinginterceptor.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>

ReadingView::ReadingView(const QString& libraryPath, QWidget* parent)
    : QWebEngineView(parent) {
    m_profile = newReadingProfile(libraryPath, this);
    m_page = new ReadingPage(m_profile, this);
    restrictReadingPage(m_page->settings(), true); // head.js scrolls the page
    setPage(m_page);
    watchChildren();
}

ReadingView::~ReadingView() {
    // The page goes before the profile it runs in.
    setPage(nullptr);
    delete m_page;
}

void ReadingView::navigate(const QUrl& url) {
    m_requested = url;
    load(url);
}

void ReadingView::watchChildren() {
    // Keys go to the widget that draws the page, which is made (and remade) by the view.
    for (QObject* child : children())
        if (child->isWidgetType())
            child->installEventFilter(this);
}

bool ReadingView::event(QEvent* event) {
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool ReadingView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            // Tabbed into, the browser moves to the page's first (or last) link, which at the foot of
            // a chapter scrolls the chapter away: the page takes the focus where it stands instead.
            QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(watched, &plain);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && m_keyHandler && m_keyHandler(static_cast<QKeyEvent*>(event)))
        return true;
    return QWebEngineView::eventFilter(watched, event);
}
