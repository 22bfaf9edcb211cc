// quiveral-cli music and lyrics as a user runs them: output, exit codes and musiclist.dat afterwards.
#include "support/process.h"
#include "support/testlibrary.h"

#include <QTest>

class TestCliMusic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestCliMusic::commands_data() {
    QTest::addColumn<QStringList>("args"); // $L: the library folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("after"); // musiclist.dat, "|" for each line end

    const QString before = "$L/m/a.mp3|";
    QTest::newRow("list") << QStringList{"music", "list"} << 0 << "1\t$L/m/a.mp3\n"
                          << "" << before;
    QTest::newRow("add") << QStringList{"music", "add", "$L/m/../m/b.WMA"} << 0 << "2\t$L/m/b.WMA\n"
                         << "" << before + "$L/m/b.WMA|";
    QTest::newRow("add a missing file") << QStringList{"music", "add", "$L/m/none.mp3"} << 1 << ""
                                        << "没有这个文件" << before;
    QTest::newRow("add a folder") << QStringList{"music", "add-dir", "$L/m"} << 0 << "2\t$L/m/b.WMA\n"
                                  << "" << before + "$L/m/b.WMA|";
    QTest::newRow("remove") << QStringList{"music", "remove", "1"} << 0 << ""
                            << ""
                            << "";
    QTest::newRow("remove past the end") << QStringList{"music", "remove", "2"} << 1 << ""
                                         << "没有第 2 首" << before;
    QTest::newRow("clear") << QStringList{"music", "clear"} << 0 << ""
                           << ""
                           << "";
    QTest::newRow("unknown verb") << QStringList{"music", "play"} << 2 << ""
                                  << "用法" << before;
    QTest::newRow("lyrics of a song")
        << QStringList{"lyrics", "$L/m/a.mp3"} << 0 << "00:02\t你好\n01:05\t\n01:40\t你好\n"
        << "" << before;
    QTest::newRow("lyrics at a time")
        << QStringList{"lyrics", "$L/m/a.lrc", "--at", "1:39"} << 0 << "音乐...\n"
        << "" << before;
    QTest::newRow("lyrics too early") << QStringList{"lyrics", "$L/m/a.lrc", "--at", "1"} << 1 << ""
                                      << "00:01 时还没有歌词" << before;
    QTest::newRow("no lyric file") << QStringList{"lyrics", "$L/m/c.mp3"} << 1 << ""
                                   << "歌词文件没找到！" << before;
    QTest::newRow("wma has none") << QStringList{"lyrics", "$L/m/b.WMA"} << 1 << ""
                                  << "只有 mp3 文件有歌词" << before;
    QTest::newRow("bad time") << QStringList{"lyrics", "$L/m/a.lrc", "--at", "x"} << 2 << ""
                              << "用法" << before;
}

void TestCliMusic::commands() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, after);
    TestLibrary lib;
    const QString list = lib.path() + "/musiclist.dat";
    QVERIFY(writeFile(list, (lib.path() + "/m/a.mp3\r\n").toUtf8()));
    for (const char* name : {"a.mp3", "b.WMA", "c.txt"})
        QVERIFY(writeFile(lib.path() + "/m/" + name, "x"));
    QVERIFY(writeFile(lib.path() + "/m/a.lrc", "[ar:某]\n[01:40][00:02]你好\n[01:05]\n"));

    for (QString& a : args)
        a.replace("$L", lib.path());
    const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QString(out).replace("$L", lib.path()));
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
    QCOMPARE(QString::fromUtf8(fileBytes(list)).replace("\r\n", "|"),
             QString(after).replace("$L", lib.path()));
}

QTEST_GUILESS_MAIN(TestCliMusic)
#include "tst_cli_music.moc"
