// The reading view read aloud through the toggle command, with a speech engine that says nothing.
#include "companion/fakespeechengine.h"
#include "companion/readaloud.h"
#include "companion/ui/readaloudview.h"
#include "storage/settings.h"
#include "support/uitest.h"

#include <QSignalSpy>
#include <QTemporaryDir>

class TestReadAloudView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { SpeechEngine::setFactory({}); }
    void noChineseVoice();
    void readsThePageUntilAnotherLoads();

private:
    bool load(const QString& html);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<QWidget> m_window;
    QWebEngineView* m_view = nullptr;
    QAction* m_sound = nullptr;
    FakeSpeechEngine* m_engine = nullptr;
    QStringList m_voices;
};

void TestReadAloudView::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Settings>(m_dir->path());
    m_window = std::make_unique<QWidget>();
    m_view = new QWebEngineView(m_window.get());
    m_sound = new QAction(m_window.get());
    m_voices = QStringList{"Mandarin"};
    m_engine = nullptr;
    SpeechEngine::setFactory(
        [this](QObject* parent) { return m_engine = new FakeSpeechEngine(m_voices, true, parent); });
    new ReadAloudView(
        m_sound, [this] { return m_view; }, *m_settings, m_window.get());
}

bool TestReadAloudView::load(const QString& html) {
    QSignalSpy loaded(m_view, &QWebEngineView::loadFinished);
    m_view->setHtml(html);
    return loaded.wait(20000) && loaded.first().first().toBool();
}

void TestReadAloudView::noChineseVoice() {
    m_voices.clear();
    QVERIFY(load("<body>天亮了。</body>"));
    MessageRecorder messages;
    m_sound->trigger();
    QCOMPARE(messages.shown, QStringList{ReadAloud::unavailableMessage(*m_engine)});
    QCOMPARE(messages.last(), "需要安装中文语音引擎（speech-dispatcher 与 espeak-ng）才能进行朗读");
    QVERIFY(!m_sound->isChecked());
    QCOMPARE(m_engine->said, QStringList());
}

void TestReadAloudView::readsThePageUntilAnotherLoads() {
    QVERIFY(m_settings->writeIniValue(Settings::kMain, ReadAloud::rateKey(), "5"));
    QVERIFY(m_settings->writeIniValue(Settings::kMain, ReadAloud::voiceKey(), "Mandarin"));
    QVERIFY(load("<html><head><title>第二章</title></head><body><!--BookContent Start-->"
                 "天亮了。他醒来！<!--BookContent End--></body></html>"));
    m_sound->trigger();
    QVERIFY(m_sound->isChecked());
    QTRY_COMPARE(m_engine->said, QStringList{"第二章"});
    QCOMPARE(m_engine->rate, 0.5);
    QCOMPARE(m_engine->voice, "Mandarin");
    m_engine->finish();
    QCOMPARE(m_engine->said, QStringList({"第二章", "天亮了。"}));
    // Another chapter in the view ends the reading.
    QVERIFY(load("<body>第三章的字。</body>"));
    QCOMPARE(m_engine->stops, 1);
    QVERIFY(!m_sound->isChecked());
    m_engine->finish();
    QCOMPARE(m_engine->said.size(), 2);
}

QUIVERAL_UI_TEST_MAIN(TestReadAloudView)
#include "tst_readaloud.moc"
