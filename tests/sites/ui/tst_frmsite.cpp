// The search-site windows: ticks and their selection text, the rules for built-in sites, adding a site
// whose rules are read from its pages, import and export of the user's sites.
#include "sites/searchsites.h"
#include "sites/ui/frmaddsite.h"
#include "sites/ui/frmsite.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

NovelSite userSite(const QString& name, bool ticked) {
    NovelSite s;
    s[NovelSite::Name] = name;
    s[NovelSite::Url] = "http://" + name + ".test/";
    s[NovelSite::SearchUrl] = "http://" + name + ".test/s?k=[[Name]]";
    s.setSelected(ticked);
    return s;
}

// The first column of every row: "网站" and its number.
QStringList rowNames(QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

QString ticks(QTreeWidget* list) {
    QString t;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        t += list->topLevelItem(i)->checkState(0) == Qt::Checked ? '1' : '0';
    return t;
}

void select(QTreeWidget* list, int row) {
    list->setCurrentItem(list->topLevelItem(row));
    list->topLevelItem(row)->setSelected(true);
}

} // namespace

class TestFrmSite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void ticksAndSelection();
    void builtInSitesAreFixed_data();
    void builtInSitesAreFixed();
    void addSiteReadsItsRules();
    void addSiteFailures_data();
    void addSiteFailures();
    void importAndExport();

private:
    TestSite m_site{QStringLiteral("soushu")};
    QTemporaryDir m_data;
};

void TestFrmSite::initTestCase() {
    QVERIFY(m_site.start());
    // One built-in site, from a table of the test's own.
    QVERIFY(QDir().mkpath(m_data.filePath("model")));
    QFile table(m_data.filePath(SearchSites::builtInFileName()));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("<?xml version=\"1.0\" encoding=\"utf-8\"?><MESSAGE><Site><a>0001</a><b>内置站</b>"
                "<c>http://builtin.test/</c><d>True</d></Site></MESSAGE>");
    table.close();
    qputenv("QUIVERAL_DATA_DIR", m_data.path().toLocal8Bit());
}

void TestFrmSite::ticksAndSelection() {
    TestLibrary library;
    QVERIFY(saveUserSites(library.path() + "/book.dat", {userSite("甲", true), userSite("乙", false)}));
    library.context().settings().setValue("DownSiteStr", "2,");
    MessageRecorder log;
    FrmSite window(library.context());
    auto* list = child<QTreeWidget>(window, "lstSite");
    QCOMPARE(rowNames(list), (QStringList{"网站1", "网站2", "网站3"}));
    QCOMPARE(list->topLevelItem(1)->toolTip(0), QString("甲"));
    QCOMPARE(list->topLevelItem(0)->text(2), QString("系统"));
    QCOMPARE(list->topLevelItem(2)->text(2), QString("自增"));
    QCOMPARE(ticks(list), QString("010"));
    click(window, "chkNext");
    QCOMPARE(ticks(list), QString("101"));
    click(window, "chkAll");
    QCOMPARE(ticks(list), QString("111"));
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    click(window, "cmdOK");
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(log.shown.isEmpty());
    QCOMPARE(library.context().settings().readIniValue(Settings::kMain, "DownSiteStr"), QString("1,3,"));
    QList<NovelSite> stored;
    QVERIFY(loadUserSites(library.path() + "/book.dat", stored));
    QCOMPARE(stored.size(), 2);
    QVERIFY(!stored[0].isSelected());
    QVERIFY(stored[1].isSelected());
}

// The rules are tst_searchsites'; here each command shows them, or removes the user's site.
void TestFrmSite::builtInSitesAreFixed_data() {
    columns<int, QString, QString>("row", "command", "message");
    addRow("delete built-in", 0, "cmdDelete", "系统项不能删除");
    addRow("edit nothing", -1, "cmdEdit", "请点选具体自增项进行修改");
    addRow("delete user's", 1, "cmdDelete", "");
    addRow("delete user's from the menu", 1, "mnuDelete", "");
}

