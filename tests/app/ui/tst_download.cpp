// Download runs from the main window, against the demo site on loopback: status texts, the live chapter
// list and tree, the download list page, the refusal of a second run, stopping, the new-chapter message,
// the renewal timer and the add-novel flow.
#include "app/ui/frmbook.h"
#include "library/demolibrary.h"
#include "library/treekeys.h"
#include "library/ui/frmmessage.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "localsite/localsite.h"
#include "renewal/renewscheduler.h"
#include "storage/categorystore.h"
#include "storage/chapterstore.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>

#include <algorithm>

#include <memory>

namespace {

constexpr int kDemoChapters = 30;

QString statusOf(FrmBook& w) {
    return w.findChild<QLabel*>("lblStatus")->text();
}

QAction* action(FrmBook& w, const char* name) {
    return w.findChild<QAction*>(QString::fromLatin1(name));
}

int storedChapters(TestLibrary& lib, const QString& novelId) {
    return lib.db()
        .scalar("SELECT count(*) FROM book_novelcontent WHERE NovelID = ? AND WordNums > 0", {novelId})
        .toInt();
}

// A library holding the demo novel, and the demo site it comes from.
struct Demo {
    TestSite site{DemoLibrary::siteFolder()};
    TestLibrary lib;
    QString novel;

    explicit Demo(int multGetNums = 1) {
        if (!site.start())
            qFatal("the demo site does not start: %s", qPrintable(site.errorString()));
        auto& s = lib.context().settings();
        s.writeIniValue(Settings::kMain, "MultGetNums", QString::number(multGetNums));
        s.writeIniValue(Settings::kMain, "bIsNovelPicDown", "0");
        s.writeIniValue(Settings::kMain, "bIsNewMessageView", "0");
        const QString problem = DemoLibrary::prepare(lib.context(), site.baseUrl(), &novel);
        if (!problem.isEmpty() || novel.isEmpty())
            qFatal("the demo novel was not added: %s", qPrintable(problem));
    }
    // Slows the chapter pages down so that a run lasts while the test looks at it.
    void slowChapters(int ms) {
        LocalSiteRule rule;
        rule.delayMs = ms;
        site.site()->setRule("/book/10*.html", rule);
    }
};

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void renewShowsProgressLive_data();
    void renewShowsProgressLive();
    void secondRunRefused_data();
    void secondRunRefused();
    void stopKeepsWhatWasStored();
    void equalFollowsTheSite();
    void newChapterMessage();
    void doubleClicksDownload();
    void timerRenewsAll();
    void addNovelDialog();
    void demoLibraryFollowsThePort();
};

void TestDownload::renewShowsProgressLive_data() {
    // reading: a chapter is open in the reading view
    columns<int, QString, QString, QString, bool>("multGetNums", "progress", "done", "cell", "reading");
    addRow("one at a time", 1, "正在下载<<演示小说>>的章节\"第一章 初到青石镇\"内容，下载进度：3.33%",
           "<<演示小说>>更新完毕", "下载完成", false);
    addRow("while reading", 4, "总进度:", "<<演示小说>>更新完毕", "下载成功", true);
}

