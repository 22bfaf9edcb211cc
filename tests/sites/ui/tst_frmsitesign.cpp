// The site-sign windows: the list with its counts and search, adding and editing a sign with its checks,
// import with the compare question and "全部照此处理", export, the online update and OK.
#include "sites/sitesigntable.h"
#include "sites/ui/batchsitesign.h"
#include "sites/ui/frmaddsitesign.h"
#include "sites/ui/frmsitesign.h"
#include "sites/ui/frmsitesigncompare.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

SiteSign sign(const QString& name, const QString& url, const QString& listStart) {
    SiteSign s;
    s[SiteSign::Name] = name;
    s[SiteSign::Url] = url;
    s[SiteSign::ListStart] = listStart;
    s[SiteSign::ListEnd] = "</dl>";
    return s;
}

void writeSigns(const QString& path, const QList<SiteSign>& signs) {
    SiteSignTable table;
    table.setSigns(signs);
    QVERIFY(table.save(path));
}

QString signFile(TestLibrary& library) {
    return library.path() + "/sitesign.xml";
}

} // namespace

class TestFrmSiteSign : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listAndFind();
    void addSignChecks_data();
    void addSignChecks();
    void addAndEdit();
    void importAsksOnceForAll();
    void exportThenImportAsksNothing();
    void onlineUpdate();
    void okWritesAndReappliesToNovels();
    void compareWindow();
    void batchSiteSign();

private:
    TestSite m_site{QStringLiteral("soushu")};
    QList<QPair<SiteSign, SiteSign>> m_compared;
};

void TestFrmSiteSign::init() {
    if (!m_site.isRunning())
        QVERIFY(m_site.start());
    m_compared.clear();
}

void TestFrmSiteSign::listAndFind() {
    TestLibrary library;
    writeSigns(signFile(library),
               {sign("甲站", "http://a.test/", "<dl>"), sign("乙站", "http://B.test", "<ul>"),
                sign("丙书屋", "http://c.test/", "<ol>")});
    FrmSiteSign window(library.context(), "http://b.test/");
    auto* list = child<QTreeWidget>(window, "lstSiteSign");
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->columnCount(), 18);
    QCOMPARE(list->headerItem()->text(2), QString("网站网址"));
    QCOMPARE(list->topLevelItem(2)->text(0), QString("网站3"));
    QCOMPARE(child<QLabel>(window, "lblSum")->text(), QString("共计：3"));
    QCOMPARE(list->currentItem(), list->topLevelItem(1));

    child<QLineEdit>(window, "txtFind")->setText(" 站 ");
    QCOMPARE(list->selectedItems().size(), 2);
    child<QLineEdit>(window, "txtFind")->setText("C.TEST");
    QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(2)});
    MessageRecorder log;
    click(window, "cmdDelete");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(child<QLabel>(window, "lblSum")->text(), QString("共计：2"));
    QCOMPARE(list->topLevelItem(1)->text(0), QString("网站2"));
    QVERIFY(log.shown.isEmpty());
}

void TestFrmSiteSign::addSignChecks_data() {
    columns<QString, QString, QString, QString>("name", "url", "message", "focus");
    addRow("no name", " ", "http://x.test/", "请输入网站名称", "txtName");
    addRow("no address", "新站", "", "请输入网站网址", "txtUrl");
    addRow("address in the list", "新站", " HTTP://A.test", "该网站网址已存在列表中", "txtUrl");
    addRow("address does not answer", "新站", "{base}broken/search.php?key=1", "无效的网站网址", "txtUrl");
}

void TestFrmSiteSign::addSignChecks() {
    const auto [name, url, message, focus] =
        fetch<QString, QString, QString, QString>("name", "url", "message", "focus");
    TestLibrary library;
    MessageRecorder log;
    FrmAddSiteSign window({sign("甲站", "http://a.test/", "<dl>")}, -1, library.context().settings());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    child<QLineEdit>(window, "txtName")->setText(name);
    child<QLineEdit>(window, "txtUrl")->setText(QString(url).replace("{base}", m_site.baseUrl()));
    click(window, "cmdOK");
    QTRY_COMPARE_WITH_TIMEOUT(log.shown, QStringList{message}, 20000);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(window.result(), 0);
}

