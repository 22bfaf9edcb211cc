// The novel dialog driven by objectName: its checks and messages in order, storing and editing, the
// clipboard address, the searches with their stop button, the site-sign exchange and the cover copy.
#include "addnovel/ui/frmaddnovel.h"
#include "addnovel/ui/frmurlselect.h"
#include "localsite/localsite.h"
#include "sites/searchsites.h"
#include "sites/sitesigntable.h"
#include "sites/ui/frmsite.h"
#include "storage/bookcasestore.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

void setText(QWidget& window, const char* name, const QString& text) {
    child<QLineEdit>(window, name)->setText(text);
}

void clickOk(QWidget& window) {
    QTest::mouseClick(child<QPushButton>(window, "cmdOK"), Qt::LeftButton);
}

NovelSite soushuSite(const TestSite& server, const QString& searchPath) {
    NovelSite s;
    s[NovelSite::Name] = "搜书网";
    s[NovelSite::Url] = server.baseUrl();
    s[NovelSite::SearchUrl] = server.url(searchPath);
    s[NovelSite::NameCode] = "utf-8";
    s[NovelSite::ResultStart] = "<table class=\"grid\">";
    s[NovelSite::ResultEnd] = "</table>";
    s[NovelSite::TitleStart] = "<td class=\"odd\"><a href=";
    s.setSelected(true);
    return s;
}

const QString kNoSign = QStringLiteral("尚未对该网站的正文标志进行设定，是否现在设定？");

} // namespace

class TestFrmAddNovel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void validations_data();
    void validations();
    void storesNewNovelNamedByItsPage();
    void informationReadWhenStored_data();
    void informationReadWhenStored();
    void siteWithoutSign_data();
    void siteWithoutSign();
    void tabLeavesBrief();
    void editingKeepsOwnName();
    void clipboardAddress_data();
    void clipboardAddress();
    void siteSearchOffersResults();
    void searchFindsNothing_data();
    void searchFindsNothing();
    void stopButtonEndsSearch();
    void siteSignExchange();
    void coverCopiedIntoNovelFolder();
    void urlSelectRefusesStoredNovels();

private:
    TestSite m_site{QStringLiteral("soushu")};
    TestSite m_qingfeng{QStringLiteral("qingfeng")};
    QTemporaryDir m_data;
};

void TestFrmAddNovel::initTestCase() {
    QVERIFY(m_site.start());
    QVERIFY(m_qingfeng.start());
    // No shipped search sites: only the sites a test writes into book.dat are searched.
    QVERIFY(QDir().mkpath(m_data.filePath("model")));
    qputenv("QUIVERAL_DATA_DIR", m_data.path().toLocal8Bit());
}

void TestFrmAddNovel::init() {
    QGuiApplication::clipboard()->clear();
    m_site.site()->clearRules();
    m_site.site()->resetStatistics();
    m_qingfeng.site()->resetStatistics();
}

void TestFrmAddNovel::validations_data() {
    columns<bool, QString, QString, QString, QString>("editing", "name", "url", "message", "focus");
    const QString bad = "小说名称不能包含<>?:\"|*%#等特殊符号，请重新输入";
    const QString local = "C:\\books\\list.htm";
    addRow("new, nothing", false, "", "", "请输入小说名称或者目录页网址", "txtNovelName");
    addRow("properties, no name", true, "", local, "小说名称不能为空", "txtNovelName");
    addRow("bad name", false, "第#部", local, bad, "txtNovelName");
    addRow("list page missing", false, "新书", "{base}nothing-here.html", "无效的目录页网址", "txtListUrl");
    addRow("properties, no address", true, "O'Brien的书", "", "无效的目录页网址", "txtListUrl");
}

