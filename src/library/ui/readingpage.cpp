#include "library/ui/readingpage.h"

ReadingPage::ReadingPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {}

bool ReadingPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (isMainFrame && m_linkHandler && m_linkHandler(url, type))
        return false;
    return true;
}

QWebEnginePage* ReadingPage::createWindow(WebWindowType) {
    // Pages open no windows of their own.
    return nullptr;
}

void ReadingPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                           const QString&) {
    // Scripts of downloaded pages are not ours to report.
}