void TestFrmSiteSign::addAndEdit() {
    TestLibrary library;
    writeSigns(signFile(library), {sign("甲站", "http://a.test/", "<dl>")});
    MessageRecorder log;
    FrmSiteSign window(library.context());
    click(window, "cmdAdd");
    auto* editor = window.findChild<FrmAddSiteSign*>();
    QVERIFY(editor);
    click(*editor, "cmdGetValue");
    QCOMPARE(log.shown, QStringList{"请选择具体项"});
    child<QComboBox>(*editor, "cboSiteSign")->setCurrentIndex(0);
    click(*editor, "cmdGetValue");
    QCOMPARE(child<QLineEdit>(*editor, "txtListStart")->text(), QString("<dl>"));
    child<QLineEdit>(*editor, "txtName")->setText("本地站");
    child<QLineEdit>(*editor, "txtUrl")->setText(m_site.baseUrl().chopped(1)); // the "/" is supplied
    child<QLineEdit>(*editor, "txtBookImgUrlEnd")->setText("\"");
    click(*editor, "cmdOK");
    auto* list = child<QTreeWidget>(window, "lstSiteSign");
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 2, 20000);
    const SiteSign added = window.rows().at(1);
    QCOMPARE(added[SiteSign::Url], m_site.baseUrl());
    QCOMPARE(added[SiteSign::ListStart], QString("<dl>"));
    QCOMPARE(added[SiteSign::BookImgUrlEnd], QString("\""));
    QCOMPARE(child<QLabel>(window, "lblSum")->text(), QString("共计：2"));

    // Editing keeps its own address.
    list->setCurrentItem(list->topLevelItem(1));
    list->topLevelItem(1)->setSelected(true);
    click(window, "cmdEdit");
    editor = window.findChild<FrmAddSiteSign*>();
    QTRY_VERIFY(editor);
    child<QLineEdit>(*editor, "txtListEnd")->setText("</ul>");
    click(*editor, "cmdOK");
    QTRY_COMPARE_WITH_TIMEOUT(window.rows().at(1)[SiteSign::ListEnd], QString("</ul>"), 20000);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(log.shown, QStringList{"请选择具体项"});
}

void TestFrmSiteSign::importAsksOnceForAll() {
    TestLibrary library;
    writeSigns(signFile(library),
               {sign("甲", "http://a.test/", "<dl>"), sign("乙", "http://b.test/", "<dl>"),
                sign("丙", "http://c.test/", "<dl>"), sign("丁", "http://d.test/", "<dl>")});
    QTemporaryDir dir;
    const QString file = dir.filePath("in.xml");
    writeSigns(file, {sign("甲", "http://a.test/", "<dl>"), sign("乙", "http://b.test/", "<b>"),
                      sign("丙", "http://C.test", "<c>"), sign("丁", "http://d.test/", "<d>"),
                      sign("戊", "http://e.test/", "<e>")});
    MessageRecorder log;
    FrmSiteSign window(library.context());
    window.setComparer([this](const SiteSign& a, const SiteSign& b) {
        m_compared.append({a, b});
        return SiteSignTable::Decision{true, true};
    });
    // The file's faults are the table's (tst_sitesign); the window shows them and keeps its rows.
    QString picked = dir.filePath("missing.xml");
    Messages::setPickHandler([&picked](Messages::Pick, const QString&, const QString&) { return picked; });
    click(window, "cmdGet");
    QCOMPARE(log.shown, QStringList{"无此文件"});
    QCOMPARE(window.rows().size(), 4);
    picked = file;
    click(window, "cmdGet");
    Messages::setPickHandler({});
    QCOMPARE(m_compared.size(), 1);
    QCOMPARE(m_compared[0].first[SiteSign::Name], QString("乙"));
    // The merge itself is tst_sitesign's: the list shows its rows.
    QCOMPARE(window.rows().size(), 5);
    QCOMPARE(window.rows()[3][SiteSign::ListStart], QString("<d>"));
    QCOMPARE(child<QLabel>(window, "lblSum")->text(), QString("共计：5"));
    QCOMPARE(log.shown.size(), 1);
    // Nothing is written before OK.
    SiteSignTable stored;
    QVERIFY(stored.load(signFile(library)));
    QCOMPARE(stored.signs().size(), 4);
}

void TestFrmSiteSign::exportThenImportAsksNothing() {
    TestLibrary library;
    writeSigns(signFile(library),
               {sign("甲", "http://a.test/", "<dl>"), sign("乙", "http://b.test/", "<d'l>")});
    QTemporaryDir dir;
    QString proposed;
    QString target = dir.filePath("all.xml");
    Messages::setPickHandler([&](Messages::Pick mode, const QString&, const QString& name) {
        if (mode == Messages::Pick::SaveFile)
            proposed = name;
        return target;
    });
    MessageRecorder log;
    FrmSiteSign window(library.context());
    window.setComparer([this](const SiteSign& a, const SiteSign& b) {
        m_compared.append({a, b});
        return SiteSignTable::Decision{};
    });
    auto* list = child<QTreeWidget>(window, "lstSiteSign");
    click(window, "cmdOutSelect");
    QCOMPARE(log.shown, QStringList{"没有正文标志内容"});
    click(window, "cmdOut");
    QVERIFY(proposed.endsWith("正文标志文件-" + QDate::currentDate().toString("yyyyMMdd") + ".xml"));
    QCOMPARE(log.shown.last(),
             "当前的小说正文标志已导出到文件\"" + QDir::toNativeSeparators(target) + "\"中");
    list->topLevelItem(1)->setSelected(true);
    target = dir.filePath("one.xml");
    click(window, "cmdOutSelect");
    QCOMPARE(log.shown.last(),
             "当前选中的小说正文标志已导出到文件\"" + QDir::toNativeSeparators(target) + "\"中");
    SiteSignTable one;
    QVERIFY(one.load(target));
    QCOMPARE(one.signs().size(), 1);
    QCOMPARE(one.signs()[0][SiteSign::ListStart], QString("<d'l>"));

    target = dir.filePath("all.xml");
    click(window, "cmdGet");
    Messages::setPickHandler({});
    QVERIFY(m_compared.isEmpty());
    QCOMPARE(window.rows().size(), 2);
    QCOMPARE(log.shown.size(), 3);
}