void TestFrmAddNovel::validations() {
    const auto [editing, name, url, message, focus] =
        fetch<bool, QString, QString, QString, QString>("editing", "name", "url", "message", "focus");
    TestLibrary library;
    const QString own = library.addNovel("O'Brien的书");
    const int novels = NovelStore(library.db()).count();
    MessageRecorder log;
    FrmAddNovel window(library.context(), editing ? own : QString());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    setText(window, "txtNovelName", name);
    setText(window, "txtListUrl", QString(url).replace("{base}", m_site.baseUrl()));
    clickOk(window);
    QTRY_COMPARE_WITH_TIMEOUT(log.shown.size(), 1, 20000);
    QCOMPARE(log.kinds[0], Messages::Kind::Warning);
    QCOMPARE(log.shown[0], message);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QVERIFY(window.isVisible());
    QCOMPARE(child<QPushButton>(window, "cmdOK")->text(), QString("确定"));
    QCOMPARE(NovelStore(library.db()).count(), novels);
}

void TestFrmAddNovel::storesNewNovelNamedByItsPage() {
    TestLibrary library;
    MessageRecorder log;
    FrmAddNovel window(library.context());
    QSignalSpy stored(&window, &FrmAddNovel::novelStored);
    // The address typed into the name box: the name comes from the page's title. The site has no
    // sign; the novel is stored without one when the user says so.
    setText(window, "txtNovelName", m_site.url("/index.html"));
    log.answers = {false};
    clickOk(window);
    QVERIFY(stored.wait(20000) || stored.size() == 1);
    QCOMPARE(log.shown, QStringList{kNoSign});
    QCOMPARE(window.result(), int(QDialog::Accepted));
    const QString id = stored[0][0].toString();
    QCOMPARE(stored[0][1].toString(), QString("搜书小说网"));
    QCOMPARE(stored[0][2].toBool(), true);
    const std::optional<NovelRecord> novel = NovelStore(library.db()).loadNovel(id);
    QVERIFY(novel);
    QCOMPARE(novel->novelName, QString("搜书小说网"));
    QCOMPARE(novel->listUrl, m_site.url("/index.html"));
    QVERIFY(QFileInfo(library.context().folder().novelListPage(id)).isFile());
    QCOMPARE(BookcaseStore(library.db()).count(), 1);
    QCOMPARE(m_site.site()->requestCount("/index.html"), 1);
}

void TestFrmAddNovel::informationReadWhenStored_data() {
    columns<bool, bool, QString, QString, QString>("autoRead", "editing", "typedAuthor", "author", "bookImg");
    addRow("what the user typed is kept", true, false, "笔名", "笔名", "cover.jpg");
    addRow("not asked for", false, false, "", "", "");
    addRow("properties", true, true, "", "林间月", "cover.jpg");
}

void TestFrmAddNovel::informationReadWhenStored() {
    const auto [autoRead, editing, typedAuthor, author, bookImg] =
        fetch<bool, bool, QString, QString, QString>("autoRead", "editing", "typedAuthor", "author",
                                                     "bookImg");
    TestLibrary library;
    SiteSignTable signs;
    signs.setSigns({qingfengInformationSign(m_qingfeng.baseUrl())});
    QVERIFY(signs.save(library.path() + "/sitesign.xml"));
    const QString listUrl = m_qingfeng.url("/book/12/345/index.html");
    QString id;
    if (editing) {
        id = library.addNovel("剑影流年");
        QVERIFY(NovelStore(library.db()).setListUrl(id, listUrl));
    }
    MessageRecorder log;
    FrmAddNovel window(library.context(), id);
    QSignalSpy stored(&window, &FrmAddNovel::novelStored);
    setText(window, "txtNovelName", "剑影流年");
    setText(window, "txtListUrl", listUrl);
    setText(window, "txtAuthor", typedAuthor);
    child<QCheckBox>(window, "chkAutoRead")->setChecked(autoRead);
    clickOk(window);
    QVERIFY(stored.wait(20000) || stored.size() == 1);
    QVERIFY2(log.shown.isEmpty(), qPrintable(log.shown.join('\n')));
    id = stored[0][0].toString();
    const std::optional<NovelRecord> novel = NovelStore(library.db()).loadNovel(id);
    QCOMPARE(novel->author, author);
    QCOMPARE(novel->bookImg, bookImg);
    QCOMPARE(novel->brief.startsWith("　　内容简介：<br>"), autoRead);
    QCOMPARE(m_qingfeng.site()->requestCount("/info/345.html"), autoRead ? 1 : 0);
    if (!bookImg.isEmpty())
        QVERIFY(fileBytes(library.context().folder().novelDir(id) + "/" + bookImg).startsWith("GIF89a"));
    QCOMPARE(QDir(library.context().folder().tempDir())
                 .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                 .filter("cover"),
             QStringList());
}

