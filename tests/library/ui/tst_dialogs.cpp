// The options, filter, find and reading-settings dialogs, and questions of jobs asked on the window.
#include "library/ui/frmbookmark.h"
#include "library/ui/frmbookset.h"
#include "library/ui/frmcheck.h"
#include "library/ui/frmcontentset.h"
#include "library/ui/frmfilter.h"
#include "library/ui/frmfindbook.h"
#include "localsite/localsite.h"
#include "storage/categorystore.h"
#include "storage/job.h"
#include "storage/recordlists.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "widgets/desktopprompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

QString ini(TestLibrary& lib, const QString& key) {
    return lib.context().settings().readIniValue("Main", key);
}

// Types into a number field as a user would, leaving what the field shows.
void typeNumber(QWidget* dialog, const QString& name, const QString& text) {
    auto* spin = dialog->findChild<QSpinBox*>(name);
    QVERIFY2(spin, qPrintable(name));
    spin->findChild<QLineEdit*>()->setText(text);
}

class AskingJob : public Job {
public:
    Prompter::Answer answer;
    QString asked;

protected:
    void run() override {
        Prompter::Question q;
        q.text = asked;
        q.buttons = {"覆盖", "取消"};
        answer = prompter().ask(q);
    }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void optionsRefuseBadValues_data();
    void optionsRefuseBadValues();
    void optionsStoreEverything();
    void addressChecks_data();
    void addressChecks();
    void systemCheck_data();
    void systemCheck();
    void filters();
    void findBook();
    void readingSchemes();
    void bookmarkManager();
    void promptsFromWorker();
    void closedPrompterReleasesWorker();

private:
    TestSite m_site{QStringLiteral("fetch")};
};

void TestDialogs::initTestCase() {
    QVERIFY(m_site.start());
}

// One field of each kind: the limits of every field are tst_options'.
void TestDialogs::optionsRefuseBadValues_data() {
    columns<QString, QString, QString>("field", "value", "message");
    addRow("timeout", "txtNovelConnTimeOut", "1", "连接超时数应该在5与300之间");
    addRow("empty e-book folder", "txtNovelChmPath", "", "电子书输出目录不能为空");
    addRow("style", "cboArticleStyle", " ", "章节显示样式不能为空");
    addRow("editor", "txtOtherEditor", "", "请选择具体的外部编辑器文件。");
}

