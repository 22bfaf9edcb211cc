#include "library/ui/readingview.h"

#include "widgets/readinginterceptor.h"
#include "library/ui/readingpage.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

ReadingView::ReadingView(const QString& libraryPath, QWidget* parent)
    : QWebEngineView(parent) {
    // Off the record: no cache, cookies or history of downloaded pages on disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    m_interceptor = new ReadingInterceptor(libraryPath, this);
    m_profile->setUrlRequestInterceptor(m_interceptor);

    m_page = new ReadingPage(m_profile, this);
    QWebEngineSettings* s = m_page->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, true); // head.js scrolls the page
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Without this a local page loads none of its pictures, style sheet or script; which files it
    // may load is decided by the interceptor instead.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
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