void TestFrmAddNovel::siteWithoutSign_data() {
    // listStart: typed into the marker box
    columns<bool, QString, bool, bool, bool>("signKnown", "listStart", "setItNow", "asked", "stored");
    addRow("set it now", false, "", true, true, false);
    addRow("sign known", true, "", true, false, true);
    addRow("markers typed", false, "<div id=list>", true, false, true);
}

void TestFrmAddNovel::siteWithoutSign() {
    const auto [signKnown, listStart, setItNow, asked, stored] =
        fetch<bool, QString, bool, bool, bool>("signKnown", "listStart", "setItNow", "asked", "stored");
    TestLibrary library;
    if (signKnown) {
        SiteSign sign;
        sign[SiteSign::Name] = "搜书网";
        sign[SiteSign::Url] = m_site.baseUrl();
        sign[SiteSign::ListStart] = "<ul>";
        SiteSignTable signs;
        signs.setSigns({sign});
        QVERIFY(signs.save(library.path() + "/sitesign.xml"));
    }
    MessageRecorder log;
    log.answers = {setItNow};
    FrmAddNovel window(library.context());
    window.show();
    QSignalSpy requested(&window, &FrmAddNovel::siteSignsRequested);
    setText(window, "txtNovelName", "新书");
    setText(window, "txtListUrl", m_site.url("/index.html"));
    setText(window, "txtListStart", listStart);
    clickOk(window);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QCOMPARE(log.shown, asked ? QStringList{kNoSign} : QStringList());
    QCOMPARE(NovelStore(library.db()).count(), stored ? 1 : 0);
    QCOMPARE(window.isVisible(), !stored);
    QCOMPARE(requested.size(), stored ? 0 : 1);
    if (!stored)
        QCOMPARE(requested[0][0].toString(), m_site.baseUrl());
    else
        QCOMPARE(NovelStore(library.db()).loadNovel("000001")->listStart,
                 signKnown ? QString("<ul>") : listStart);
}

void TestFrmAddNovel::tabLeavesBrief() {
    TestLibrary library;
    FrmAddNovel window(library.context());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* brief = child<QPlainTextEdit>(window, "txtBrief");
    brief->setFocus();
    QTest::keyClick(brief, Qt::Key_Tab);
    QVERIFY(!brief->hasFocus());
    QCOMPARE(brief->toPlainText(), QString());
}

void TestFrmAddNovel::editingKeepsOwnName() {
    TestLibrary library;
    const QString id = library.addNovel("O'Brien的书");
    QVERIFY(NovelStore(library.db()).setListUrl(id, "D:\\old\\list.htm"));
    MessageRecorder log;
    FrmAddNovel window(library.context(), id);
    QSignalSpy stored(&window, &FrmAddNovel::novelStored);
    QCOMPARE(child<QLineEdit>(window, "txtNovelName")->text(), QString("O'Brien的书"));
    setText(window, "txtAuthor", "欧布莱恩");
    child<QCheckBox>(window, "chkbIsEnd")->setChecked(true);
    clickOk(window);
    QVERIFY2(log.shown.isEmpty(), qPrintable(log.shown.join('\n')));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][2].toBool(), false);
    QCOMPARE(m_site.site()->totalRequests(), 0); // a local list page is not asked for
    const std::optional<NovelRecord> novel = NovelStore(library.db()).loadNovel(id);
    QCOMPARE(novel->author, QString("欧布莱恩"));
    QCOMPARE(novel->bIsEnd, QString("1"));
    QCOMPARE(NovelStore(library.db()).count(), 1);
}