void TestFrmSiteSign::onlineUpdate() {
    TestLibrary library;
    writeSigns(signFile(library), {sign("甲站", "http://a.test/", "<old>")});
    library.context().settings().setValue("SiteSignUpdateUrl", m_site.url("/signs/"));
    MessageRecorder log;
    FrmSiteSign window(library.context());
    window.setComparer([this](const SiteSign& a, const SiteSign& b) {
        m_compared.append({a, b});
        return SiteSignTable::Decision{true, false};
    });
    click(window, "cmdRefresh");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QCOMPARE(m_compared.size(), 1);
    QCOMPARE(m_compared[0].second[SiteSign::Name], QString("甲站新版"));
    const QList<SiteSign> rows = window.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][SiteSign::ListStart], QString("<dl>"));
    QCOMPARE(rows[1][SiteSign::Url], QString("http://new.test/"));
    QVERIFY(log.shown.contains("在线信息下载完毕"));
}

void TestFrmSiteSign::okWritesAndReappliesToNovels() {
    TestLibrary library;
    writeSigns(signFile(library), {sign("甲站", "http://a.test/", "<old>")});
    const QString novel = library.addNovel("甲书");
    QVERIFY(NovelStore(library.db()).setListUrl(novel, "http://A.TEST/book/1/"));
    MessageRecorder log;
    FrmSiteSign window(library.context());
    QSignalSpy saved(&window, &FrmSiteSign::signsSaved);
    auto* list = child<QTreeWidget>(window, "lstSiteSign");
    list->topLevelItem(0)->setText(1 + SiteSign::ListStart, "<new'>");
    click(window, "cmdOK");
    QCOMPARE(log.shown, QStringList{"是否将所有小说按当前正文标志重新设置?"});
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved[0][0].toInt(), 1);
    QCOMPARE(NovelStore(library.db()).loadNovel(novel)->listStart, QString("<new'>"));
    SiteSignTable stored;
    QVERIFY(stored.load(signFile(library)));
    QCOMPARE(stored.signs()[0][SiteSign::ListStart], QString("<new'>"));
}

void TestFrmSiteSign::compareWindow() {
    SiteSign before = sign("甲", "http://a.test/", "<dl>");
    SiteSign after = sign("甲", "http://a.test/", "<dl class=\"x\">");
    after[SiteSign::AuthorEnd] = "</em>";
    const QString html = FrmSiteSignCompare::compareHtml(before, after);
    QVERIFY(html.contains("<title>比较结果</title>"));
    QCOMPARE(html.count("<tr>"), 17); // the header and sixteen fields
    QCOMPARE(html.count("color:red"), 4);
    QVERIFY(html.contains("&lt;dl class=&quot;x&quot;&gt;"));
    QVERIFY(!html.contains("http://a.test/"));

    FrmSiteSignCompare window(before, after);
    QCOMPARE(child<QPushButton>(window, "cmdOK")->text(), QString("覆盖"));
    child<QCheckBox>(window, "chkAll")->setChecked(true);
    click(window, "cmdOK");
    QCOMPARE(window.decision().overwrite, true);
    QCOMPARE(window.decision().applyToAll, true);
    FrmSiteSignCompare keep(before, after);
    click(keep, "cmdCancel");
    QCOMPARE(keep.decision().overwrite, false);
    QCOMPARE(keep.decision().applyToAll, false);
}

void TestFrmSiteSign::batchSiteSign() {
    TestLibrary library;
    writeSigns(signFile(library), {sign("甲站", "http://a.test/", "<dl>")});
    const QString chosen = library.addNovel("选中");
    const QString other = library.addNovel("未选");
    NovelStore novels(library.db());
    QVERIFY(novels.setListUrl(chosen, "http://a.test/1/"));
    QVERIFY(novels.setListUrl(other, "http://a.test/2/"));
    MessageRecorder log;
    QCOMPARE(BatchSiteSign::run(library.context(), {chosen}, nullptr), 1);
    QCOMPARE(log.shown,
             (QStringList{"您是否确定将所有选中的书的正文标志更改为小说正文标志设置中的内容？", "设定完毕"}));
    QCOMPARE(novels.loadNovel(chosen)->listStart, QString("<dl>"));
    QCOMPARE(novels.loadNovel(other)->listStart, QString());
}

QTEST_MAIN(TestFrmSiteSign)
#include "tst_frmsitesign.moc"
