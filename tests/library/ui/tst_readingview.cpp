// The reading view in the window: chapter pages with the shared style, links and keys driving the
// window, what pages may load, bookmarks, reading settings, logs and full screen.
#include "app/ui/frmbook.h"
#include "library/ui/frmcheck.h"
#include "library/ui/frmview.h"
#include "library/ui/readingview.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEnginePage>

#include <memory>

namespace {

// A library with a novel of three chapters written from the chapter template.
struct Library {
    TestLibrary lib;
    QString novel;
    QList<qint64> chapters;

    explicit Library(const QString& extraContent = QString()) {
        novel = lib.addNovel("山河");
        const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
        for (int i = 1; i <= 3; ++i) {
            const qint64 id = lib.addChapter(novel, QString("第%1章").arg(i));
            chapters << id;
            const QString body =
                QString("　　第%1章的正文，他走进了客栈，掌柜抬起头来。%2").arg(i).arg(extraContent);
            writeTextFile(
                lib.context().folder().chapterPage(novel, id),
                QString(tmpl).replace("[[title]]", QString("第%1章").arg(i)).replace("[[Content]]", body));
        }
    }
    QString page(int i) const { return QString("/chm/%1/%2.htm").arg(novel).arg(chapters.at(i)); }
};

void openChapter(FrmBook& window, Library& data, int index) {
    QVERIFY(window.selectNode("栏目" + data.novel));
    auto* list = window.findChild<QTreeWidget*>("ListView1");
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(index));
    list->topLevelItem(index)->setSelected(true);
    window.viewNovelContent();
    QVERIFY(shows(window.web(), data.page(index)));
}

// Selects count characters of the chapter text from its start.
void selectWords(QWebEngineView* view, int count) {
    js(view,
       QString("(function(){var c=document.querySelector('.content');var w=document.createTreeWalker(c,"
               "NodeFilter.SHOW_TEXT);var t;while((t=w.nextNode())&&t.data.trim()==='');var r=document."
               "createRange();r.setStart(t,2);r.setEnd(t,2+%1);var s=getSelection();s.removeAllRanges();"
               "s.addRange(r);return s.toString();})()")
           .arg(count));
}

} // namespace

class TestReadingView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chapterPageIsStyled();
    void linksDriveTheWindow();
    void keysInTheView();
    void pagesReachOnlyWhatTheyNeed();
    void bookmarks();
    void readingSettingsBackgroundPicture();
    void downloadLogPage();
    void outputPages_data();
    void outputPages();
    void systemCheckWindow();
    void fullScreen();
};

void TestReadingView::chapterPageIsStyled() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    QVERIFY(window.web()->url().query().contains("op=read"));
    QCOMPARE(js(window.web(), "getComputedStyle(document.body).backgroundColor").toString(),
             QString("rgb(231, 244, 254)"));
    QCOMPARE(js(window.web(), "document.title").toString(), QString("第1章"));
    // A chapter whose page is missing gets an empty page instead of an error.
    QFile::remove(data.lib.path() + data.page(1));
    openChapter(window, data, 1);
    QVERIFY(QFileInfo::exists(data.lib.path() + data.page(1)));
}

void TestReadingView::linksDriveTheWindow() {
    Library data("<a id=other href=\"../000002/7.htm#002\">别的书</a><a id=vol href=\"vol2.htm\">分卷</a>"
                 "<a id=manage href=\"../../bookmarkmanage.asp\">整理</a>");
    const QString other = data.lib.addNovel("别的");
    for (int i = 0; i < 7; ++i)
        data.lib.addChapter(other, QString("别%1").arg(i));
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    const auto click = [&](const QString& selector) {
        js(window.web(), QString("document.querySelector('%1').click()").arg(selector));
    };
    click("a[href=\"Next.htm\"]");
    QVERIFY(shows(window.web(), data.page(1)));
    QCOMPARE(window.shownChapterId(), data.chapters.at(1));
    click("a[href=\"Prior.htm\"]");
    QVERIFY(shows(window.web(), data.page(0)));

    // A volume page that was never made is offered to be made, then shown.
    MessageRecorder messages;
    messages.answers = {false};
    click("#vol");
    QTRY_COMPARE(messages.last(), QString("分卷阅读页尚未生成，是否现在生成？"));
    QVERIFY(!QFileInfo::exists(data.lib.context().folder().novelDir(data.novel) + "/vol2.htm"));
    data.lib.db().exec("UPDATE book_novelcontent SET Volume=CASE WHEN id=? THEN '卷一' ELSE '卷二' END",
                       {data.chapters.at(0)});
    messages.answers = {true};
    click("#vol");
    QVERIFY(shows(window.web(), "/chm/" + data.novel + "/vol2.htm"));
    QCOMPARE(messages.shown.count("分卷阅读页尚未生成，是否现在生成？"), 2);
    QCOMPARE(messages.last(), QString("分卷页生成完成"));

    bool managerOpened = false;
    whenDialogOpens("frmBookmark", [&](QDialog* d) {
        managerOpened = true;
        d->reject();
    });
    click("#manage");
    QTRY_VERIFY(managerOpened);

    click("#other");
    QTRY_COMPARE(window.currentNovelId(), other);
    QTRY_COMPARE(window.shownChapterId(), qint64(7));
    QVERIFY(shows(window.web(), "/chm/" + other + "/7.htm"));
    QCOMPARE(window.web()->url().fragment(), QString("002"));
}

