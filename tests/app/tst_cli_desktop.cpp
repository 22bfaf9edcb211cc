// quiveral-cli toolbar, bosskey, tips, links and novel-page as a user runs them: output, exit codes, what is stored.
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QTest>

class TestCliDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data() {
        columns<QStringList, int, QString, QString>("args", "exitCode", "out", "stored");
        addRow("toolbar by default", QStringList{"toolbar"}, 0, "Back\t后退\nForward\t前进\nRefresh\t刷新\nNN1\t分隔符\n",
               "tbrWebKey=");
        addRow("toolbar set", QStringList{"toolbar", "--set", "Back,NN1,Forward"}, 0,
               "Back\t后退\nNN1\t分隔符\nForward\t前进\n", "tbrWebKey=Back,NN1,Forward");
        addRow("toolbar set empty", QStringList{"toolbar", "--set", ""}, 1, "", "tbrWebKey=");
        addRow("toolbar unknown button", QStringList{"toolbar", "--set", "Back,Music"}, 1, "", "tbrWebKey=");
        addRow("toolbar reset", QStringList{"toolbar", "--reset"}, 0, "Back\t后退\n",
               "tbrWebKey=Back,Forward,Refresh,NN1,Up,Down,Goto,NN2,AllScreen,ContentSet,NN3,Bookmark,"
               "BookmarkEnter,Bookmarks,NN4,ListHtm,AllText,IEOpen,TotalView,Edit");
        addRow("boss key F12", QStringList{"bosskey", "F12"}, 0, "F12\t{\n", "BossKey={");
        addRow("boss key Shift+F1", QStringList{"bosskey", "shift+f1"}, 0, "Shift+F1\tShift+p\n",
               "BossKey=Shift+p");
        addRow("boss key none", QStringList{"bosskey", "无"}, 0, "无\t\n", "BossKey=");
        addRow("boss key not offered", QStringList{"bosskey", "Ctrl+Q"}, 1, "", "BossKey=");
        addRow("tips", QStringList{"tips"}, 0, "00016T\t您想更快的下载吗", "");
        addRow("links at first", QStringList{"links"}, 0, "1\t演示小说站排行榜\thttp://127.0.0.1:18808/top.html\n", "");
        addRow("links add", QStringList{"links", "add", "站", "http://s.test/"}, 0, "5\t站\thttp://s.test/\n", "");
        addRow("links add without a name", QStringList{"links", "add", "", "http://s.test/"}, 1, "", "");
        addRow("links down", QStringList{"links", "down", "1"}, 0, "2\t演示小说站全本小说\thttp://127.0.0.1:18808/full.html\n1\t", "");
        addRow("links delete unknown", QStringList{"links", "delete", "9"}, 1, "", "");
        addRow("novel page", QStringList{"novel-page", "http://127.0.0.1:18808/bookinfo.html"}, 0,
               "http://127.0.0.1:18808/book/index.html\n", "");
        addRow("not a novel page", QStringList{"novel-page", "http://127.0.0.1:18808/top.html"}, 1, "", "");
    }

    void commands() {
        const auto [args, exitCode, out, stored] = fetch<QStringList, int, QString, QString>("args", "exitCode", "out", "stored");
        TestLibrary lib;
        const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.contains(out), qPrintable(r.out + r.err));
        if (stored.isEmpty())
            return;
        // What the settings file holds afterwards, read as the program reads it.
        lib.context().settings().loadSettings();
        const QString key = stored.section('=', 0, 0);
        QCOMPARE(lib.context().settings().value(key), stored.section('=', 1));
    }
};

QTEST_GUILESS_MAIN(TestCliDesktop)
#include "tst_cli_desktop.moc"
