// The two other roads into the library: numbered chapters (frmAddBatchContent) and old download
// folders (frmGetDownNovel).
#include "addnovel/ui/frmaddbatchcontent.h"
#include "addnovel/ui/frmgetdownnovel.h"
#include "storage/chapterstore.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {

void oldFolder(const QString& dir, const QString& name) {
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(writeTextFile(dir + "/List.htm", "<CENTER>" + name + "</CENTER><a href=\"1.htm\">第一章</a>"));
    QVERIFY(writeTextFile(dir + "/1.htm", "正文"));
}

} // namespace

class TestFrmBatchImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void batchChecks_data();
    void batchChecks();
    void batchAdds();
    void importOldNovels();
    void deleteAndClear();
};

// Each check puts the focus on its field; every rule is tst_batchchapters'.
void TestFrmBatchImport::batchChecks_data() {
    columns<QString, QString, QString, int, QString, QString, QString>("url", "first", "last", "width",
                                                                       "multGetNums", "message", "focus");
    const QString p = "http://a.test/file(*).htm";
    addRow("no wildcard", "http://a.test/file1.htm", "1", "5", 1, "5", "网址处必须包含(*)", "txtUrl");
    addRow("first", p, "一", "5", 1, "5", "起始值需要为数字值", "txtStart");
    addRow("width", p, "1", "5", 12, "5", "通配符长度应该在1与9之间", "txtLength");
    addRow("small limit, one page at a time", p, "1", "101", 1, "1", "成批下载数应在100之内", "txtEnd");
}

void TestFrmBatchImport::batchChecks() {
    const auto [url, first, last, width, multGetNums, message, focus] =
        fetch<QString, QString, QString, int, QString, QString, QString>("url", "first", "last", "width",
                                                                         "multGetNums", "message", "focus");
    TestLibrary library;
    library.context().settings().setValue("MultGetNums", multGetNums);
    const QString novel = library.addNovel("批量");
    MessageRecorder log;
    FrmAddBatchContent window(library.context(), novel);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    child<QLineEdit>(window, "txtUrl")->setText(url);
    child<QLineEdit>(window, "txtStart")->setText(first);
    child<QLineEdit>(window, "txtEnd")->setText(last);
    child<QSpinBox>(window, "txtLength")->setValue(width);
    click(window, "cmdOK");
    QCOMPARE(log.shown, QStringList{message});
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(ChapterStore(library.db()).count(novel), 0);
}

void TestFrmBatchImport::batchAdds() {
    TestLibrary library;
    const QString novel = library.addNovel("批量");
    MessageRecorder log;
    FrmAddBatchContent window(library.context(), novel);
    QSignalSpy added(&window, &FrmAddBatchContent::chaptersAdded);
    child<QLineEdit>(window, "txtUrl")->setText("http://a.test/file(*).htm");
    child<QLineEdit>(window, "txtStart")->setText("1");
    child<QLineEdit>(window, "txtEnd")->setText("12");
    child<QSpinBox>(window, "txtLength")->setValue(2);
    click(window, "cmdOK");
    QVERIFY(log.shown.isEmpty());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(added.size(), 1);
    QCOMPARE(added[0][1].toInt(), 12);
    QCOMPARE(ChapterStore(library.db()).chapterSources(novel).first(), QString("http://a.test/file01.htm"));
}

void TestFrmBatchImport::importOldNovels() {
    TestLibrary library;
    const QString chm = library.context().folder().chmDir();
    oldFolder(chm + "/a", "甲书");
    oldFolder(chm + "/b", "乙书");
    MessageRecorder log;
    FrmGetDownNovel window(library.context());
    QSignalSpy imported(&window, &FrmGetDownNovel::novelsImported);
    auto* list = child<QTreeWidget>(window, "lstNovel");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QString("甲书"));
    click(window, "cmdImport");
    QCOMPARE(log.shown, QStringList{"您没有选择具体项"});
    click(window, "chkAll");
    click(window, "chkNext");
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    click(window, "cmdImport");
    QTRY_VERIFY_WITH_TIMEOUT(!window.isBusy(), 20000);
    QCOMPARE(imported.size(), 1);
    const QStringList ids = imported[0][0].toStringList();
    QCOMPARE(ids.size(), 1);
    QCOMPARE(NovelStore(library.db()).novelName(ids[0]), QString("乙书"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(log.shown.size(), 1);
}

void TestFrmBatchImport::deleteAndClear() {
    TestLibrary library;
    const QString chm = library.context().folder().chmDir();
    oldFolder(chm + "/a", "甲书");
    oldFolder(chm + "/b", "乙书");
    oldFolder(chm + "/c", "丙书");
    MessageRecorder log;
    FrmGetDownNovel window(library.context());
    auto* list = child<QTreeWidget>(window, "lstNovel");
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    log.answers = {false};
    click(window, "cmdDelete");
    QCOMPARE(log.shown, QStringList{"您是否确定彻底删除所有选中的小说吗?"});
    QVERIFY(QFileInfo::exists(chm + "/b"));
    click(window, "cmdDelete");
    QVERIFY(!QFileInfo::exists(chm + "/b"));
    QCOMPARE(list->topLevelItemCount(), 2);
    click(window, "cmdClear");
    QCOMPARE(log.shown.last(), QString("您是否确定彻底删除列表中的所有小说吗?"));
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!QFileInfo::exists(chm + "/a"));
    QVERIFY(QFileInfo::exists(chm)); // only the chosen folders go
}

QTEST_MAIN(TestFrmBatchImport)
#include "tst_frmbatchimport.moc"