void TestFrmAddNovel::clipboardAddress_data() {
    columns<QString, QString, QString>("clipboard", "url", "name");
    addRow("address", " http://a.test/book/1/ ", "http://a.test/book/1/", "");
    addRow("address||title", "HTTP://a.test/book/1/||演示小说_最新章节", "HTTP://a.test/book/1/", "演示小说");
    addRow("plain text", "演示小说", "", "");
}

void TestFrmAddNovel::clipboardAddress() {
    const auto [clipboard, url, name] = fetch<QString, QString, QString>("clipboard", "url", "name");
    TestLibrary library;
    QGuiApplication::clipboard()->setText(clipboard);
    FrmAddNovel window(library.context());
    QCOMPARE(child<QLineEdit>(window, "txtListUrl")->text(), url);
    QCOMPARE(child<QLineEdit>(window, "txtNovelName")->text(), name);
    // A handed address wins over the clipboard.
    window.setHandedAddress("http://b.test/2/||乙书 - 站");
    QCOMPARE(child<QLineEdit>(window, "txtListUrl")->text(), QString("http://b.test/2/"));
    QCOMPARE(child<QLineEdit>(window, "txtNovelName")->text(), QString("乙书"));
    // Properties never take the clipboard.
    const QString id = library.addNovel("已存");
    FrmAddNovel properties(library.context(), id);
    QCOMPARE(child<QLineEdit>(properties, "txtListUrl")->text(),
             NovelStore(library.db()).loadNovel(id)->listUrl);
    QCOMPARE(child<QLineEdit>(properties, "txtNovelName")->text(), QString("已存"));
}