void TestReadingView::keysInTheView() {
    // Long chapters: their links are far below where reading starts.
    Library data(QString("<br><br>　　他又走了一程，天色暗了下来。").repeated(150));
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 2);
    // Tabbing in from the list keeps the page where it is, instead of going to its first link.
    QApplication::setActiveWindow(&window);
    window.list()->setFocus();
    QTRY_VERIFY(window.list()->hasFocus());
    QTest::keyClick(window.list(), Qt::Key_Tab);
    QTRY_VERIFY(window.web()->focusProxy() && window.web()->focusProxy()->hasFocus());
    QTest::qWait(300);
    QCOMPARE(js(window.web(), "window.scrollY").toInt(), 0);
    QCOMPARE(js(window.web(), "document.activeElement.tagName").toString(), QString("BODY"));
    QWidget* page = window.web()->focusProxy();
    QVERIFY(page);
    MessageRecorder messages;
    QTest::keyClick(page, Qt::Key_Right);
    QCOMPARE(messages.last(), QString("当前章是最后一章"));
    QCOMPARE(window.shownChapterId(), data.chapters.at(2));
    QTest::keyClick(page, Qt::Key_Left);
    QVERIFY(shows(window.web(), data.page(1)));
    QVERIFY(writeTextFile(data.lib.context().folder().novelListPage(data.novel), "<title>目录</title>"));
    QTest::keyClick(window.web()->focusProxy(), Qt::Key_Return);
    QVERIFY(shows(window.web(), "/chm/" + data.novel + "/List.htm"));
}

void TestReadingView::pagesReachOnlyWhatTheyNeed() {
    QTemporaryDir outside;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(outside.filePath("secret.png")));
    Library data(QString("<img id=mine src=\"own.png\"><img id=outside src=\"%1\">"
                         "<script src=\"evil.js\"></script>")
                     .arg(QUrl::fromLocalFile(outside.filePath("secret.png")).toString()));
    const QString folder = data.lib.context().folder().novelDir(data.novel);
    QVERIFY(picture.save(folder + "/own.png"));
    QVERIFY(writeTextFile(folder + "/evil.js", "window.evil = 1;"));
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    QTRY_COMPARE(js(window.web(), "document.getElementById('mine').naturalWidth").toInt(), 4);
    QCOMPARE(js(window.web(), "document.getElementById('outside').naturalWidth").toInt(), 0);
    QCOMPARE(js(window.web(), "typeof window.evil").toString(), QString("undefined"));
    // Scripts of the page cannot read files, not even their own folder's.
    QCOMPARE(js(window.web(),
                QString("(function(){try{var x=new XMLHttpRequest();x.open('GET','%1.htm',false);"
                        "x.send();return 'read '+x.responseText.length;}catch(e){return 'refused';}})()")
                    .arg(data.chapters.at(1)))
                 .toString(),
             QString("refused"));
}

void TestReadingView::bookmarks() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 1);
    MessageRecorder messages;
    selectWords(window.web(), 21);
    trigger(window, "mnuBookmark");
    QTRY_COMPARE(messages.last(), QString("您选择作为书签的字符数不能超过20个，请重新选择。"));
    QVERIFY(!QFileInfo::exists(data.lib.path() + "/bookmark.xml"));

    selectWords(window.web(), 20);
    trigger(window, "mnuBookmark");
    QTRY_COMPARE(messages.last(), QString("书签已加入。"));
    const QString page = readTextFile(data.lib.path() + data.page(1));
    QVERIFY2(page.contains("　　<a name=001></a><img src=\"../bookmark.gif\"></img>第2章的正文"),
             qPrintable(page));
    QVERIFY(shows(window.web(), data.page(1)));
    QCOMPARE(window.web()->url().fragment(), QString("001"));

    // The list page links it; jumping to the novel's bookmark shows it at its anchor.
    openChapter(window, data, 0);
    trigger(window, "mnuBookmarkList");
    QVERIFY(shows(window.web(), "/bookmark.htm"));
    QCOMPARE(js(window.web(), "document.title").toString(), QString("书签列表"));
    QCOMPARE(js(window.web(), "document.querySelector('table a').textContent").toString(),
             QString("《山河》 - 第2章"));
    // No bookmark goes into a page that is not a chapter.
    QVERIFY(!child<QAction>(window, "mnuBookmark")->isEnabled());
    trigger(window, "mnuBookmarkEnter");
    QVERIFY(shows(window.web(), data.page(1)));
    QCOMPARE(window.web()->url().fragment(), QString("001"));
    QCOMPARE(window.shownChapterId(), data.chapters.at(1));
}

