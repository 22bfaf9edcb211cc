// The main window's category commands as a user gives them: the dialogs by objectName, their messages,
// and the tree afterwards.
#include "app/ui/frmbook.h"
#include "library/ui/librarytreewidget.h"
#include "storage/categorystore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

// "甲[甲一,甲二],乙[乙一],散一": the nodes under the root.
QString treeText(const QTreeWidgetItem* root) {
    QStringList nodes;
    for (int i = 0; i < root->childCount(); ++i) {
        const QTreeWidgetItem* node = root->child(i);
        QString text = node->text(0);
        if (node->data(0, LibraryTreeWidget::kKeyRole).toString().startsWith("组别"))
            text += u'[' + treeText(node).remove(u'[').remove(u']') + u']';
        nodes << text;
    }
    return nodes.join(u',');
}

QTreeWidgetItem* itemOf(QTreeWidget* tree, const QString& key) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return *it;
    return nullptr;
}

// One step of a user in a dialog: "txtTitle=丙", "tvwType:组别01" (choose a node), "list=甲二" (what
// lstViewBook shows), "label=…" (the question), "check:chkbIsDel", "click:cmdOK".
void runStep(QDialog* dialog, const QString& step) {
    const qsizetype colon = step.indexOf(u':');
    const qsizetype equals = step.indexOf(u'=');
    if (equals > 0 && (colon < 0 || equals < colon)) {
        const QString name = step.left(equals);
        const QString value = step.mid(equals + 1);
        if (name == "list") {
            auto* list = child<QTreeWidget>(*dialog, "lstViewBook");
            QStringList shown;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                shown << list->topLevelItem(i)->text(0);
            QCOMPARE(shown.join(u','), value);
        } else if (name == "label") {
            QCOMPARE(child<QLabel>(*dialog, "lblMessage")->text(), value);
        } else if (name == "title") {
            QCOMPARE(dialog->windowTitle(), value);
        } else {
            child<QLineEdit>(*dialog, qPrintable(name))->setText(value);
        }
        return;
    }
    const QString verb = step.left(colon);
    const QString what = step.mid(colon + 1);
    if (verb == "click") {
        click(*dialog, qPrintable(what));
    } else if (verb == "check") {
        child<QAbstractButton>(*dialog, qPrintable(what))->setChecked(true);
    } else {
        auto* tree = child<QTreeWidget>(*dialog, qPrintable(verb));
        QTreeWidgetItem* item = itemOf(tree, what);
        QVERIFY2(item, qPrintable(step));
        tree->setCurrentItem(item);
    }
}

} // namespace

class TestCategoryCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestCategoryCommands::commands_data() {
    columns<QString, QString, bool, QString, QStringList, QStringList, QString, QString>(
        "command", "node", "busy", "dialog", "steps", "messages", "tree", "current");
    const QString unchanged = "甲[甲一,甲二],乙[乙一],散一";
    const QStringList none;
    addRow("new category", "mnuLBAdd", "栏目000001", false, "frmAddType",
           QStringList{"title=新增分类", "txtTitle=丙", "click:cmdOK"}, none,
           "甲[甲一,甲二],乙[乙一],丙[],散一", "栏目000001");
    addRow("new category without a name", "mnuLBAdd", "BookList", false, "frmAddType",
           QStringList{"txtTitle= ", "click:cmdOK", "click:cmdCancel"}, QStringList{"分类名称不能为空"},
           unchanged, "BookList");
    addRow("rename", "mnuLBEdit", "组别01", false, "frmAddType",
           QStringList{"title=编辑分类", "txtTitle=丁", "click:cmdOK"}, none, "丁[甲一,甲二],乙[乙一],散一",
           "组别01");
    addRow("category before another", "mnuLBMoveTo", "组别02", false, "frmTypeMoveTo",
           QStringList{"tvwType:组别01", "click:cmdOK"}, none, "乙[乙一],甲[甲一,甲二],散一", "组别01");
    addRow("novel without a place", "mnuMoveNovel", "栏目000002", false, "frmTypeMove",
           QStringList{"list=甲一", "click:cmdOK", "click:cmdCancel"}, QStringList{"您没有选择具体项"},
           unchanged, "栏目000002");
    addRow("novel within its category", "mnuMoveNovel", "栏目000002", false, "frmTypeMove",
           QStringList{"lstViewBook:栏目000001", "click:cmdOK"}, none, "甲[甲二,甲一],乙[乙一],散一",
           "栏目000002");
    addRow("novel between, found by name", "mnuMoveNovel", "栏目000004", false, "frmTypeMove",
           QStringList{"check:optType0", "tvwType:组别01", "list=甲一,甲二", "txtBook=二", "list=甲二",
                       "lstViewBook:栏目000002", "click:cmdOK"},
           none, "甲[甲一,散一,甲二],乙[乙一]", "栏目000004");
    addRow("name filter takes % as it is", "mnuMoveNovel", "栏目000001", false, "frmTypeMove",
           QStringList{"txtBook=%", "list=", "txtBook=_", "list=", "click:cmdCancel"}, none, unchanged,
           "栏目000001");
    addRow("novel into a category", "mnuMoveToType", "栏目000004", false, "frmTypeSelect",
           QStringList{"tvwType:组别02", "click:cmdOK"}, none, "甲[甲一,甲二],乙[乙一,散一]", "栏目000004");
    addRow("novel into its own category", "mnuMoveToType", "栏目000001", false, "frmTypeSelect",
           QStringList{"tvwType:组别01", "click:cmdOK"}, none, unchanged, "栏目000001");
    addRow("category deleted", "mnuDelete", "组别01", false, "frmDelType",
           QStringList{"title=删除分类", "label=您是否确定删除\"甲\"分类以及其下的所有小说?",
                       "check:chkbIsDel", "click:cmdOK"},
           none, "乙[乙一],散一", "BookList");
    addRow("category delete cancelled", "mnuDelete", "组别01", false, "frmDelType",
           QStringList{"click:cmdCancel"}, none, unchanged, "组别01");
    addRow("category delete while downloading", "mnuDelete", "组别01", true, "", none,
           QStringList{"此分类下小说正在下载中，不能删除。"}, unchanged, "组别01");
}

void TestCategoryCommands::commands() {
    const auto [command, node, busy, dialog, steps, messages, tree, current] =
        fetch<QString, QString, bool, QString, QStringList, QStringList, QString, QString>(
            "command", "node", "busy", "dialog", "steps", "messages", "tree", "current");
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    lib.addNovel("甲一", "01");
    lib.addNovel("甲二", "01");
    lib.addNovel("乙一", "02");
    lib.addNovel("散一");
    MessageRecorder recorder;
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(node));
    window.setBusy(busy);

    bool opened = false;
    if (!dialog.isEmpty())
        whenDialogOpens(dialog, [&](QDialog* d) {
            opened = true;
            for (const QString& step : steps)
                if (d->isVisible())
                    runStep(d, step);
            if (d->isVisible()) // a failed step leaves it open
                d->reject();
        });
    // A dialog nobody expected would wait for ever.
    QStringList unexpected;
    QTimer guard;
    guard.setInterval(3000);
    connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            unexpected << modal->objectName();
            modal->close();
        }
    });
    guard.start();
    trigger(window, qPrintable(command));
    guard.stop();

    QCOMPARE(unexpected, QStringList());
    QCOMPARE(opened, !dialog.isEmpty());
    QCOMPARE(recorder.shown, messages);
    QCOMPARE(treeText(window.findNode("BookList")), tree);
    QTreeWidgetItem* chosen = window.tree()->currentItem();
    QCOMPARE(chosen ? chosen->data(0, LibraryTreeWidget::kKeyRole).toString() : QString(), current);
}

QUIVERAL_UI_TEST_MAIN(TestCategoryCommands)
#include "tst_categorycommands.moc"