void TestDialogs::optionsRefuseBadValues() {
    const auto [field, value, message] = fetch<QString, QString, QString>("field", "value", "message");
    TestLibrary lib;
    const QByteArray before = readTextFile(lib.context().settings().iniPath()).toUtf8();
    FrmBookSet dialog(lib.context());
    if (field.startsWith("txtNovelChmPath") || field.startsWith("txtOtherEditor"))
        dialog.findChild<QLineEdit*>(field)->setText(value);
    else if (field.startsWith("cbo"))
        dialog.findChild<QComboBox*>(field)->setEditText(value);
    else
        typeNumber(&dialog, field, value);
    if (field == "txtOtherEditor")
        child<QCheckBox>(dialog, "chkOtherEditor")->setChecked(true);
    MessageRecorder messages;
    dialog.show();
    click(dialog, "cmdOK");
    QCOMPARE(messages.shown, QStringList{message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(readTextFile(lib.context().settings().iniPath()).toUtf8(), before);
}

void TestDialogs::optionsStoreEverything() {
    TestLibrary lib;
    lib.context().settings().setValue("IntervalTime", "120");
    FrmBookSet dialog(lib.context());
    auto* interval = dialog.findChild<QComboBox*>("cboIntervalTime");
    QCOMPARE(interval->currentText(), QString("2小时"));
    interval->setCurrentIndex(interval->findText("30分钟"));
    child<QComboBox>(dialog, "cboCharset")->setCurrentIndex(2);
    child<QCheckBox>(dialog, "chkNovelPicDown")->setChecked(false);
    child<QCheckBox>(dialog, "chkOneBookMark")->setChecked(true);
    typeNumber(&dialog, "txtMultGetNums", "3");
    child<QLineEdit>(dialog, "txtNovelChmPath")->setText(lib.path() + "/书");
    child<QLineEdit>(dialog, "txtChmAuthor")->setText("我");
    child<QLineEdit>(dialog, "txtNetCheckUrl")->setText(" http://check.test/ ");
    child<QPlainTextEdit>(dialog, "txtScriptListSites")->setPlainText("a.test\n\n [[b\\.test/\\d+]] \n");
    MessageRecorder messages;
    click(dialog, "cmdOK");
    QCOMPARE(messages.shown, QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ini(lib, "IntervalTime"), QString("30"));
    QCOMPARE(ini(lib, "charset"), QString("utf-8"));
    QCOMPARE(ini(lib, "bIsNovelPicDown"), QString("0"));
    QCOMPARE(ini(lib, "bIsOneBookMark"), QString("1"));
    QCOMPARE(ini(lib, "MultGetNums"), QString("3"));
    QCOMPARE(ini(lib, "NovelChmPath"), lib.path() + "/书");
    QCOMPARE(ini(lib, "chmAuthor"), QString("我"));
    QCOMPARE(ini(lib, "NetCheckUrl"), QString("http://check.test/"));
    QCOMPARE(ini(lib, "ScriptListSites"), QString("a.test||[[b\\.test/\\d+]]"));
    QCOMPARE(ini(lib, "ForumSites"), QString());
    QCOMPARE(lib.context().settings().value("bIsOneBookMark"), QString("1"));
    QVERIFY(QFileInfo(lib.path() + "/书").isDir());
}

// Each address is fetched as the program uses it: a search for a sample name, the update server's
// sign file, the page itself.
void TestDialogs::addressChecks_data() {
    // value: {site}: the fixture site; asked: the path the site was asked for, "" for none
    columns<QString, QString, QString, QString>("key", "value", "asked", "result");
    addRow("search engine", "SearchEngineUrl", "{site}/page.html?q=[[Name]]", "/page.html", "网址可以连接");
    addRow("search engine gone", "SearchEngineUrl", "{site}/gone.php?q=", "/gone.php",
           "网址连接不上：服务器返回 HTTP 404");
    addRow("update server", "SiteSignUpdateUrl", "{site}/update", "/update/sitesign.xml", "网址可以连接");
    addRow("update server without signs", "SiteSignUpdateUrl", "{site}/page.html", "/page.html/sitesign.xml",
           "网址连接不上：服务器返回 HTTP 404");
    addRow("check page", "NetCheckUrl", "{site}/page.html", "/page.html", "网址可以连接");
    addRow("nothing to check", "NetCheckUrl", " ", "", "尚未填写网址");
}

void TestDialogs::addressChecks() {
    auto [key, value, asked, result] =
        fetch<QString, QString, QString, QString>("key", "value", "asked", "result");
    m_site.site()->resetStatistics();
    TestLibrary lib;
    FrmBookSet dialog(lib.context());
    child<QLineEdit>(dialog, qPrintable("txt" + key))
        ->setText(value.replace("{site}", m_site.baseUrl().chopped(1)));
    click(dialog, qPrintable("cmdCheck" + key));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isChecking(), 20000);
    QCOMPARE(child<QLabel>(dialog, qPrintable("lbl" + key))->text(), result);
    QCOMPARE(m_site.site()->totalRequests(), asked.isEmpty() ? 0 : 1);
    if (!asked.isEmpty())
        QCOMPARE(m_site.site()->requestCount(asked), 1);
    // A check stores nothing.
    QCOMPARE(ini(lib, key), QString());
}

void TestDialogs::systemCheck_data() {
    // netCheckUrl: {site}: the fixture site
    columns<QString, QString>("netCheckUrl", "networkLine");
    addRow("not set", "",
           "网络情况：未检测：尚未设置网络检测网址，请在“设置”的“网址”页中填写（book.ini 的 NetCheckUrl）");
    addRow("answers", "{site}/page.html", "网络情况：网络连接正常");
    addRow("does not answer", "{site}/gone.html",
           "网络情况：网络连接不上，请连接网络或查看防火墙问题 错误说明:服务器返回 HTTP 404");
}

void TestDialogs::systemCheck() {
    auto [netCheckUrl, networkLine] = fetch<QString, QString>("netCheckUrl", "networkLine");
    TestLibrary lib;
    lib.context().settings().setValue("NetCheckUrl",
                                      netCheckUrl.replace("{site}", m_site.baseUrl().chopped(1)));
    FrmCheck window(lib.context());
    auto* report = child<QTextBrowser>(window, "txtCheck");
    // Every line waits for its check at first.
    QVERIFY(report->toPlainText().contains("网络情况：检测中，请稍候..."));
    QVERIFY(!child<QPushButton>(window, "cmdCheck")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!window.isChecking(), 60000);
    QStringList lines;
    for (const QString& line : report->toPlainText().split('\n', Qt::SkipEmptyParts))
        lines << line.trimmed();
    QVERIFY2(lines.contains(networkLine), qPrintable(lines.join('\n')));
    for (const QString& line :
         {QStringLiteral("正则表达式：正常"), QStringLiteral("HTTP：正常（本机测试站点）")})
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
    QVERIFY(!report->toPlainText().contains("检测中"));
    QVERIFY(child<QPushButton>(window, "cmdCheck")->isEnabled());
}

void TestDialogs::filters() {
    TestLibrary lib;
    QVERIFY(lib.context().saveFilters("上一页||下一页", "[[ad\\d+]]"));
    FrmFilter dialog(lib.context());
    auto* titles = dialog.findChild<QPlainTextEdit*>("txtFilter1");
    QCOMPARE(titles->toPlainText(), QString("上一页\n下一页"));
    titles->setPlainText("上一页\n\n 返回目录 \n下一页\n");
    click(dialog, "cmdOK");
    QCOMPARE(readTextFile(lib.path() + "/filter1.txt"), QString("上一页||返回目录||下一页"));
    QCOMPARE(readTextFile(lib.path() + "/filter2.txt"), QString("[[ad\\d+]]"));
    QCOMPARE(lib.context().filterTitles(), QString("上一页||返回目录||下一页"));
}

void TestDialogs::findBook() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    lib.addNovel("山河远阔", "01");
    FrmFindBook dialog(lib.context());
    MessageRecorder messages;
    click(dialog, "cmdFind");
    QCOMPARE(messages.last(), QString("请输入小说名称或者目录页网址"));
    child<QLineEdit>(dialog, "txtNovelName")->setText("星海");
    click(dialog, "cmdFind");
    QCOMPARE(messages.last(), QString("小说列表中无此小说"));
    child<QLineEdit>(dialog, "txtNovelName")->setText("远阔");
    click(dialog, "cmdFind");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.pagePath(), lib.path() + "/booklist.htm");
    const QString page = readTextFile(dialog.pagePath());
    QVERIFY(page.contains("<title>搜索结果</title>"));
    QVERIFY(page.contains("<font color=blue>山河远阔</font></a></td><td>玄幻</td>"));
}