void TestDownload::renewShowsProgressLive() {
    const auto [multGetNums, progress, done, cell, reading] =
        fetch<int, QString, QString, QString, bool>("multGetNums", "progress", "done", "cell", "reading");
    Demo demo(multGetNums);
    demo.slowChapters(250);
    LocalSiteRule slowList;
    slowList.delayMs = 300;
    demo.site.site()->setRule("/book/index.html", slowList);
    FrmBook window(demo.lib.context());
    window.show();
    qint64 read = 0;
    if (reading) {
        read = demo.lib.addChapter(demo.novel, "第一章 初到青石镇", false, demo.site.url("book/1001.html"));
        writeTextFile(demo.lib.context().folder().chapterPage(demo.novel, read), "<title>读着的</title>正文");
    }
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    QCOMPARE(window.list()->topLevelItemCount(), reading ? 1 : 0);
    if (reading) {
        window.list()->setCurrentItem(window.list()->topLevelItem(0));
        window.viewNovelContent();
        QVERIFY(shows(window.web(), QString("/%1.htm").arg(read)));
    }

    // What the window shows while the run goes on, looked at every few milliseconds.
    QStringList statuses;
    bool rowsWhileRunning = false;
    QTimer sampler;
    sampler.setInterval(10);
    connect(&sampler, &QTimer::timeout, this, [&] {
        if (!window.isBusy())
            return;
        if (statuses.isEmpty() || statuses.last() != statusOf(window))
            statuses << statusOf(window);
        rowsWhileRunning = rowsWhileRunning || window.list()->topLevelItemCount() > 0;
    });
    sampler.start();

    action(window, "mnuReNew")->trigger();
    QVERIFY(window.isBusy());
    QVERIFY(action(window, "mnuStop")->isVisible());
    QVERIFY(action(window, "mnuStop")->isEnabled());
    QVERIFY(!action(window, "mnuAllReNew")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    sampler.stop();

    QVERIFY(action(window, "mnuAllReNew")->isVisible());
    QVERIFY(!action(window, "mnuStop")->isVisible());
    QVERIFY2(statuses.contains("正在连接<<演示小说>>目录页..."), qPrintable(statuses.join('\n')));
    QVERIFY2(std::any_of(statuses.cbegin(), statuses.cend(),
                         [&](const QString& s) { return s.contains(progress); }),
             qPrintable(statuses.join('\n')));
    QVERIFY(rowsWhileRunning);
    QCOMPARE(statusOf(window), done);

    const int stored = storedChapters(demo.lib, demo.novel);
    QVERIFY2(stored >= kDemoChapters - 1, qPrintable(QString::number(stored)));
    // Every row of the database is in the list, and the tree counts them unread, in bold.
    QCOMPARE(window.list()->topLevelItemCount(), ChapterStore(demo.lib.db()).count(demo.novel));
    QTreeWidgetItem* node = window.findNode(TreeKeys::novel(demo.novel));
    const int unread =
        demo.lib.db()
            .scalar("SELECT count(*) FROM book_novelcontent WHERE NovelID = ? AND bIsRead <> '1'",
                    {demo.novel})
            .toInt();
    QCOMPARE(node->text(0), QString("演示小说(%1)").arg(unread));
    QVERIFY(node->font(0).bold());
    // The download list page takes the reading view only when nothing is read there.
    if (reading) {
        QCOMPARE(js(window.web(), "document.title").toString(), QString("读着的"));
        QCOMPARE(window.shownChapterId(), read);
        action(window, "mnuDownList")->trigger();
    }
    // The download list page is shown with its state cells filled in.
    QTRY_COMPARE_WITH_TIMEOUT(js(window.web(), "document.title").toString(), QString("Quiveral下载列表"),
                              20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        js(window.web(), "(document.getElementById('downloadview1') || {}).innerHTML || ''").toString(), cell,
        20000);
}

void TestDownload::secondRunRefused_data() {
    // node: chosen while the first run goes on, "" keeps the novel
    columns<QString, QString, QString>("command", "node", "message");
    addRow("category", "mnuReNewLB", "组别01", "当前正在下载中，请在停止下载后再进行该项操作");
    addRow("empty chapters", "mnuReNewEmpty", "", "当前正在下载中，请在停止下载后再进行该项操作");
    addRow("volume names", "mnuVolumeReNew", "", "当前正在下载中，请在停止下载后再下载分卷名");
    addRow("synchronise", "mnuEqual", "", "当前正在下载中，请在停止下载后再进行同步处理");
}

void TestDownload::secondRunRefused() {
    const auto [command, node, message] = fetch<QString, QString, QString>("command", "node", "message");
    Demo demo;
    demo.slowChapters(400);
    CategoryStore(demo.lib.db()).add("分类");
    MessageRecorder messages;
    FrmBook window(demo.lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    action(window, "mnuReNew")->trigger();
    QVERIFY(window.isBusy());
    QVERIFY(!action(window, "mnuReNew")->isEnabled());
    if (!node.isEmpty())
        QVERIFY(window.selectNode(node));

    QAction* second = window.findChild<QAction*>(command);
    QVERIFY(second && second->isEnabled());
    second->trigger();
    QCOMPARE(messages.last(), message);
    QVERIFY(window.isBusy());

    action(window, "mnuStop")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 30000);
}

void TestDownload::stopKeepsWhatWasStored() {
    Demo demo;
    demo.slowChapters(300);
    FrmBook window(demo.lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    action(window, "mnuReNew")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(storedChapters(demo.lib, demo.novel) >= 2, 30000);
    action(window, "mnuStop")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 30000);
    QCOMPARE(statusOf(window), QString("停止更新"));
    const int kept = storedChapters(demo.lib, demo.novel);
    QVERIFY(kept >= 2);
    QVERIFY(kept < kDemoChapters);
    QTRY_COMPARE(window.list()->topLevelItemCount(), ChapterStore(demo.lib.db()).count(demo.novel));

    // The next renewal fetches the rest and nothing twice.
    demo.slowChapters(0);
    demo.site.site()->resetStatistics();
    action(window, "mnuReNew")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    QVERIFY(storedChapters(demo.lib, demo.novel) >= kDemoChapters - 1);
    QCOMPARE(demo.site.site()->requestCount("/book/1001.html"), 0);
}

// "同步书目" on a chapter whose title was changed here: the site's title comes back on the same row,
// which is fetched again; on a category it does nothing.
void TestDownload::equalFollowsTheSite() {
    Demo demo(4);
    CategoryStore(demo.lib.db()).add("分类");
    MessageRecorder messages;
    FrmBook window(demo.lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    action(window, "mnuReNew")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    const QString titleSql = "SELECT Title FROM book_novelcontent WHERE ComeFrom LIKE '%/1001.html'";
    const QString title = demo.lib.db().scalar(titleSql).toString();
    QVERIFY(demo.lib.db().exec("UPDATE book_novelcontent SET Title='改过的' WHERE Title=?", {title}));
    const QString gone = demo.lib.db().scalar(titleSql.chopped(11) + "1002.html'").toString();
    QVERIFY(demo.lib.db().exec("DELETE FROM book_novelcontent WHERE Title=?", {gone}));
    QVERIFY(window.selectNode("组别01"));
    action(window, "mnuEqual")->trigger();
    QVERIFY(!window.isBusy());
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    demo.site.site()->resetStatistics();
    messages.shown.clear();

    action(window, "mnuEqual")->trigger();
    QVERIFY(window.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 30000);
    QCOMPARE(messages.shown.value(0),
             QString("同步处理如下：1、删除该书在网上已删除的章节 2、按目录页重新排序 "
                     "3、重新下载更改标题的章节 4、增加新章节；您是否确定？"));
    QCOMPARE(messages.last(), QString("同步书目完成"));
    QCOMPARE(demo.lib.db().scalar(titleSql).toString(), title);
    QCOMPARE(demo.site.site()->requestCount("/book/1001.html"), 1);
    QCOMPARE(demo.site.site()->requestCount("/book/1002.html"), 1);
    QCOMPARE(demo.site.site()->requestCount("/book/1003.html"), 0);
    QTRY_COMPARE(window.list()->topLevelItemCount(), kDemoChapters);
    QTRY_VERIFY(!window.list()->findItems(title, Qt::MatchExactly, 1).isEmpty());
    // The chapter the site had and the library lacked is the one chosen afterwards.
    const QList<QTreeWidgetItem*> chosen = window.list()->selectedItems();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first()->text(1), gone);
}

void TestDownload::newChapterMessage() {
    Demo demo;
    demo.lib.context().settings().writeIniValue(Settings::kMain, "bIsNewMessageView", "1");
    FrmBook window(demo.lib.context());
    window.show();
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    action(window, "mnuReNew")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(window.findChild<FrmMessage*>("frmMessage"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    // One window, however many chapters came.
    QCOMPARE(window.findChildren<FrmMessage*>("frmMessage").size(), 1);
    auto* message = window.findChild<FrmMessage*>("frmMessage");
    const QString title =
        demo.lib.db()
            .scalar("SELECT Title FROM book_novelcontent WHERE id = ?", {message->chapterId()})
            .toString();
    QCOMPARE(message->findChild<QLabel*>("lblMessage")->text(),
             QString("《演示小说》出新章节\"%1\"了，点此看看。").arg(title));

    // Clicking the text shows that chapter in the window.
    const qint64 chapter = message->chapterId();
    QTest::mouseClick(message->findChild<QLabel*>("lblMessage"), Qt::LeftButton);
    QTRY_COMPARE(window.shownChapterId(), chapter);
    QTRY_VERIFY(!window.findChild<FrmMessage*>("frmMessage"));
    QCOMPARE(window.list()->currentItem()->text(1), title);
}

void TestDownload::doubleClicksDownload() {
    Demo demo;
    FrmBook window(demo.lib.context());
    window.show();
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    // A double-click on the novel's node renews it.
    QTreeWidgetItem* node = window.findNode(TreeKeys::novel(demo.novel));
    const QPoint at = window.tree()->visualItemRect(node).center();
    QTest::mouseClick(window.tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.tree()->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(window.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    QTRY_VERIFY(window.list()->topLevelItemCount() > 0);

    // A double-click on a chapter downloads that chapter again, and only it.
    demo.site.site()->resetStatistics();
    QTreeWidgetItem* first = window.list()->topLevelItem(0);
    const QPoint row = window.list()->visualItemRect(first).center();
    QTest::mouseClick(window.list()->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(window.list()->viewport(), Qt::LeftButton, {}, row);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy() && demo.site.site()->requestCount("/book/1001.html") == 1,
                             30000);
    QCOMPARE(demo.site.site()->requestCount("/book/index.html"), 0);
    QCOMPARE(demo.site.site()->requestCount("/book/1002.html"), 0);

    // Opening a chapter that came without text offers it again; once it has come it is read there.
    const qint64 id =
        TreeKeys::idOf(window.list()->topLevelItem(0)->data(0, LibraryTreeWidget::kKeyRole).toString(),
                       TreeKeys::kChapter)
            .toLongLong();
    demo.lib.db().exec("UPDATE book_novelcontent SET WordNums=0 WHERE id=?", {id});
    QVERIFY(window.selectNode("BookList"));
    QVERIFY(window.selectNode(TreeKeys::novel(demo.novel)));
    QTreeWidgetItem* failed = window.list()->topLevelItem(0);
    QVERIFY2(failed->text(1).endsWith("(下载失败)"), qPrintable(failed->text(1)));
    demo.site.site()->resetStatistics();
    MessageRecorder messages;
    QTest::mouseClick(window.list()->viewport(), Qt::LeftButton, {},
                      window.list()->visualItemRect(failed).center());
    QCOMPARE(messages.shown, QStringList{"该章节下载失败或没有内容，是否重新下载？"});
    QCOMPARE(window.shownChapterId(), id);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 30000);
    QCOMPARE(demo.site.site()->requestCount("/book/1001.html"), 1);
    QVERIFY(demo.lib.db().scalar("SELECT WordNums FROM book_novelcontent WHERE id=?", {id}).toInt() > 0);
    QCOMPARE(demo.lib.db().scalar("SELECT bIsRead FROM book_novelcontent WHERE id=?", {id}).toString(),
             QString("1"));
    QTRY_VERIFY(!window.list()->topLevelItem(0)->data(0, LibraryTreeWidget::kFailedRole).toBool());
    QVERIFY(window.list()->topLevelItem(0)->data(0, LibraryTreeWidget::kReadRole).toBool());
    // The page loads in the web process, slow on a loaded machine.
    QTRY_VERIFY_WITH_TIMEOUT(js(window.web(), "document.body.innerText").toString().size() > 100, 20000);
}

void TestDownload::timerRenewsAll() {
    Demo demo;
    demo.lib.context().settings().writeIniValue(Settings::kMain, "IntervalTime", "2");
    FrmBook window(demo.lib.context());
    auto* timer = window.findChild<RenewScheduler*>("tmrAutoRenew");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 2);
    timer->tick();
    QVERIFY(!window.isBusy());
    timer->tick();
    QVERIFY(window.isBusy());
    // Minutes during its own run do not start another one.
    timer->tick();
    timer->tick();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 60000);
    QVERIFY(storedChapters(demo.lib, demo.novel) >= kDemoChapters - 1);
}

void TestDownload::addNovelDialog() {
    TestSite site{DemoLibrary::siteFolder()};
    QVERIFY(site.start());
    TestLibrary lib;
    MessageRecorder messages;
    FrmBook window(lib.context());
    window.show();

    // A handed-over address opens the dialog with it (its checks are tst_frmaddnovel's); the novel
    // stored is the one shown.
    window.requestAddNovel(site.url("book/index.html"));
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = window.findChild<QDialog*>("frmAddNovel")) && dialog->isVisible());
    QCOMPARE(dialog->findChild<QLineEdit*>("txtListUrl")->text(), site.url("book/index.html"));
    dialog->findChild<QLineEdit*>("txtNovelName")->setText("林间");
    messages.answers = {false}; // on another port the site has no sign: stored without one
    click(*dialog, "cmdOK");
    QTRY_VERIFY(!window.findChild<QDialog*>("frmAddNovel"));
    const QString id = lib.db().scalar("SELECT NovelID FROM book_novel WHERE NovelName = '林间'").toString();
    QVERIFY(!id.isEmpty());
    QCOMPARE(window.currentNovelId(), id);
    // The site's markers came with the sign of the demo site when it serves on its own port.
    if (site.site()->port() == DemoLibrary::kPort)
        QVERIFY(!NovelStore(lib.db()).loadNovel(id)->listStart.isEmpty());
}

void TestDownload::demoLibraryFollowsThePort() {
    Demo demo;
    QVERIFY(!NovelStore(demo.lib.db()).loadNovel(demo.novel)->listStart.isEmpty());
    demo.lib.addChapter(demo.novel, "旧", true, demo.site.url("book/1001.html"));
    // The same library served from another port: the addresses move along, nothing is added twice.
    TestSite other{DemoLibrary::siteFolder()};
    QVERIFY(other.start());
    QString again;
    QCOMPARE(DemoLibrary::prepare(demo.lib.context(), other.baseUrl(), &again), QString());
    QCOMPARE(again, demo.novel);
    QCOMPARE(demo.lib.db().scalar("SELECT count(*) FROM book_novel").toInt(), 1);
    QCOMPARE(NovelStore(demo.lib.db()).loadNovel(demo.novel)->listUrl, other.url("book/index.html"));
    QCOMPARE(demo.lib.db()
                 .scalar("SELECT ComeFrom FROM book_novelcontent WHERE NovelID = ?", {demo.novel})
                 .toString(),
             other.url("book/1001.html"));
}

QUIVERAL_UI_TEST_MAIN(TestDownload)
#include "tst_download.moc"
