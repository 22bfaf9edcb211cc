// The background music without a player: lyric files read and shown by time, the play list kept in
// musiclist.dat, and the order of tracks through ends, failures, pauses and stops.
#include "companion/lyricfile.h"
#include "companion/musicsequence.h"
#include "companion/playlist.h"
#include "support/testlibrary.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray gb18030(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder(text);
}

} // namespace

class TestMusic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lyrics_data();
    void lyrics();
    void lyricPath_data();
    void lyricPath();
    void addFolder();
    void savedList();
    void sequence_data();
    void sequence();
};

void TestMusic::lyrics_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown"); // "-": nothing yet, the panel keeps its text

    QTest::newRow("text at its second") << QByteArray("[01:05.50]到此为止") << 65 << "到此为止";
    QTest::newRow("tag alone") << QByteArray("[01:05.50]") << 65 << "音乐...";
    QTest::newRow("before the first tag") << QByteArray("[00:10]a\n[00:20]b") << 9 << "-";
    QTest::newRow("late tick keeps the line") << QByteArray("[00:10]a\n[00:11]b\n[00:30]c") << 12 << "b";
    QTest::newRow("time inside a text") << QByteArray("[00:10]现在是01:05\n[00:50]b") << 65 << "b";
    QTest::newRow("tags of a chorus") << QByteArray("[00:12.30][01:40.00]副歌\n[00:50]间奏") << 101 << "副歌";
    QTest::newRow("chorus first time")
        << QByteArray("[00:12.30] [01:40.00]副歌\n[00:50]间奏") << 12 << "副歌";
    QTest::newRow("brackets in the text") << QByteArray("[00:12]歌词[副歌]") << 12 << "歌词[副歌]";
    QTest::newRow("colon fraction") << QByteArray("[00:03:50]x") << 3 << "x";
    QTest::newRow("fraction dropped") << QByteArray("[00:05.99]x") << 4 << "-";
    QTest::newRow("same second, file order") << QByteArray("[00:05]甲\n[00:05]乙") << 5 << "甲";
    QTest::newRow("lines out of order") << QByteArray("[00:30]b\n[00:10]a") << 15 << "a";
    QTest::newRow("metadata and bare lines")
        << QByteArray("[ti:标题]\n[offset:500]\n无标签\n[00:01]x") << 0 << "-";
    QTest::newRow("seconds past 59") << QByteArray("[00:01]a\n[00:75]b") << 80 << "a";
    QTest::newRow("broken tags") << QByteArray("[00:01]a\n[0a:10]b\n[00:20x]c\n[:30]d") << 40 << "a";
    QTest::newRow("CRLF and spaces") << QByteArray("[00:01]  a b \r\n[00:02]\r\n") << 1 << "a b";
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF[00:01]歌") << 1 << "歌";
    QTest::newRow("GB18030") << gb18030("[00:01]月亮代表我的心") << 1 << "月亮代表我的心";
    QTest::newRow("long song") << QByteArray("[100:00]尾声") << 6000 << "尾声";
}

void TestMusic::lyrics() {
    QFETCH(QByteArray, file);
    QFETCH(int, seconds);
    QFETCH(QString, shown);
    QCOMPARE(LyricFile::fromBytes(file).textAt(seconds).value_or("-"), shown);
}

void TestMusic::lyricPath_data() {
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("lyric");
    QTest::newRow("mp3") << "/m/歌.mp3"
                         << "/m/歌.lrc";
    QTest::newRow("upper case") << "/m/a.MP3"
                                << "/m/a.lrc";
    QTest::newRow("wma") << "/m/a.wma"
                         << "";
    QTest::newRow("mp3 in the middle") << "/m/a.mp3.wav"
                                       << "";
    QTest::newRow("only an extension") << "/m/.mp3"
                                       << "";
}

void TestMusic::lyricPath() {
    QFETCH(QString, song);
    QFETCH(QString, lyric);
    QCOMPARE(LyricFile::pathFor(song), lyric);
}