void TestDialogs::readingSchemes() {
    TestLibrary lib;
    FrmContentSet dialog(lib.context());
    MessageRecorder messages;
    click(dialog, "cmdSaveScheme");
    QCOMPARE(messages.last(), QString("请输入方案名称"));
    click(dialog, "cmdDeleteScheme");
    QCOMPARE(messages.last(), QString("请选择具体的方案"));

    child<QCheckBox>(dialog, "chkBold")->setChecked(true);
    child<QLineEdit>(dialog, "txtSchemeName")->setText("我的");
    click(dialog, "cmdSaveScheme");
    QCOMPARE(messages.last(), QString("方案保存成功"));
    auto* list = dialog.findChild<QListWidget*>("lstScheme");
    QCOMPARE(list->findItems("我的", Qt::MatchExactly).size(), 1);
    // The same name asks before it overwrites; "No" keeps the stored one.
    child<QCheckBox>(dialog, "chkBold")->setChecked(false);
    messages.answers = {false};
    click(dialog, "cmdSaveScheme");
    QCOMPARE(messages.last(), QString("该方案名称已存在，是否覆盖?"));

    // Choosing a scheme fills the fields.
    QListWidgetItem* green = list->findItems("护眼绿", Qt::MatchExactly).value(0);
    QVERIFY(green);
    list->setCurrentItem(green);
    list->itemClicked(green);
    QCOMPARE(child<QLineEdit>(dialog, "txtSchemeName")->text(), QString("护眼绿"));
    QListWidgetItem* mine = list->findItems("我的", Qt::MatchExactly).value(0);
    list->setCurrentItem(mine);
    list->itemClicked(mine);
    QVERIFY(child<QCheckBox>(dialog, "chkBold")->isChecked());

    click(dialog, "cmdDeleteScheme");
    QCOMPARE(messages.shown.mid(messages.shown.size() - 2), (QStringList{"确定删除该方案?", "方案删除成功"}));
    QVERIFY(list->findItems("我的", Qt::MatchExactly).isEmpty());

    // "确定" stores the fields as settings: colours as #RRGGBB, none as empty, bold as Bold/None.
    green = list->findItems("护眼绿", Qt::MatchExactly).value(0); // the list was filled anew
    list->setCurrentItem(green);
    list->itemClicked(green);
    child<QCheckBox>(dialog, "chkBold")->setChecked(true);
    auto* boss = child<QComboBox>(dialog, "cboBossKey");
    boss->setCurrentIndex(boss->findText("Shift+F12"));
    click(dialog, "cmdOK");
    QCOMPARE(ini(lib, "BgColor"), QString("#C7EDCC"));
    QCOMPARE(ini(lib, "FontColor"), QString("#1F2D1F"));
    QCOMPARE(ini(lib, "BgImg"), QString());
    QCOMPARE(ini(lib, "FontBold"), QString("Bold"));
    QCOMPARE(ini(lib, "FontItalic"), QString("None"));
    // The stored form the key test reads: F12 is "{" (not its number, which would read as Shift+"3").
    QCOMPARE(ini(lib, "BossKey"), QString("Shift+{"));
}

