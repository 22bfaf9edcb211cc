// The reading tool bar's customisation by objectName, against a real settings file.
#include "companion/readingtoolbarkeys.h"
#include "companion/ui/frmtoolbar.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QListWidget>

namespace {

QStringList texts(QListWidget* list) {
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all << list->item(i)->text();
    return all;
}

} // namespace

class TestFrmToolBar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editAndStore();
    void emptyBarRefused();
};

void TestFrmToolBar::editAndStore() {
    TestLibrary lib;
    lib.context().settings().writeIniValue(Settings::kMain, "tbrWebKey", "Back,NN1,Forward");
    FrmToolBar w(lib.context());
    auto* all = child<QListWidget>(w, "tvwAllBar");
    auto* bar = child<QListWidget>(w, "tvwBar");
    QCOMPARE(texts(bar), (QStringList{"后退", "分隔符", "前进"}));
    // Every button once, none of the chosen, no second key of a button.
    QCOMPARE(all->count(), 33);
    QVERIFY(all->findItems("后退", Qt::MatchExactly).isEmpty());
    QCOMPARE(all->findItems("新增章节", Qt::MatchExactly).size(), 1);

    bar->setCurrentRow(0);
    click(w, "cmdSeparator"); // after the current button, with a number not yet used
    QCOMPARE(w.keys(), (QStringList{"Back", "NN2", "NN1", "Forward"}));
    bar->clearSelection();
    bar->item(2)->setSelected(true);
    click(w, "cmdRemove");
    QCOMPARE(all->count(), 33); // a separator is not one of the buttons
    all->findItems("刷新", Qt::MatchExactly).first()->setSelected(true);
    click(w, "cmdAdd");
    bar->setCurrentRow(3);
    click(w, "cmdUp");
    click(w, "cmdUp");
    click(w, "cmdUp");
    click(w, "cmdUp"); // already first
    QCOMPARE(w.keys(), (QStringList{"Refresh", "Back", "NN2", "Forward"}));
    click(w, "cmdOK");
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(lib.context().settings().value("tbrWebKey"), QString("Refresh,Back,NN2,Forward"));
}

void TestFrmToolBar::emptyBarRefused() {
    TestLibrary lib;
    FrmToolBar w(lib.context());
    w.show();
    QCOMPARE(w.keys(), ReadingToolbarKeys::parse(QString()));
    click(w, "cmdRemoveAll");
    MessageRecorder messages;
    click(w, "cmdOK");
    QCOMPARE(messages.shown, QStringList{"当前工具栏按钮不能为空项，请添加"});
    QVERIFY(w.isVisible());
    QCOMPARE(lib.context().settings().value("tbrWebKey"), QString());
    click(w, "cmdReset");
    QCOMPARE(w.keys(), ReadingToolbarKeys::parse(QString()));
}

QUIVERAL_UI_TEST_MAIN(TestFrmToolBar)
#include "tst_frmtoolbar.moc"