void TestMusic::addFolder() {
    QTemporaryDir dir;
    for (const char* name : {"b.MP3", "a.wav", "c.Midi", "d.rmi", "e.wma", "f.mid", "g.ogg", "h.wav.txt",
                             "mp3", "sub/i.mp3", ".hidden.mp3"})
        QVERIFY(writeFile(dir.filePath(name), "x"));
    const QString d = dir.path();
    PlayList list;
    list.addFiles({d + "/b.MP3", "/elsewhere/x.mp3"});
    QCOMPARE(list.addFolder(d + "/"), 5);
    const QStringList expected{d + "/b.MP3", "/elsewhere/x.mp3", d + "/a.wav", d + "/c.Midi",
                               d + "/d.rmi", d + "/e.wma",       d + "/f.mid"};
    QCOMPARE(list.entries(), expected);
    QCOMPARE(list.addFolder(d), 0);
    QCOMPARE(list.entries(), expected);
    QCOMPARE(list.addFolder(d + "/missing"), 0);
}

void TestMusic::savedList() {
    QTemporaryDir dir;
    const QString path = dir.filePath("musiclist.dat");
    PlayList list;
    list.addFiles({"/音乐/甲.mp3", "/b.wav", "/c.wav", "/d.wav"});
    list.removeRows({3, 1, 9, -1, 1});
    QVERIFY(list.save(path));
    QCOMPARE(fileBytes(path), gb18030("/音乐/甲.mp3\r\n/c.wav\r\n"));
    PlayList back;
    QVERIFY(back.load(path));
    QCOMPARE(back.entries(), list.entries());
    QVERIFY(PlayList().save(path));
    QVERIFY(!back.load(path));
    QCOMPARE(back.size(), 2);
}

void TestMusic::sequence_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("randomPicks"); // empty: in order
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("tracks"); // what each step starts; -1: none

    const QList<int> inOrder;
    QTest::newRow("one entry repeats") << 1 << inOrder << "play end end"
                                       << "0 0 0";
    QTest::newRow("wraps after the last") << 3 << inOrder << "play end end end"
                                          << "0 1 2 0";
    QTest::newRow("previous and next wrap") << 3 << inOrder << "prev prev next next"
                                            << "2 1 2 0";
    QTest::newRow("paused end waits") << 3 << inOrder << "play pause end resume end"
                                      << "0 -1 1";
    QTest::newRow("stopped end waits") << 3 << inOrder << "play stop end play"
                                       << "0 -1 0";
    QTest::newRow("nothing before play") << 3 << inOrder << "end"
                                         << "-1";
    QTest::newRow("random") << 3 << QList<int>{2, 0, 1} << "play end end"
                            << "2 0 1";
    QTest::newRow("a whole round fails") << 3 << inOrder << "play fail fail fail end"
                                         << "0 1 2 -1 -1";
    QTest::newRow("failures forgotten once one plays") << 2 << inOrder << "play fail ok fail fail"
                                                       << "0 1 0 -1";
    QTest::newRow("random skips failed tracks") << 3 << QList<int>{1, 0, 0, 0} << "play fail fail fail"
                                                << "1 0 2 -1";
    QTest::newRow("index kept within a shorter list") << 3 << inOrder << "play next next size=2 play"
                                                      << "0 1 2 1";
    QTest::newRow("emptied list") << 3 << inOrder << "play size=0 play next end"
                                  << "0 -1 -1 -1";
}

void TestMusic::sequence() {
    QFETCH(int, count);
    QFETCH(QList<int>, randomPicks);
    QFETCH(QString, steps);
    QFETCH(QString, tracks);
    PlayList list;
    auto fill = [&list](int n) {
        list.clear();
        for (int i = 0; i < n; ++i)
            list.addFiles({QString::number(i)});
    };
    fill(count);
    list.setGenerator([&randomPicks](int) { return randomPicks.isEmpty() ? 0 : randomPicks.takeFirst(); });
    MusicSequence sequence(list);
    sequence.setRandom(!randomPicks.isEmpty());
    QStringList started;
    for (const QString& step : steps.split(' ')) {
        if (step.startsWith("size=")) {
            fill(step.mid(5).toInt());
            sequence.listChanged();
        } else if (step == "pause") {
            sequence.pause();
        } else if (step == "resume") {
            sequence.resume();
        } else if (step == "stop") {
            sequence.stop();
        } else if (step == "ok") {
            sequence.trackPlaying();
        } else {
            const int track = step == "play"   ? sequence.play()
                              : step == "prev" ? sequence.previous()
                              : step == "next" ? sequence.next()
                              : step == "end"  ? sequence.trackEnded()
                                               : sequence.trackFailed();
            started << QString::number(track);
        }
    }
    QCOMPARE(started.join(' '), tracks);
}

QTEST_GUILESS_MAIN(TestMusic)
#include "tst_music.moc"
