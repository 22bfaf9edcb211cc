// The bookcase windows on a real library: the book dialog's refusals, finding, dragging, the file
// check, batch adding and deleting a category.
#include "bookcase/bookcase.h"
#include "bookcase/ui/bookcasetreewidget.h"
#include "bookcase/ui/frmbookcase.h"
#include "bookcase/ui/frmbookcasebatchadd.h"
#include "bookcase/ui/frmbookcaseedit.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QComboBox>
#include <QDataStream>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableWidget>

namespace {

BookcaseTreeWidget* tree(FrmBookCase& w) {
    return child<BookcaseTreeWidget>(w, "tvwBar");
}
BookcaseTreeWidget* list(FrmBookCase& w) {
    return child<BookcaseTreeWidget>(w, "ListView1");
}
QString status(FrmBookCase& w) {
    return child<QLabel>(w, "lblStatus")->text();
}

// The names in the list, top to bottom.
QString listed(FrmBookCase& w) {
    QStringList names;
    for (int i = 0; i < list(w)->topLevelItemCount(); ++i)
        names << list(w)->topLevelItem(i)->text(0);
    return names.join(u',');
}

QString names(TestLibrary& lib, const QString& code = QString()) {
    QStringList names;
    for (const BookcaseEntry& e : BookcaseStore(lib.db()).list(code))
        names << e.mc;
    return names.join(u',');
}

void selectNode(FrmBookCase& w, const QString& key) {
    QTreeWidgetItem* node = tree(w)->itemOfKey(key);
    QVERIFY2(node, qPrintable(key));
    tree(w)->setCurrentItem(node);
}

// The names of the rows drawn red, each in all its columns.
QString redRows(FrmBookCase& w) {
    QStringList red;
    for (int i = 0; i < list(w)->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list(w)->topLevelItem(i);
        int columns = 0;
        for (int c = 0; c < 4; ++c)
            columns += item->foreground(c).color() == QColor(255, 0, 0) ? 1 : 0;
        if (columns == 4)
            red << item->text(0);
    }
    return red.join(u',');
}

void dropOn(FrmBookCase& w, const QString& key, const QList<qint64>& ids) {
    QMimeData mime;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << ids;
    mime.setData(BookcaseTreeWidget::kMimeType, bytes);
    QWidget* viewport = tree(w)->viewport();
    const QPoint at = tree(w)->visualItemRect(tree(w)->itemOfKey(key)).center();
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

} // namespace

class TestFrmBookCase : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        // Deleted files go to this run's own trash.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
    }

    void editRefuses_data() {
        columns<QString, QString, QString>("name", "path", "message");
        addRow("blank name", "  ", "/b/new.txt", "请在书名处输入内容");
        addRow("blank path", "书", " ", "请在文件路径处输入内容");
        addRow("another book's path", "书", "/b/old.txt", "已有此文件路径的图书");
        addRow("another book's path, spaces around", "书", " /b/old.txt ", "已有此文件路径的图书");
        addRow("a quote in the path", "书", "/b/it's.txt", "");
    }

    void editRefuses() {
        const auto [name, path, message] = fetch<QString, QString, QString>("name", "path", "message");
        TestLibrary lib;
        lib.addBooks({"旧||/b/old.txt"});
        FrmBookCaseEdit dialog(lib.context(), QStringLiteral("02"));
        child<QLineEdit>(dialog, "txtMC")->setText(name);
        child<QLineEdit>(dialog, "txtZZ")->setText("某人");
        child<QLineEdit>(dialog, "txtWJLJ")->setText(path);
        MessageRecorder messages;
        dialog.show();
        click(dialog, "cmdOK");
        if (!message.isEmpty()) {
            // Refused: the dialog stays with everything typed, nothing is stored.
            QCOMPARE(messages.shown, QStringList{message});
            QVERIFY(dialog.isVisible());
            QCOMPARE(child<QLineEdit>(dialog, "txtMC")->text(), name);
            QCOMPARE(child<QLineEdit>(dialog, "txtWJLJ")->text(), path);
            QCOMPARE(names(lib), QString("旧"));
            return;
        }
        QCOMPARE(messages.shown, QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const std::optional<BookcaseEntry> saved = BookcaseStore(lib.db()).get(dialog.id());
        QVERIFY(saved);
        QCOMPARE(saved->wjlj, path);
        QCOMPARE(saved->lb, QString("02"));
        QCOMPARE(saved->zz, QString("某人"));
        // Opened again, the book keeps its own path without a complaint.
        FrmBookCaseEdit again(lib.context(), dialog.id());
        QCOMPARE(child<QLineEdit>(again, "txtWJLJ")->text(), path);
        click(again, "cmdOK");
        QCOMPARE(messages.shown, QStringList());
        QCOMPARE(again.result(), int(QDialog::Accepted));
    }

    void find_data() {
        columns<QString, QString, QString, QString>("node", "text", "expected", "status");
        addRow("root lists all", "BookCase", "", "百分%之百,百分百,下_划线,下划线", "全部：4本");
        addRow("root, percent is literal", "BookCase", "%", "百分%之百", "全部：1本");
        addRow("root, underscore is literal", "BookCase", "_", "下_划线", "全部：1本");
        addRow("root searches every category", "BookCase", "划线", "下_划线,下划线", "全部：2本");
        addRow("category, percent", "组别01", "%", "百分%之百", "甲：1本");
        addRow("category, underscore not in it", "组别01", "_", "", "甲：0本");
        addRow("category keeps to itself", "组别02", "划线", "下_划线", "乙：1本");
    }

    void find() {
        const auto [node, text, expected, shown] =
            fetch<QString, QString, QString, QString>("node", "text", "expected", "status");
        TestLibrary lib;
        lib.addBooks({"百分%之百|01|/b/1", "百分百|01|/b/2", "下_划线|02|/b/3", "下划线||/b/4"});
        FrmBookCase window(lib.context());
        selectNode(window, node);
        const QString unfiltered = listed(window);
        trigger(window, "mnuBookFind");
        // Typed one character after the other (keyClicks knows only Latin-1).
        for (const QChar c : text)
            child<QLineEdit>(window, "txtFind")->insert(QString(c));
        QCOMPARE(listed(window), expected);
        QCOMPARE(status(window), shown);
        // Hiding the bar forgets the text and lists the node again.
        trigger(window, "mnuBookFind");
        QCOMPARE(child<QLineEdit>(window, "txtFind")->text(), QString());
        QCOMPARE(listed(window), unfiltered);
        QVERIFY(lib.errors().isEmpty());
    }

    void dragOntoNodes() {
        TestLibrary lib;
        const QList<qint64> ids = lib.addBooks({"甲书|01|/b/1", "又一|01|/b/2"});
        FrmBookCase window(lib.context());
        window.show();
        selectNode(window, "组别01");
        MessageRecorder messages;
        dropOn(window, "BookCase", {ids.first()});
        QTRY_COMPARE(messages.shown, QStringList{"请拖到相应的分类处"});
        QCOMPARE(BookcaseStore(lib.db()).get(ids.first())->lb, QString("01"));
        QCOMPARE(listed(window), QString("甲书,又一"));

        dropOn(window, "组别02", {ids.first()});
        QTRY_COMPARE(listed(window), QString("又一"));
        QCOMPARE(BookcaseStore(lib.db()).get(ids.first())->lb, QString("02"));
        QCOMPARE(status(window), QString("甲：1本"));
        QCOMPARE(messages.shown.size(), 1);
    }

    void fileCheck() {
        TestLibrary lib;
        const QString a = lib.path() + "/books/a.txt";
        const QString b = lib.path() + "/books/b.txt";
        QVERIFY(writeFile(a, "a") && writeFile(b, "b"));
        lib.addBooks({"a||" + a, "b||" + b});
        FrmBookCase window(lib.context());
        MessageRecorder messages;
        trigger(window, "mnuBookCheck");
        QTRY_COMPARE(messages.shown, QStringList{"图书和存放路径完全一致"});
        QCOMPARE(redRows(window), QString());

        QVERIFY(QFile::remove(b));
        messages.answers = {false};
        trigger(window, "mnuBookCheck");
        QTRY_COMPARE(messages.last(),
                     QString("有1本图书和存放路径不相一致，已用红色标注出，是否删除这些图书"));
        QCOMPARE(redRows(window), QString("b"));
        QCOMPARE(names(lib), QString("a,b"));

        // Yes deletes exactly the red rows, whatever was selected before.
        list(window)->topLevelItem(0)->setSelected(true);
        whenDialogOpens("frmBookCaseDel", [](QDialog* d) {
            child<QAbstractButton>(*d, "chkbIsDel")->click();
            click(*d, "cmdOK");
        });
        trigger(window, "mnuBookCheck");
        QTRY_COMPARE(names(lib), QString("a"));
        QCOMPARE(listed(window), QString("a"));
        QCOMPARE(status(window), QString("全部：1本"));
        QVERIFY(QFile::exists(a));
        QVERIFY(!window.isChecking());
    }

    // A second run replaces the first, and closing the window ends the run without an answer.
    void checkRunsOneAtATime() {
        TestLibrary lib;
        QStringList rows;
        for (int i = 0; i < 500; ++i)
            rows << QString("书%1||/gone/%1.txt").arg(i);
        lib.addBooks(rows);
        MessageRecorder messages;
        messages.answers = {false, false};
        FrmBookCase window(lib.context());
        trigger(window, "mnuBookCheck");
        trigger(window, "mnuBookCheck");
        QTRY_VERIFY(!window.isChecking());
        QCOMPARE(messages.shown, QStringList{Bookcase::checkMessage(500)});
        trigger(window, "mnuBookCheck");
        window.close();
        QVERIFY(!window.isChecking());
        QTest::qWait(200);
        QCOMPARE(messages.shown.size(), 1);
    }

    void batchAddTwice() {
        TestLibrary lib;
        lib.addBooks({"旧|02|/b/old.txt"});
        const QString picked = "/b/x.one.txt\n/b/old.txt\n/b/y.txt";
        Messages::setPickHandler([&](Messages::Pick, const QString&, const QString&) { return picked; });
        MessageRecorder messages;
        QList<int> added; // per round
        for (int round = 0; round < 2; ++round) {
            FrmBookCaseBatchAdd dialog(lib.context(), QStringLiteral("01"));
            QSignalSpy spy(&dialog, &FrmBookCaseBatchAdd::added);
            auto* grid = child<QTableWidget>(dialog, "Fg");
            click(dialog, "cmdPath");
            click(dialog, "cmdPath");
            QCOMPARE(grid->rowCount(), 3);
            QCOMPARE(grid->item(0, 0)->text(), QString("x"));
            QCOMPARE(grid->item(0, 1)->text(), QString("甲"));
            QCOMPARE(grid->item(0, 3)->text(), QString("x.one.txt"));
            if (round == 0) {
                // A row of its own category, chosen in the grid's list.
                dialog.show();
                grid->editItem(grid->item(2, 1));
                auto* box = grid->viewport()->findChild<QComboBox*>();
                QVERIFY(box);
                box->setCurrentIndex(box->findText("乙"));
                QTest::keyClick(box, Qt::Key_Return);
                QTRY_COMPARE(grid->item(2, 1)->text(), QString("乙"));
            }
            click(dialog, "cmdOK");
            QCOMPARE(spy.count(), 1);
            added << int(spy.first().first().value<QList<qint64>>().size());
        }
        Messages::setPickHandler({});
        QCOMPARE(messages.shown, QStringList());
        QCOMPARE(added, (QList<int>{2, 0}));
        QCOMPARE(names(lib), QString("旧,x,y"));
        QCOMPARE(names(lib, "01"), QString("x"));
        QCOMPARE(names(lib, "02"), QString("旧,y"));
    }

    void deleteCategory() {
        TestLibrary lib;
        lib.addBooks({"书|01|/b/1.txt", "别的|02|/b/2.txt"});
        const QString novel = lib.addNovel("小说", "01");
        QVERIFY(BookcaseStore(lib.db()).registerEntry("小说", "01", "",
                                                      lib.context().folder().novelListPage(novel)));
        FrmBookCase window(lib.context());
        QSignalSpy changed(&window, &FrmBookCase::categoriesChanged);
        selectNode(window, "组别01");
        list(window)->clearSelection();
        MessageRecorder messages;
        whenDialogOpens("frmBookCaseDel", [](QDialog* d) { click(*d, "cmdOK"); });
        trigger(window, "mnuDelete");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(messages.shown, QStringList());
        QVERIFY(!tree(window)->itemOfKey("组别01"));
        QCOMPARE(BookcaseTreeWidget::keyOf(tree(window)->currentItem()), QString("BookCase"));
        // The library's novel keeps its entry, without a category; the category's other book goes.
        QCOMPARE(names(lib), QString("别的,小说"));
        QCOMPARE(listed(window), QString("别的,小说"));
        QCOMPARE(status(window), QString("全部：2本"));
        QCOMPARE(sqliteScalar(lib.db().path(), "SELECT ifnull(LB, '') FROM book_novel").toString(),
                 QString());
    }
};

QUIVERAL_UI_TEST_MAIN(TestFrmBookCase)
#include "tst_frmbookcase.moc"
