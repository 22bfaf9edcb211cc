// The ranking pages' window on the demo site served on this machine: novel links are offered, not
// opened; other links open; the links are kept in the library.
#include "companion/ui/frmvbwebview.h"
#include "library/demolibrary.h"
#include "storage/showtopstore.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>

class TestFrmVBWebView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void novelLinksOffered_data();
    void novelLinksOffered();
    void linksKeptAndCommandsFollowTheSelection();
};

void TestFrmVBWebView::novelLinksOffered_data() {
    QTest::addColumn<QString>("selector"); // the link clicked on top.html
    QTest::addColumn<bool>("offered");
    QTest::newRow("a novel page") << "a[href='/bookinfo.html']:not([target])" << true;
    QTest::newRow("a novel page in a new window") << "a[target='_blank']" << true;
    QTest::newRow("an ordinary page") << "p a[href='/full.html']" << false;
}

void TestFrmVBWebView::novelLinksOffered() {
    QFETCH(QString, selector);
    QFETCH(bool, offered);
    TestSite site(DemoLibrary::siteFolder());
    QVERIFY(site.start());
    TestLibrary lib;
    QVERIFY(ShowTopStore(lib.db()).ensure(NovelPagePatterns::defaultLinks()));
    const qint64 top = ShowTopStore(lib.db()).add("排行", site.url("/top.html"));
    FrmVBWebView w(lib.context());
    w.show();
    QSignalSpy offers(&w, &FrmVBWebView::novelOffered);
    auto* tree = child<QTreeWidget>(w, "tvwBar");
    QTreeWidgetItem* node = tree->topLevelItem(0)->child(tree->topLevelItem(0)->childCount() - 1);
    QCOMPARE(node->data(0, Qt::UserRole).toLongLong(), top);
    tree->itemClicked(node, 0);
    QVERIFY(shows(w.view(), "/top.html"));
    js(w.view(), QString("document.querySelector(\"%1\").click()").arg(selector));
    if (offered) {
        QTRY_COMPARE_WITH_TIMEOUT(offers.size(), 1, 10000);
        QCOMPARE(offers.first().at(0).toString(), QString("演示小说"));
        QCOMPARE(offers.first().at(1).toString(), site.url("/book/index.html"));
        QTest::qWait(300);
        QVERIFY(shows(w.view(), "/top.html")); // the page stays
    } else {
        QVERIFY(shows(w.view(), "/full.html"));
        QCOMPARE(offers.size(), 0);
    }
}

void TestFrmVBWebView::linksKeptAndCommandsFollowTheSelection() {
    TestLibrary lib;
    FrmVBWebView w(lib.context());
    auto* tree = child<QTreeWidget>(w, "tvwBar");
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->childCount(), 4); // the demo site's pages of a new library
    MessageRecorder messages;
    whenDialogOpens("frmAddWebView", [](QDialog* d) {
        child<QLineEdit>(*d, "txtName")->setText("新站");
        click(*d, "cmdOK");
        QCOMPARE(d->isVisible(), true); // no address yet
        child<QLineEdit>(*d, "txtUrl")->setText("http://s.test/");
        click(*d, "cmdOK");
    });
    trigger(w, "mnuAdd");
    QCOMPARE(messages.shown, QStringList{"链接地址不能为空"});
    QCOMPARE(tree->currentItem()->text(0), QString("新站"));
    trigger(w, "mnuUp");
    QCOMPARE(tree->topLevelItem(0)->child(3)->text(0), QString("新站"));
    // Deleting every link leaves the root, and the link commands off.
    while (tree->topLevelItem(0)->childCount() > 0) {
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        trigger(w, "Delete");
    }
    QCOMPARE(messages.shown.size(), 1 + 5);
    QCOMPARE(messages.shown.at(1), QString("您是否确定删除\"演示小说站排行榜\"的链接?"));
    for (const char* name : {"mnuEdit", "Delete", "mnuUp", "mnuDown"})
        QVERIFY2(!w.findChild<QAction*>(name)->isEnabled(), name);
    QCOMPARE(ShowTopStore(lib.db()).list().size(), 0);
}

QUIVERAL_UI_TEST_MAIN(TestFrmVBWebView)
#include "tst_frmvbwebview.moc"
