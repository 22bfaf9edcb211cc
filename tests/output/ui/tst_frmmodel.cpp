// The display style window.
#include "output/stylelibrary.h"
#include "output/ui/frmmodel.h"
#include "storage/textfile.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "widgets/messages.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

class TestFrmModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void treeOfStyles();
    void editBuiltInPage();
    void renameAndDeleteUserStyle();

private:
    QList<QPair<Messages::Kind, QString>> m_messages;
};

void TestFrmModel::init() {
    m_messages.clear();
    Messages::setHandler([this](Messages::Kind kind, const QString& text) {
        m_messages.append({kind, text});
        return QMessageBox::Yes;
    });
}

void TestFrmModel::treeOfStyles() {
    TestLibrary lib;
    QVERIFY(StyleLibrary(lib.context().folder())
                .addStyle(QStringLiteral("我的"), QStringLiteral("普通样式"))
                .isEmpty());
    FrmModel window(lib.context());
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("tvwModel"));
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("系统"));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 3);
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("自增"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("我的"));
    QCOMPARE(tree->topLevelItem(1)->child(0)->child(1)->text(0), QStringLiteral("目录页"));
    for (const char* key : {"AddCls", "Delete", "Save", "help", "Exit"})
        QVERIFY2(window.findChild<QAction*>(QLatin1String(key)), key);

    // The style in use is shown first; its chapter page is in the editor.
    QCOMPARE(tree->currentItem(), window.findPage(QStringLiteral("普通样式"), StyleLibrary::Page::Chapter));
    QVERIFY(child<QPlainTextEdit>(window, "txtSource")->toPlainText().contains("[[Content]]"));
    child<QAction>(window, "help")->trigger();
    QCOMPARE(m_messages.last().second, StyleLibrary::helpText());
}

void TestFrmModel::editBuiltInPage() {
    TestLibrary lib;
    FrmModel window(lib.context());
    window.selectPage(QStringLiteral("简洁样式"), StyleLibrary::Page::Chapter);
    auto* name = window.findChild<QLineEdit*>(QStringLiteral("txtName"));
    QCOMPARE(name->text(), QStringLiteral("简洁样式"));
    QVERIFY(name->isReadOnly());
    child<QPlainTextEdit>(window, "txtSource")->setPlainText(QStringLiteral("<b>[[title]]</b>"));
    child<QAction>(window, "Save")->trigger();
    QCOMPARE(m_messages.last().second, QStringLiteral("已保存"));
    QCOMPARE(readTextFile(lib.path() + QStringLiteral("/model/vbArticle2.htm")),
             QStringLiteral("<b>[[title]]</b>"));
    QCOMPARE(lib.context().settings().readIniValue(Settings::kMain, QStringLiteral("ArticleStyle")),
             QStringLiteral("简洁样式"));
}

void TestFrmModel::renameAndDeleteUserStyle() {
    TestLibrary lib;
    QVERIFY(StyleLibrary(lib.context().folder())
                .addStyle(QStringLiteral("甲"), QStringLiteral("普通样式"))
                .isEmpty());
    FrmModel window(lib.context());
    window.selectPage(QStringLiteral("甲"), StyleLibrary::Page::List);
    auto* name = window.findChild<QLineEdit*>(QStringLiteral("txtName"));
    QVERIFY(!name->isReadOnly());
    // The refusals of names and of deleting are tst_stylelibrary's.
    name->setText(QStringLiteral("乙"));
    child<QPlainTextEdit>(window, "txtSource")->setPlainText(QStringLiteral("[[Content]]"));
    child<QAction>(window, "Save")->trigger();
    QCOMPARE(m_messages.last().second, QStringLiteral("已保存"));
    QCOMPARE(readTextFile(lib.path() + QStringLiteral("/usermodel/乙/listmodel.htm")),
             QStringLiteral("[[Content]]"));
    QVERIFY(!QFileInfo::exists(lib.path() + QStringLiteral("/usermodel/甲")));
    QVERIFY(window.findPage(QStringLiteral("乙"), StyleLibrary::Page::List));

    child<QAction>(window, "Delete")->trigger();
    QVERIFY(!QFileInfo::exists(lib.path() + QStringLiteral("/usermodel/乙")));
    QVERIFY(!window.findPage(QStringLiteral("乙"), StyleLibrary::Page::List));
    // The style in use is gone: the window shows the first built-in one.
    QCOMPARE(child<QLineEdit>(window, "txtName")->text(), QStringLiteral("普通样式"));
}

QTEST_MAIN(TestFrmModel)
#include "tst_frmmodel.moc"
