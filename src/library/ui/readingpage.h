#pragma once

#include <QWebEnginePage>

#include <functional>

// The page of a reading view: every navigation of the main frame is first offered to the window,
// which shows chapter links itself (and cancels the browser's own navigation).
class ReadingPage : public QWebEnginePage {
    Q_OBJECT

public:
    ReadingPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // Returns true when the window took care of the address.
    using LinkHandler = std::function<bool(const QUrl& url, NavigationType type)>;
    void setLinkHandler(LinkHandler handler) { m_linkHandler = std::move(handler); }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    LinkHandler m_linkHandler;
};
