// The maintenance wizard driven as a user would: its checks keep it on its page, a finished task closes it.
#include "companion/ui/frmdbmaintain.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

class TestFrmDBMaintain : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void backupPage_data();
    void backupPage();
    void restoreRefusedStaysOpen();
    void compactionClosesWithItsReport();
};

void TestFrmDBMaintain::backupPage_data() {
    QTest::addColumn<QString>("name");        // in the library folder
    QTest::addColumn<bool>("existing");       // a file already there
    QTest::addColumn<bool>("overwrite");      // the answer to the question
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("written");
    QTest::newRow("wrong suffix") << "a.bak" << false << false << QStringList{"请设后缀名为\"mis\"的文件"} << false;
    QTest::newRow("new file")
        << "a.mis" << false << false << QStringList{"数据库已备份到@/a.mis中！"} << true;
    QTest::newRow("existing, cancelled") << "a.mis" << true << false << QStringList{"文件已存在，是否覆盖?"} << false;
    QTest::newRow("existing, replaced")
        << "a.mis" << true << true << QStringList{"文件已存在，是否覆盖?", "数据库已备份到@/a.mis中！"} << true;
}

void TestFrmDBMaintain::backupPage() {
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QFETCH(bool, overwrite);
    QFETCH(QStringList, messages);
    QFETCH(bool, written);
    TestLibrary lib;
    const QString path = lib.path() + '/' + name;
    if (existing)
        QVERIFY(writeFile(path, "old"));
    FrmDBMaintain w(lib.context());
    w.show();
    click(w, "cmdNext");
    child<QLineEdit>(w, "txtPath")->setText(path);
    MessageRecorder recorder;
    recorder.answers << overwrite;
    click(w, "cmdNext");
    QTRY_VERIFY(!w.isRunning());
    QTRY_COMPARE(recorder.shown, messages.replaceInStrings("@", lib.path()));
    QCOMPARE(fileBytes(path).startsWith("SQLite format 3"), written);
    QCOMPARE(w.isVisible(), !written);
    QVERIFY(!w.restored());
}

void TestFrmDBMaintain::restoreRefusedStaysOpen() {
    TestLibrary lib;
    const QString path = lib.path() + "/x.mis";
    QVERIFY(writeFile(path, "不是数据库"));
    FrmDBMaintain w(lib.context());
    w.show();
    child<QRadioButton>(w, "optRestore")->setChecked(true);
    click(w, "cmdNext");
    child<QLineEdit>(w, "txtPath")->setText(path);
    MessageRecorder recorder;
    click(w, "cmdNext");
    QTRY_COMPARE(recorder.shown, QStringList{"此备份文件格式不对，请重新选择"});
    QVERIFY(w.isVisible() && !w.restored());
    QVERIFY(child<QWidget>(w, "cmdPrior")->isEnabled());
}

void TestFrmDBMaintain::compactionClosesWithItsReport() {
    TestLibrary lib;
    FrmDBMaintain w(lib.context());
    w.show();
    child<QRadioButton>(w, "optRepair")->setChecked(true);
    MessageRecorder recorder;
    click(w, "cmdNext"); // no path page
    QTRY_COMPARE(recorder.shown.size(), 1);
    QVERIFY2(recorder.last().startsWith("压缩数据库成功！\n压缩前大小："), qPrintable(recorder.last()));
    QCOMPARE(child<QLabel>(w, "lblStatus")->text(), QString("压缩完成"));
    QVERIFY(!w.isVisible());
}

QUIVERAL_UI_TEST_MAIN(TestFrmDBMaintain)
#include "tst_frmdbmaintain.moc"