void TestDialogs::bookmarkManager() {
    TestLibrary lib;
    const QString page = lib.path() + "/chm/000001/5.htm";
    QVERIFY(writeTextFile(page, "<body>a<a name=001></a><img src=\"../bookmark.gif\"></img>b</body>"));
    QVERIFY(saveBookmarks(lib.path(), {{"《书》 - 一", "000001/5.htm", "001", QString()},
                                       {"《书》 - 二", "000001/6.htm", "001", QString()}}));
    FrmBookmark dialog(lib.path());
    auto* list = dialog.findChild<QTreeWidget*>("lstBookmark");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->headerItem()->text(2), QString("编号"));
    MessageRecorder messages;
    click(dialog, "cmdRemove");
    QCOMPARE(messages.last(), QString("请点选具体项进行移除"));
    list->topLevelItem(0)->setSelected(true);
    click(dialog, "cmdRemove");
    QCOMPARE(list->topLevelItemCount(), 1);
    click(dialog, "cmdOK");
    QList<Bookmark> left;
    QVERIFY(loadBookmarks(lib.path(), left));
    QCOMPARE(left.size(), 1);
    QCOMPARE(left[0].name, QString("《书》 - 二"));
    QCOMPARE(readTextFile(page), QString("<body>ab</body>"));
}

void TestDialogs::promptsFromWorker() {
    QWidget window;
    DesktopPrompter prompter(&window);
    QList<QThread*> askedOn;
    DesktopPrompter::setHandler([&](const Prompter::Question& q) {
        askedOn << QThread::currentThread();
        Prompter::Answer a;
        a.button = q.text == "覆盖吗" ? 0 : 1;
        return a;
    });
    AskingJob job;
    job.asked = "覆盖吗";
    job.setPrompter(&prompter);
    QSignalSpy finished(&job, &Job::finished);
    job.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(job.answer.button, 0);
    // Asked on the window's thread while the worker waited.
    QCOMPARE(askedOn, QList<QThread*>{QThread::currentThread()});

    // Yes/No questions and messages go through the message boxes.
    MessageRecorder messages;
    messages.answers = {false};
    QVERIFY(!prompter.confirm("继续吗？"));
    prompter.warning("出错了");
    QCOMPARE(messages.shown, (QStringList{"继续吗？", "出错了"}));
    DesktopPrompter::setHandler({});
}

void TestDialogs::closedPrompterReleasesWorker() {
    QWidget window;
    DesktopPrompter prompter(&window);
    AskingJob job;
    job.setPrompter(&prompter);
    job.asked = "不会有人回答";
    job.start();
    // No event loop runs here, so the question is never shown; closing the window's prompter must
    // release the waiting worker.
    QThread::msleep(200);
    prompter.close();
    QVERIFY(job.wait(5000));
    QCOMPARE(job.answer.button, -1);
}

QUIVERAL_UI_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
