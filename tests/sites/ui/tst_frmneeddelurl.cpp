// The filtered-link windows of a novel and the batch replacement of list addresses and bookcase paths.
#include "library/ui/frmurlreplace.h"
#include "sites/ui/frmaddneeddelurl.h"
#include "sites/ui/frmneeddelurl.h"
#include "storage/bookcasestore.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class TestFrmNeedDelUrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addChecks_data();
    void addChecks();
    void editListAndStore();
    void replaceListUrls();
    void replaceBookcasePaths();
};

void TestFrmNeedDelUrl::addChecks_data() {
    columns<QString, QString, bool, QString>("title", "url", "regex", "message");
    addRow("no title", " ", "http://a.test/1.htm", false, "链接名称不能为空");
    addRow("no address", "广告", "", false, "链接地址不能为空");
    addRow("broken pattern", "广告", "ad(", true, "正则表达式有误：");
    addRow("plain address with a bracket", "广告", "http://a.test/x(1).htm", false,
           "链接地址不能包含“(”或“||”，请改用正则表达式");
    addRow("pattern with a bracket", "广告", "x\\(1\\)", true, "");
}

void TestFrmNeedDelUrl::addChecks() {
    const auto [title, url, regex, message] =
        fetch<QString, QString, bool, QString>("title", "url", "regex", "message");
    MessageRecorder log;
    FrmAddNeedDelUrl window;
    QCOMPARE(window.windowTitle(), QString("新增过滤链接"));
    child<QLineEdit>(window, "txtTitle")->setText(title);
    child<QLineEdit>(window, "txtUrl")->setText(url);
    child<QCheckBox>(window, "chkRegex")->setChecked(regex);
    click(window, "cmdOK");
    if (message.isEmpty()) {
        QVERIFY(log.shown.isEmpty());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(log.shown.size(), 1);
        QVERIFY2(log.shown[0].startsWith(message), qPrintable(log.shown[0]));
        QCOMPARE(window.result(), 0);
    }
}

void TestFrmNeedDelUrl::editListAndStore() {
    TestLibrary library;
    const QString novel = library.addNovel("过滤");
    QVERIFY(
        NovelStore(library.db())
            .setNeedDelUrl(
                novel, "http://a.test/ad.htm(广告)||[[/vip/\\d+]](VIP章节)||http://a.test/old.htm(旧)||"));
    MessageRecorder log;
    FrmNeedDelUrl window(library.context(), novel);
    auto* list = child<QTreeWidget>(window, "lstUrl");
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(1)->text(1), QString("[[/vip/\\d+]]"));
    QCOMPARE(list->topLevelItem(1)->text(0), QString("VIP章节"));
    list->topLevelItem(2)->setCheckState(0, Qt::Unchecked);

    click(window, "cmdEdit");
    QCOMPARE(log.shown, QStringList{"请选择具体项"});
    list->setCurrentItem(list->topLevelItem(1));
    list->topLevelItem(1)->setSelected(true);
    click(window, "cmdEdit");
    auto* editor = window.findChild<FrmAddNeedDelUrl*>();
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QString("编辑过滤链接"));
    QCOMPARE(child<QLineEdit>(*editor, "txtUrl")->text(), QString("/vip/\\d+"));
    QVERIFY(child<QCheckBox>(*editor, "chkRegex")->isChecked());
    child<QLineEdit>(*editor, "txtUrl")->setText("/vip/");
    click(*editor, "cmdOK");

    click(window, "cmdAdd");
    editor = window.findChildren<FrmAddNeedDelUrl*>().last();
    QTRY_VERIFY(editor->isVisible());
    child<QLineEdit>(*editor, "txtTitle")->setText("下载");
    child<QLineEdit>(*editor, "txtUrl")->setText("http://a.test/down.htm");
    click(*editor, "cmdOK");
    QCOMPARE(list->topLevelItemCount(), 4);

    click(window, "cmdOK");
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(NovelStore(library.db()).needDelUrl(novel),
             QString("http://a.test/ad.htm(广告)||[[/vip/]](VIP章节)||http://a.test/down.htm(下载)||"));

    // With every tick taken off the novel keeps no list at all.
    FrmNeedDelUrl none(library.context(), novel);
    click(none, "chkNext");
    click(none, "cmdOK");
    QVERIFY(library.db().scalar("SELECT NeedDelUrl FROM book_novel WHERE NovelID=?", {novel}).isNull());
}

void TestFrmNeedDelUrl::replaceListUrls() {
    TestLibrary library;
    const QString a = library.addNovel("甲");
    const QString b = library.addNovel("乙");
    const QString c = library.addNovel("丙");
    NovelStore novels(library.db());
    QVERIFY(novels.setListUrl(a, "http://old.test/1/"));
    QVERIFY(novels.setListUrl(b, "http://old.test/2/"));
    QVERIFY(novels.setListUrl(c, "http://old.test/3/"));
    MessageRecorder log;
    FrmUrlReplace window(library.context(), QStringList{a, c});
    QCOMPARE(window.windowTitle(), QString("目录页网址批量替换"));
    QSignalSpy replaced(&window, &FrmUrlReplace::replaced);
    click(window, "cmdOK");
    QCOMPARE(log.shown, QStringList{"请输入查找内容"});
    child<QLineEdit>(window, "txtFind")->setText("old.test");
    child<QLineEdit>(window, "txtReplace")->setText("new.test");
    click(window, "cmdOK");
    QCOMPARE(replaced.size(), 1);
    QCOMPARE(replaced[0][0].toInt(), 2);
    QCOMPARE(novels.loadNovel(a)->listUrl, QString("http://new.test/1/"));
    QCOMPARE(novels.loadNovel(b)->listUrl, QString("http://old.test/2/"));
    QCOMPARE(novels.loadNovel(c)->listUrl, QString("http://new.test/3/"));
}

void TestFrmNeedDelUrl::replaceBookcasePaths() {
    TestLibrary library;
    BookcaseStore bookcase(library.db());
    QVERIFY(bookcase.registerEntry("甲", "", "", "/media/old/甲.txt"));
    QVERIFY(bookcase.registerEntry("乙", "", "", "/media/old/乙.txt"));
    const qint64 first = library.db().scalar("SELECT MIN(ID) FROM pri_mynovel").toLongLong();
    FrmUrlReplace window(library.context(), QList<qint64>{first});
    QCOMPARE(window.windowTitle(), QString("批量更改文件路径"));
    child<QLineEdit>(window, "txtFind")->setText("/media/old/");
    child<QLineEdit>(window, "txtReplace")->setText("/home/u/书/");
    click(window, "cmdOK");
    QCOMPARE(bookcase.pathOf(first), QString("/home/u/书/甲.txt"));
    QCOMPARE(bookcase.pathOf(first + 1), QString("/media/old/乙.txt"));

    // Two books on one path: nothing changes, and the window says why.
    MessageRecorder messages;
    FrmUrlReplace again(library.context(), QList<qint64>{first + 1});
    child<QLineEdit>(again, "txtFind")->setText("/media/old/乙");
    child<QLineEdit>(again, "txtReplace")->setText("/home/u/书/甲");
    click(again, "cmdOK");
    QCOMPARE(messages.shown, QStringList{"已有此文件路径的图书"});
    QCOMPARE(bookcase.pathOf(first + 1), QString("/media/old/乙.txt"));
}

QTEST_MAIN(TestFrmNeedDelUrl)
#include "tst_frmneeddelurl.moc"