void TestReadingView::readingSettingsBackgroundPicture() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    whenDialogOpens("frmContentSet", [](QDialog* d) {
        auto* pictures = d->findChild<QComboBox*>("cboBgImg");
        pictures->setCurrentIndex(pictures->findText("宣纸.jpg"));
        click(*d, "cmdOK");
    });
    trigger(window, "mnuContentSet");
    QCOMPARE(data.lib.context().settings().readIniValue("Main", "BgImg"), QString("宣纸.jpg"));
    const QString css = readTextFile(data.lib.path() + "/chm/style.css");
    QVERIFY(css.contains("background: url(../bgimage/宣纸.jpg);"));
    QTRY_VERIFY(
        js(window.web(), "getComputedStyle(document.body).backgroundImage").toString().contains("/bgimage/"));
}

void TestReadingView::outputPages_data() {
    // page: {novel} for the novel's folder
    columns<QString, QString, QString>("command", "page", "text");
    addRow("overview", "mnuTotalView", "/totalview.htm", "山河");
    addRow("full text", "mnuAllText", "/chm/{novel}/all.htm", "第3章的正文");
    addRow("contents", "mnuListAgain", "/chm/{novel}/List.htm", "第3章");
}

void TestReadingView::outputPages() {
    auto [command, page, text] = fetch<QString, QString, QString>("command", "page", "text");
    Library data;
    MessageRecorder messages;
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    trigger(window, qPrintable(command));
    QVERIFY(shows(window.web(), page.replace("{novel}", data.novel)));
    QVERIFY(js(window.web(), "document.body.innerText").toString().contains(text));
}

void TestReadingView::systemCheckWindow() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    trigger(window, "mnuCheck");
    auto* check = window.findChild<FrmCheck*>("frmCheck");
    QVERIFY(check && check->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!check->isChecking(), 60000);
    check->close();
}

void TestReadingView::downloadLogPage() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    trigger(window, "mnuDown100");
    QVERIFY(shows(window.web(), "/recentdown.htm"));
    QCOMPARE(js(window.web(), "document.title").toString(), QString("下载日志"));
    QCOMPARE(js(window.web(), "document.querySelectorAll('table a').length").toInt(), 3);
    // The newest first; following its link selects the novel and shows the chapter.
    js(window.web(), "document.querySelector('table a').click()");
    QVERIFY(shows(window.web(), data.page(2)));
    QCOMPARE(window.currentNovelId(), data.novel);
    QCOMPARE(window.shownChapterId(), data.chapters.at(2));
}

void TestReadingView::fullScreen() {
    Library data;
    FrmBook window(data.lib.context());
    window.show();
    openChapter(window, data, 0);
    // Reading on from the list: hiding the focused list must not tab into the page's first link,
    // which would scroll the chapter away to its foot.
    QApplication::setActiveWindow(&window);
    window.list()->setFocus();
    QTRY_VERIFY(window.list()->hasFocus());
    trigger(window, "mnuAllScreen");
    QVERIFY(!window.tree()->isVisible());
    QVERIFY(window.web()->isVisible());
    QTest::qWait(300);
    QCOMPARE(js(window.web(), "document.activeElement ? document.activeElement.tagName : ''").toString(),
             QString("BODY"));
    trigger(window, "mnuAllScreen");
    QVERIFY(window.tree()->isVisible());

    data.lib.context().settings().setValue("bIsEntireScreen", "1");
    trigger(window, "mnuAllScreen");
    auto* viewer = window.findChild<FrmView*>("frmView");
    QVERIFY(viewer && viewer->isVisible());
    QVERIFY(shows(viewer->view(), data.page(0)));
    QTest::keyClick(viewer->view()->focusProxy(), Qt::Key_Right);
    QVERIFY(shows(viewer->view(), data.page(1)));
    QTest::keyClick(viewer->view()->focusProxy(), Qt::Key_Escape);
    QVERIFY(!viewer->isVisible());
    // The window's own view goes on where the viewer stopped, as the list does.
    QVERIFY(shows(window.web(), data.page(1)));
    QCOMPARE(window.list()->currentItem(), window.list()->topLevelItem(1));
}

QUIVERAL_UI_TEST_MAIN(TestReadingView)
#include "tst_readingview.moc"
