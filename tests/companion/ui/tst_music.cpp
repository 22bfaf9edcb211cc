// The background music as the user meets it: the play list dialog, the music menu, and real playback
// of sound files the test writes (no sound device needed: the player falls back to a silent sink).
#include "companion/ui/frmplaylist.h"
#include "companion/ui/musicplayer.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAudioOutput>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QStringEncoder>
#include <QTreeWidget>
#include <QtEndian>

namespace {

// A mono 8 kHz square wave; any name plays, the player looks at the content.
QByteArray wav(int ms) {
    const quint32 samples = 8 * ms;
    QByteArray bytes(44 + 2 * samples, 0);
    char* p = bytes.data();
    auto put32 = [&p](quint32 v) { qToLittleEndian(v, p), p += 4; };
    auto put16 = [&p](quint16 v) { qToLittleEndian(v, p), p += 2; };
    memcpy(p, "RIFF", 4), p += 4;
    put32(36 + 2 * samples);
    memcpy(p, "WAVEfmt ", 8), p += 8;
    put32(16), put16(1), put16(1), put32(8000), put32(16000), put16(2), put16(16);
    memcpy(p, "data", 4), p += 4;
    put32(2 * samples);
    for (quint32 i = 0; i < samples; ++i)
        put16(quint16(i % 40 < 20 ? 3000 : -3000));
    return bytes;
}

QStringList actionsEnabled(QWidget& window) {
    QStringList enabled;
    for (const char* name :
         {"mnuMusicOpen", "mnuMusicPlay", "mnuMusicPause", "mnuMusicStop", "mnuMusicPrev", "mnuMusicNext"})
        if (child<QAction>(window, name)->isEnabled())
            enabled << name;
    return enabled;
}

} // namespace

class TestMusicWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playListDialog();
    void menuFollowsTheList();
    void playback_data();
    void playback();
    void pauseAndVolume();
};

void TestMusicWindows::playListDialog() {
    TestLibrary lib;
    const QString songs = lib.path() + "/歌";
    for (const char* name : {"a.mp3", "b.WAV", "c.txt"})
        QVERIFY(writeFile(songs + '/' + name, "x"));
    Messages::setPickHandler([&](Messages::Pick pick, const QString& caption, const QString&) {
        if (pick == Messages::Pick::OpenFiles && caption == "打开文件")
            return QString("/x/1.mid\n" + songs + "/a.mp3");
        return pick == Messages::Pick::Folder && caption == "浏览文件夹" ? songs : QString();
    });
    MessageRecorder messages;
    PlayList list;
    list.addFiles({"/x/0.wma"});
    FrmPlayList dialog(lib.context(), list);
    auto* view = child<QTreeWidget>(dialog, "ListView1");
    auto rows = [view] {
        QStringList texts;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            texts << view->topLevelItem(i)->text(0);
        return texts;
    };
    click(dialog, "cmdAdd");
    click(dialog, "cmdAddDir");
    click(dialog, "cmdAddDir");
    QCOMPARE(rows(), QStringList({"/x/0.wma", "/x/1.mid", songs + "/a.mp3", songs + "/b.WAV"}));
    click(dialog, "cmdDelete");
    QCOMPARE(messages.shown, QStringList{"请点选具体项进行移除"});
    view->topLevelItem(0)->setSelected(true);
    view->topLevelItem(2)->setSelected(true);
    click(dialog, "cmdDelete");
    QCOMPARE(rows(), QStringList({"/x/1.mid", songs + "/b.WAV"}));
    child<QCheckBox>(dialog, "chkbIsRndPlay")->setChecked(true);
    click(dialog, "cmdOK");
    Messages::setPickHandler({});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QStringEncoder gb18030("GB18030");
    QCOMPARE(fileBytes(lib.path() + "/musiclist.dat"),
             QByteArray(gb18030("/x/1.mid\r\n" + songs + "/b.WAV\r\n")));
    const Settings& settings = lib.context().settings();
    QCOMPARE(settings.readIniValue("Main", "bIsRndPlay") + settings.readIniValue("Main", "bIsViewLyric"),
             "10");
    QCOMPARE(dialog.playList().entries(), rows());
}

void TestMusicWindows::menuFollowsTheList() {
    TestLibrary lib;
    QVERIFY(writeFile(lib.path() + "/musiclist.dat", "/m/a.wav\r\n/m/b.wav\r\n"));
    QWidget window;
    auto* player = new MusicPlayer(lib.context(), &window);
    QCOMPARE(player->menu()->objectName(), "mnuMusic");
    QCOMPARE(player->label()->objectName(), "lblMusic");
    QCOMPARE(actionsEnabled(window).size(), 6);
    trigger(window, "mnuMusicNext");
    trigger(window, "mnuMusicNext");
    QCOMPARE(player->currentIndex(), 0);
    whenDialogOpens("frmPlayList", [](QDialog* dialog) {
        click(*dialog, "cmdClear");
        click(*dialog, "cmdOK");
    });
    trigger(window, "mnuMusicOpen");
    QCOMPARE(actionsEnabled(window), QStringList{"mnuMusicOpen"});
    QCOMPARE(fileBytes(lib.path() + "/musiclist.dat"), QByteArray());
    QCOMPARE(player->label()->text(), QString());
}

