#include "companion/ui/readaloudview.h"

#include "companion/readaloud.h"
#include "companion/speechengine.h"
#include "companion/speechtext.h"
#include "storage/settings.h"
#include "widgets/messages.h"

#include <QAction>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>

ReadAloudView::ReadAloudView(QAction* toggle, ViewGetter view, Settings& settings, QWidget* window)
    : QObject(window)
    , m_toggle(toggle)
    , m_viewOf(std::move(view))
    , m_settings(settings)
    , m_window(window) {
    m_toggle->setCheckable(true);
    connect(m_toggle, &QAction::triggered, this, &ReadAloudView::toggled);
}

bool ReadAloudView::isReading() const {
    return m_reader && m_reader->isReading();
}

void ReadAloudView::stop() {
    ++m_request;
    if (isReading())
        m_reader->stop();
    else
        ended();
}

void ReadAloudView::toggled(bool on) {
    if (!on)
        return stop();
    if (!m_engine) {
        m_engine = SpeechEngine::create(this);
        m_reader = new ReadAloud(m_engine, this);
        connect(m_reader, &ReadAloud::reading, this, [this](int, const QString& sentence) {
            if (m_view)
                m_view->findText(sentence);
        });
        connect(m_reader, &ReadAloud::finished, this, &ReadAloudView::ended);
        connect(m_reader, &ReadAloud::failed, this,
                [this](const QString& message) { Messages::warning(m_window, message); });
    }
    const QString unavailable = ReadAloud::unavailableMessage(*m_engine);
    QWebEngineView* view = m_viewOf ? m_viewOf() : nullptr;
    if (!unavailable.isEmpty() || !view) {
        m_toggle->setChecked(false);
        if (!unavailable.isEmpty())
            Messages::warning(m_window, unavailable);
        return;
    }
    m_engine->setRate(
        SpeechEngine::rateOf(m_settings.readIniValue(Settings::kMain, ReadAloud::rateKey()).toInt()));
    m_engine->setVoice(m_settings.readIniValue(Settings::kMain, ReadAloud::voiceKey()));
    const int request = ++m_request;
    QPointer<QWebEngineView> guarded(view);
    view->page()->runJavaScript(
        QStringLiteral("window.getSelection ? window.getSelection().toString() : ''"),
        [this, guarded, request](const QVariant& selection) {
            if (!guarded || request != m_request)
                return;
            guarded->page()->toHtml(
                [this, guarded, request, text = selection.toString()](const QString& html) {
                    if (guarded && request == m_request)
                        read(guarded, html, text);
                });
        });
}

void ReadAloudView::read(QWebEngineView* view, const QString& html, const QString& selection) {
    m_view = view;
    disconnect(m_pageWatch);
    // Another chapter in the view: what is being read is no longer on the screen.
    m_pageWatch = connect(view, &QWebEngineView::loadStarted, this, &ReadAloudView::stop);
    m_reader->start(SpeechText::sentences(html), selection);
}

void ReadAloudView::ended() {
    disconnect(m_pageWatch);
    if (m_view)
        m_view->findText(QString());
    m_view = nullptr;
    m_toggle->setChecked(false);
}