void TestFrmSite::builtInSitesAreFixed() {
    const auto [row, command, message] = fetch<int, QString, QString>("row", "command", "message");
    TestLibrary library;
    QVERIFY(saveUserSites(library.path() + "/book.dat", {userSite("甲", true)}));
    MessageRecorder log;
    FrmSite window(library.context());
    auto* list = child<QTreeWidget>(window, "lstSite");
    if (row >= 0)
        select(list, row);
    if (command.startsWith("mnu"))
        child<QAction>(window, qPrintable(command))->trigger();
    else
        click(window, qPrintable(command));
    QCOMPARE(log.shown, message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(rowNames(list), message.isEmpty() ? QStringList{"网站1"} : (QStringList{"网站1", "网站2"}));
    QCOMPARE(window.sites().sites().size(), list->topLevelItemCount());
    QVERIFY(!window.findChild<FrmAddSite*>());
    // A built-in site can still be ticked and unticked.
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    click(window, "cmdOK");
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void TestFrmSite::addSiteReadsItsRules() {
    TestLibrary library;
    MessageRecorder log;
    FrmSite window(library.context());
    click(window, "cmdAdd");
    auto* editor = window.findChild<FrmAddSite*>();
    QVERIFY(editor);
    child<QLineEdit>(*editor, "txtName")->setText("搜书网");
    child<QLineEdit>(*editor, "txtUrl")->setText(m_site.baseUrl().chopped(1));
    child<QLineEdit>(*editor, "txtGetNewRightStr")->setText("</td><!--new-->"); // typed rules are kept
    click(*editor, "cmdOK");
    QCOMPARE(child<QLabel>(*editor, "lblStatus")->text(), QString("正在处理搜索中，请稍候..."));
    auto* list = child<QTreeWidget>(window, "lstSite");
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 2, 20000);
    QVERIFY(log.shown.isEmpty());
    QCOMPARE(list->topLevelItem(1)->text(0), QString("网站2"));
    QCOMPARE(list->topLevelItem(1)->text(2), QString("自增"));
    QCOMPARE(list->topLevelItem(1)->checkState(0), Qt::Checked);
    const NovelSite added = window.sites().sites().at(1);
    QVERIFY(added.userAdded);
    QCOMPARE(added[NovelSite::Url], m_site.baseUrl());
    QCOMPARE(added[NovelSite::TitleStart], QString("<td class=\"odd\"><a href="));
    QCOMPARE(added[NovelSite::LatestEnd], QString("</td><!--new-->"));
    QVERIFY(added[NovelSite::SearchUrl].endsWith("searchkey=[[Name]]"));
    click(window, "cmdOK");
    QList<NovelSite> stored;
    QVERIFY(loadUserSites(library.path() + "/book.dat", stored));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][NovelSite::ResultStart], QString("<table class=\"grid\">"));
}

void TestFrmSite::addSiteFailures_data() {
    columns<QString, QString, QString>("name", "url", "message");
    addRow("no name", "", "{base}", "请输入网站名称");
    addRow("no address", "某站", "", "请输入网站网址");
    addRow("site down", "某站", "{base}broken/", "请查看网络连接或该网站连接不上");
    addRow("no search", "某站", "{base}plain",
           "检查能否搜索失败，请查看网络连接或者目前尚未能支持对该网站的搜索");
}

void TestFrmSite::addSiteFailures() {
    const auto [name, url, message] = fetch<QString, QString, QString>("name", "url", "message");
    TestLibrary library;
    MessageRecorder log;
    FrmAddSite window(NovelSite(), false, library.context().settings());
    child<QLineEdit>(window, "txtName")->setText(name);
    child<QLineEdit>(window, "txtUrl")->setText(QString(url).replace("{base}", m_site.baseUrl()));
    click(window, "cmdOK");
    QTRY_COMPARE_WITH_TIMEOUT(log.shown, QStringList{message}, 20000);
    QVERIFY(!window.isBusy());
    QCOMPARE(window.result(), 0);
}

void TestFrmSite::importAndExport() {
    TestLibrary library;
    QVERIFY(saveUserSites(library.path() + "/book.dat", {userSite("旧", true)}));
    QTemporaryDir dir;
    QVERIFY(saveUserSites(dir.filePath("in.dat"), {userSite("新一", false), userSite("新二", true)}));
    QString chosen = dir.filePath("missing.dat");
    QString proposed;
    Messages::setPickHandler([&](Messages::Pick mode, const QString&, const QString& name) {
        if (mode == Messages::Pick::SaveFile)
            proposed = name;
        return chosen;
    });
    MessageRecorder log;
    FrmSite window(library.context());
    auto* list = child<QTreeWidget>(window, "lstSite");
    log.answers = {false};
    click(window, "cmdGet");
    QCOMPARE(
        log.shown,
        QStringList{"此操作会自动覆盖原先的设置，如需要备份请按\"取消\"后点选\"导出自增项\"，是否继续?"});
    click(window, "cmdGet");
    QCOMPARE(log.shown.last(), QString("无此文件"));
    chosen = dir.filePath("in.dat");
    click(window, "cmdGet");
    QCOMPARE(log.shown.last(), QString("自增项导入完成"));
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(2)->toolTip(0), QString("新二"));
    QCOMPARE(ticks(list), QString("101"));

    chosen = dir.filePath("out.dat");
    click(window, "cmdOut");
    QVERIFY(proposed.endsWith("自定义搜索网站-" + QDate::currentDate().toString("yyyyMMdd") + ".dat"));
    QCOMPARE(log.shown.last(), "自增项已导出到文件\"" + QDir::toNativeSeparators(chosen) + "\"中");
    QList<NovelSite> exported;
    QVERIFY(loadUserSites(chosen, exported));
    QCOMPARE(exported.size(), 2);

    // The rows after a deleted one are numbered anew.
    select(list, 1);
    click(window, "cmdDelete");
    QCOMPARE(rowNames(list), (QStringList{"网站1", "网站2"}));
    QCOMPARE(list->topLevelItem(1)->toolTip(0), QString("新二"));
    select(list, 1);
    click(window, "cmdDelete");
    click(window, "cmdOut");
    QCOMPARE(log.shown.last(), QString("没有自增项"));
    Messages::setPickHandler({});
}

QTEST_MAIN(TestFrmSite)
#include "tst_frmsite.moc"