void TestMusicWindows::playback_data() {
    QTest::addColumn<QStringList>("files"); // name=wav (0.4 s), name=long (1.6 s), name=bad, name=gone
    QTest::addColumn<bool>("lyricsOn");
    QTest::addColumn<QStringList>("labels"); // the panel's texts, one after another
    QTest::addColumn<QString>("starts");

    const QStringList lrc{"s.lrc=[ti:歌]\n[00:00.10]第一句\n[00:01]\n"};
    QTest::newRow("in order, wrapping")
        << QStringList{"a.wav=wav", "b.wav=wav"} << false
        << QStringList{"歌曲：a.wav", "歌曲：b.wav", "歌曲：a.wav"} << "0 1 0";
    QTest::newRow("one entry repeats")
        << QStringList{"a.wav=wav"} << false << QStringList{"歌曲：a.wav"} << "0 0 0";
    QTest::newRow("lyrics") << QStringList{"s.mp3=long"} + lrc << true
                            << QStringList{"歌曲：s.mp3", "第一句", "音乐...", "歌曲：s.mp3"} << "0 0";
    QTest::newRow("lyrics off") << QStringList{"s.mp3=wav"} + lrc << false << QStringList{"歌曲：s.mp3"}
                                << "0 0";
    QTest::newRow("no lyric file") << QStringList{"s.mp3=wav"} << true << QStringList{"歌词文件没找到！"}
                                   << "0 0";
    QTest::newRow("wma has no lyrics")
        << QStringList{"s.wma=wav"} + lrc << true << QStringList{"歌曲：s.wma"} << "0 0";
    QTest::newRow("unplayable skipped")
        << QStringList{"bad.mp3=bad", "a.wav=wav"} << false
        << QStringList{"歌曲：bad.mp3", "歌曲：bad.mp3（无法播放）", "歌曲：a.wav",
                       "歌曲：bad.mp3", "歌曲：bad.mp3（无法播放）", "歌曲：a.wav"}
        << "0 1 0 1";
    QTest::newRow("nothing playable") << QStringList{"bad.mp3=bad", "gone.wav=gone"} << false
                                      << QStringList{"歌曲：bad.mp3", "歌曲：bad.mp3（无法播放）",
                                                     "歌曲：gone.wav", "播放列表中没有可以播放的文件"}
                                      << "0 1";
}

void TestMusicWindows::playback() {
    QFETCH(QStringList, files);
    QFETCH(bool, lyricsOn);
    QFETCH(QStringList, labels);
    QFETCH(QString, starts);
    TestLibrary lib;
    QString list;
    for (const QString& file : files) {
        const QString name = file.section('=', 0, 0);
        const QString kind = file.section('=', 1);
        const QString path = lib.path() + "/music/" + name;
        if (!name.endsWith(".lrc"))
            list += path + "\r\n";
        if (kind != "gone")
            QVERIFY(writeFile(path, kind == "wav"    ? wav(400)
                                    : kind == "long" ? wav(1600)
                                    : kind == "bad"  ? QByteArray("not a sound")
                                                     : kind.toUtf8()));
    }
    QVERIFY(writeFile(lib.path() + "/musiclist.dat", list.toUtf8()));
    QVERIFY(lib.context().settings().writeIniValue("Main", "bIsViewLyric", lyricsOn ? "1" : "0"));

    QWidget window;
    auto* player = new MusicPlayer(lib.context(), &window);
    QStringList shown;
    QStringList started;
    auto note = [&] {
        if (shown.isEmpty() || shown.last() != player->label()->text())
            shown << player->label()->text();
    };
    connect(player, &MusicPlayer::trackStarted, this, [&](int index) {
        started << QString::number(index);
        note();
    });
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, note);
    watch.start(10);
    trigger(window, "mnuMusicPlay");
    const int wantStarts = int(starts.count(' ')) + 1;
    const bool done =
        QTest::qWaitFor([&] { return shown.size() >= labels.size() && started.size() >= wantStarts; }, 20000);
    trigger(window, "mnuMusicStop");
    QTest::qWait(100);
    QVERIFY2(done, qPrintable(shown.join(" | ") + " / " + started.join(' ')));
    QCOMPARE(shown, labels);
    QCOMPARE(started.join(' '), starts);
}

void TestMusicWindows::pauseAndVolume() {
    TestLibrary lib;
    QVERIFY(writeFile(lib.path() + "/a.wav", wav(3000)));
    QVERIFY(writeFile(lib.path() + "/musiclist.dat", (lib.path() + "/a.wav").toUtf8()));
    QWidget window;
    auto* player = new MusicPlayer(lib.context(), &window);
    auto* pause = child<QAction>(window, "mnuMusicPause");
    trigger(window, "mnuMusicPlay");
    auto* media = player->findChild<QMediaPlayer*>(); // made with the first song
    QTRY_VERIFY(media->position() > 200);
    pause->trigger();
    QCOMPARE(pause->text(), "继续");
    QTRY_COMPARE(media->playbackState(), QMediaPlayer::PausedState);
    const qint64 at = media->position();
    QTest::qWait(400);
    QVERIFY(media->position() - at < 100);
    pause->trigger();
    QCOMPARE(pause->text(), "暂停");
    QTRY_VERIFY(media->position() > at + 200);

    trigger(window, "mnuMusicVol3");
    QVERIFY(qAbs(player->findChild<QAudioOutput*>()->volume() - 0.398f) < 0.001f);
    trigger(window, "mnuMusicVol1");
    QCOMPARE(player->findChild<QAudioOutput*>()->volume(), 1.0f);
    trigger(window, "mnuMusicStop");
    QCOMPARE(media->playbackState(), QMediaPlayer::StoppedState);
}

QUIVERAL_UI_TEST_MAIN(TestMusicWindows)
#include "tst_music.moc"