void TestFrmAddNovel::siteSearchOffersResults() {
    TestLibrary library;
    // Only the ticked site is asked: the other would fail.
    QVERIFY(saveUserSites(library.path() + "/book.dat",
                          {soushuSite(m_site, "/broken/search.php?key=[[Name]]"),
                           soushuSite(m_site, "/modules/article/search.php?searchkey=[[Name]]")}));
    library.context().settings().setValue("bIsSearchSelSite", "1");
    library.context().settings().setValue("DownSiteStr", "2,");
    MessageRecorder log;
    FrmAddNovel window(library.context());
    QList<SiteSearchResult> offered;
    window.setChooser([&offered](const QList<SiteSearchResult>& results, QWidget*) {
        offered = results;
        return 1;
    });
    setText(window, "txtNovelName", "演示");
    child<QAction>(window, "MoreSite")->trigger();
    QCOMPARE(child<QPushButton>(window, "cmdOK")->text(), QString("停止"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QVERIFY2(log.shown.isEmpty(), qPrintable(log.shown.join('\n')));
    QCOMPARE(offered.size(), 3);
    QCOMPARE(offered[1].title, QString("演示外传-搜书网"));
    QCOMPARE(child<QLineEdit>(window, "txtListUrl")->text(), QString("http://other.test/book/202.html"));
    QCOMPARE(child<QPushButton>(window, "cmdOK")->text(), QString("确定"));
    QCOMPARE(child<QLabel>(window, "lblStatus")->text(), QString("已搜索完"));

    // The last results are offered again without asking the site.
    offered.clear();
    child<QAction>(window, "LastSearch")->trigger();
    QCOMPARE(offered.size(), 3);
    QCOMPARE(m_site.site()->requestCount("/modules/article/search.php"), 1);
}

void TestFrmAddNovel::searchFindsNothing_data() {
    columns<QString, QString, QString, QStringList, int>("action", "name", "author", "messages",
                                                         "settingsRequested");
    addRow("empty name", "MoreSite", " ", "", QStringList{"名称不能为空"}, 0);
    addRow("empty author", "Author", "演示", "", QStringList{"作者姓名不能为空"}, 0);
    // "无站": a library without a site to search; nothing is fetched.
    addRow("no site to search", "MoreSite", "无站", "", QStringList{"请先在小说网站设置中选择或新增网站"}, 1);
    addRow("name not found", "MoreSite", "没有", "",
           QStringList{"搜索不到该小说，请进入“选项”-“更多小说网站设置”进行设置，"
                       "将有更多的搜索结果,是否进行设置？"},
           1);
    addRow("author not found", "Author", "演示", "没有", QStringList{"搜索不到该作者的小说"}, 0);
    addRow("site down", "Search", "坏", "",
           QStringList{"搜索小说\"坏\"失败，请查看网络连接",
                       "搜索不到该小说，请进入“选项”-“更多小说网站设置”进行设置，"
                       "将有更多的搜索结果,是否进行设置？"},
           1);
}

void TestFrmAddNovel::searchFindsNothing() {
    const auto [action, name, author, messages, settingsRequested] =
        fetch<QString, QString, QString, QStringList, int>("action", "name", "author", "messages",
                                                           "settingsRequested");
    TestLibrary library;
    // Names starting with "没有" get the empty result page; "坏" goes to a failing search page.
    NovelSite site = soushuSite(m_site, "/modules/article/search.php?searchkey=[[Name]]");
    site[NovelSite::AuthorSearchUrl] = site[NovelSite::SearchUrl];
    NovelSite broken = soushuSite(m_site, "/broken/search.php?key=[[Name]]");
    if (name != "无站")
        QVERIFY(saveUserSites(library.path() + "/book.dat", {name == "坏" ? broken : site}));
    MessageRecorder log;
    FrmAddNovel window(library.context());
    QSignalSpy wanted(&window, &FrmAddNovel::siteSettingsRequested);
    setText(window, "txtNovelName", name);
    setText(window, "txtAuthor", author);
    window.findChild<QAction*>(qPrintable(action))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(log.shown, messages, 5000);
    QCOMPARE(wanted.size(), settingsRequested);
    QCOMPARE(window.result(), 0);
    if (name == "无站")
        QCOMPARE(m_site.site()->totalRequests(), 0);
}

void TestFrmAddNovel::stopButtonEndsSearch() {
    LocalSiteRule hang;
    hang.hang = true;
    m_site.site()->setRule("/hang/search.php?*", hang);
    TestLibrary library;
    QVERIFY(
        saveUserSites(library.path() + "/book.dat", {soushuSite(m_site, "/hang/search.php?key=[[Name]]")}));
    MessageRecorder log;
    FrmAddNovel window(library.context());
    int offered = 0;
    window.setChooser([&offered](const QList<SiteSearchResult>&, QWidget*) { return ++offered, -1; });
    setText(window, "txtNovelName", "演示");
    clickOk(window); // a bare name is looked up
    QTRY_COMPARE_WITH_TIMEOUT(m_site.site()->requestCount("/hang/search.php"), 1, 20000);
    QPushButton* ok = child<QPushButton>(window, "cmdOK");
    QCOMPARE(ok->text(), QString("停止"));
    clickOk(window);
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QCOMPARE(ok->text(), QString("确定"));
    QCOMPARE(offered, 0);
    QVERIFY(log.shown.isEmpty());
    QCOMPARE(NovelStore(library.db()).count(), 0);
}

void TestFrmAddNovel::siteSignExchange() {
    TestLibrary library;
    MessageRecorder log;
    {
        FrmAddNovel window(library.context());
        setText(window, "txtListUrl", "novel.test/book/1/");
        QTest::mouseClick(child<QPushButton>(window, "cmdSiteSignSave"), Qt::LeftButton);
        setText(window, "txtListUrl", "http://novel.test/book/1/");
        QTest::mouseClick(child<QPushButton>(window, "cmdSiteSignGet"), Qt::LeftButton);
        setText(window, "txtListStart", "<div id=\"list\">");
        setText(window, "txtContentEnd", "</div><!--c-->");
        QTest::mouseClick(child<QPushButton>(window, "cmdSiteSignSave"), Qt::LeftButton);
    }
    QCOMPARE(log.shown,
             (QStringList{"无效的目录页网址", "尚未对该网站的正文标志进行设定", "标志内容已存入到设定中"}));
    SiteSignTable table;
    QVERIFY(table.load(library.path() + "/sitesign.xml"));
    const int index = table.find("http://novel.test/");
    QVERIFY(index >= 0);
    QCOMPARE(table.signs()[index][SiteSign::ListStart], QString("<div id=\"list\">"));

    log.shown.clear();
    FrmAddNovel other(library.context());
    setText(other, "txtListUrl", "http://novel.test/book/2/");
    QTest::mouseClick(child<QPushButton>(other, "cmdSiteSignGet"), Qt::LeftButton);
    QVERIFY(log.shown.isEmpty());
    QCOMPARE(child<QLineEdit>(other, "txtListStart")->text(), QString("<div id=\"list\">"));
    QCOMPARE(child<QLineEdit>(other, "txtContentEnd")->text(), QString("</div><!--c-->"));
}

void TestFrmAddNovel::coverCopiedIntoNovelFolder() {
    TestLibrary library;
    const QString id = library.addNovel("有封面");
    QVERIFY(NovelStore(library.db()).setListUrl(id, "D:\\old\\list.htm"));
    const QString picture = library.path() + "/picked.JPG";
    QVERIFY(writeFile(picture, "jpeg bytes"));
    Messages::setPickHandler([&picture](Messages::Pick, const QString&, const QString&) { return picture; });
    MessageRecorder log;
    FrmAddNovel window(library.context(), id);
    QTest::mouseClick(child<QPushButton>(window, "cmdBookImage"), Qt::LeftButton);
    Messages::setPickHandler({});
    QCOMPARE(log.shown,
             QStringList{"封面图片如果需要在电子书中显示，需要复制到小说的下载目录中，您是否确定复制？"});
    const QString name = child<QLineEdit>(window, "txtBookImg")->text();
    QVERIFY2(QRegularExpression("^[0-9]{14}\\.jpg$").match(name).hasMatch(), qPrintable(name));
    QCOMPARE(fileBytes(library.context().folder().novelDir(id) + "/" + name), QByteArray("jpeg bytes"));
    clickOk(window);
    QCOMPARE(NovelStore(library.db()).loadNovel(id)->bookImg, name);
}

void TestFrmAddNovel::urlSelectRefusesStoredNovels() {
    TestLibrary library;
    const QString id = library.addNovel("已有");
    QVERIFY(NovelStore(library.db()).setListUrl(id, "http://a.test/book/1/"));
    const QList<SiteSearchResult> results = {{"已有-甲站", "HTTP://A.test/book/1/ ", "第一章"},
                                             {"新书-甲站", "http://a.test/book/2/", ""}};
    MessageRecorder log;
    FrmUrlSelect window(
        results, [&library](const QString& url) { return NovelStore(library.db()).listUrlExists(url); });
    auto* list = child<QTreeWidget>(window, "lstUrl");
    list->setCurrentItem(nullptr);
    clickOk(window);
    list->setCurrentItem(list->topLevelItem(0));
    clickOk(window);
    QCOMPARE(log.shown, (QStringList{"请选择具体项", "没有选择具体小说或相应小说已在列表中存在"}));
    QCOMPARE(window.result(), 0);
    list->setCurrentItem(list->topLevelItem(1));
    clickOk(window);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(window.chosen(), 1);
}

QTEST_MAIN(TestFrmAddNovel)
#include "tst_frmaddnovel.moc"
