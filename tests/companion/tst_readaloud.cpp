// Reading aloud without sound: the sentences a chapter page becomes and what the engine is handed.
#include "companion/fakespeechengine.h"
#include "companion/readaloud.h"
#include "companion/speechtext.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const char* const kNoVoice = "需要安装中文语音引擎（speech-dispatcher 与 espeak-ng）才能进行朗读";

// Everything the reader hands the engine, each sentence finished as soon as it is said.
QStringList readAll(FakeSpeechEngine& engine, ReadAloud& reader) {
    int guard = 0;
    while (reader.isReading() && ++guard < 100)
        engine.finish();
    return engine.said;
}

} // namespace

class TestReadAloud : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sentences_data();
    void sentences();
    void fromSelection_data();
    void fromSelection();
    void stopsAndFails();
    void unavailable_data();
    void unavailable();
};

void TestReadAloud::sentences_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected"); // sentences joined by "|"
    QTest::newRow("chapter page: title, then only the text between the markers")
        << "<html><head><title>第一章 &amp; 出发</title></head><body><h1>第一章 &amp; 出发</h1>"
           "<!--BookContent Start-->&nbsp;&nbsp;天亮了。<b>他</b>醒来！<br>窗外&lt;雨&gt;<br><br>"
           "<p>雨停了吗？</p><!--BookContent End--><a href='Next.htm'>下一章</a></body></html>"
        << "第一章 & 出发|天亮了。|他醒来！|窗外<雨>|雨停了吗？";
    QTest::newRow("page without markers: the heading is the title, said once")
        << "<html><head><title>序</title></head><body><h1>序</h1><p>开始；结束</p></body></html>"
        << "序|开始；|结束";
    QTest::newRow("closing quotes stay with their sentence")
        << "<body>“走吧！”他说。「真的？」『好……』</body>"
        << "“走吧！”|他说。|「真的？」|『好……』";
    QTest::newRow("runs of marks end one sentence; nothing to say is dropped")
        << "<body>什么？！\n\n……\n。。。<p> </p>Hi! OK?</body>"
        << "什么？！|Hi!|OK?";
    QTest::newRow("no text at all") << "<html><body><script>var a = '。';</script></body></html>"
                                    << "";
}

void TestReadAloud::sentences() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(SpeechText::sentences(html).join(u'|'), expected);
}

void TestReadAloud::fromSelection_data() {
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("said");
    const QString all = "第一章|风起了。|他走到门口，看了看天。|雨要来了！";
    QTest::newRow("nothing selected: from the top") << "" << all;
    QTest::newRow("a whole sentence") << "风起了。"
                                      << "风起了。|他走到门口，看了看天。|雨要来了！";
    QTest::newRow("inside a sentence, over a sentence end") << "看了看天。雨要"
                                                            << "看了看天。|雨要来了！";
    QTest::newRow("selected text not in the page: from the top") << "别处的字" << all;
}

void TestReadAloud::fromSelection() {
    QFETCH(QString, selection);
    QFETCH(QString, said);
    FakeSpeechEngine engine;
    ReadAloud reader(&engine);
    QSignalSpy reading(&reader, &ReadAloud::reading);
    QSignalSpy finished(&reader, &ReadAloud::finished);
    reader.start(QString("第一章|风起了。|他走到门口，看了看天。|雨要来了！").split(u'|'), selection);
    QCOMPARE(readAll(engine, reader).join(u'|'), said);
    QCOMPARE(reading.size(), engine.said.size());
    QCOMPARE(reading.last().at(1).toString(), engine.said.last());
    QCOMPARE(finished.size(), 1);
}

void TestReadAloud::stopsAndFails() {
    FakeSpeechEngine engine;
    ReadAloud reader(&engine);
    QSignalSpy finished(&reader, &ReadAloud::finished);
    QSignalSpy failed(&reader, &ReadAloud::failed);
    const QStringList page{"一。", "二。", "三。"};
    reader.start(page);
    engine.finish();
    reader.stop();
    QCOMPARE(engine.stops, 1);
    engine.finish(); // a late end of the sentence said before the stop
    QCOMPARE(engine.said, QStringList({"一。", "二。"}));
    QCOMPARE(finished.size(), 1);
    QVERIFY(!reader.isReading());

    reader.start(page);
    Q_EMIT engine.error("语音服务断开");
    QVERIFY(!reader.isReading());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toString(), "语音服务断开");
    QCOMPARE(finished.size(), 2);
}

void TestReadAloud::unavailable_data() {
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("voices");
    QTest::addColumn<QString>("message");
    QTest::newRow("Chinese voice") << true << QStringList{"Mandarin"} << "";
    QTest::newRow("no Chinese voice") << true << QStringList{} << kNoVoice;
    QTest::newRow("no speech service") << false << QStringList{"Mandarin"} << kNoVoice;
}

void TestReadAloud::unavailable() {
    QFETCH(bool, available);
    QFETCH(QStringList, voices);
    QFETCH(QString, message);
    QCOMPARE(ReadAloud::unavailableMessage(FakeSpeechEngine(voices, available)), message);
}

QTEST_GUILESS_MAIN(TestReadAloud)
#include "tst_readaloud.moc"
