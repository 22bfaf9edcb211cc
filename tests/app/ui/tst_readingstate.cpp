// What the main window shows stays together: Del acts on what has the focus, chapters without text
// say so, the chapter list, the reading view and the title follow each other, and a small window
// still leaves room to read.
#include "app/ui/frmbook.h"
#include "library/ui/frmbookdel.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAction>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>

namespace {

// Two novels of three chapters in one category, their pages written from the chapter template.
struct Shelf {
    TestLibrary lib;
    QString first;
    QString second;
    QList<qint64> chapters; // the first novel's

    Shelf() {
        CategoryStore(lib.db()).add("连载");
        first = lib.addNovel("甲书", "01", 1);
        second = lib.addNovel("乙书", "01", 2);
        const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
        for (const QString& novel : {first, second})
            for (int i = 1; i <= 3; ++i) {
                const qint64 id = lib.addChapter(novel, QString("第%1章").arg(i), false,
                                                 QString("http://127.0.0.1:9/%1.html").arg(i));
                if (novel == first)
                    chapters << id;
                writeTextFile(lib.context().folder().chapterPage(novel, id),
                              QString(tmpl)
                                  .replace("[[title]]", QString("第%1章").arg(i))
                                  .replace("[[Content]]", QString("　　第%1章的正文。").arg(i)));
            }
    }
    QString page(int i) const { return QString("/chm/%1/%2.htm").arg(first).arg(chapters.at(i)); }
};

void activate(FrmBook& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

void openChapter(FrmBook& window, const Shelf& shelf, int index) {
    QVERIFY(window.selectNode("栏目" + shelf.first));
    QTreeWidget* list = window.list();
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(index));
    list->topLevelItem(index)->setSelected(true);
    window.viewNovelContent();
    QVERIFY(shows(window.web(), shelf.page(index)));
}

// Notes whether the novel deletion dialog opened, and confirms it.
class DeletionWatch : public QObject {
public:
    DeletionWatch() { qApp->installEventFilter(this); }
    ~DeletionWatch() override { qApp->removeEventFilter(this); }
    bool opened = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("frmBookDel")) {
            opened = true;
            auto* dialog = static_cast<QDialog*>(watched);
            QTimer::singleShot(0, dialog, [dialog] { click(*dialog, "cmdOK"); });
        }
        return false;
    }
};

int novelCount(TestLibrary& lib) {
    return sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novel").toInt();
}

} // namespace

class TestReadingState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deleteActsOnTheFocus_data();
    void deleteActsOnTheFocus();
    void chaptersWithoutText_data();
    void chaptersWithoutText();
    void listViewAndTitleAgree_data();
    void listViewAndTitleAgree();
    void smallWindowLeavesRoomToRead();
};

void TestReadingState::deleteActsOnTheFocus_data() {
    // node: "novel" or "category"; focus: the control holding the focus; chosen: list items chosen; byKey:
    // Del, or the menu; dialog: the novel deletion dialog opens; novelsAfter: confirmed when it opens
    columns<QString, QString, int, bool, bool, int>("node", "focus", "chosen", "byKey", "dialog",
                                                    "novelsAfter");
    addRow("three chapters, Del", "novel", "ListView1", 3, true, false, 2);
    addRow("three chapters, menu", "novel", "ListView1", 3, false, false, 2);
    addRow("the chapter read, Del", "novel", "Web1", 1, true, false, 2);
    addRow("the novel node, Del", "novel", "tvwBar", 3, true, true, 1);
    addRow("a novel of the category's list, Del", "category", "ListView1", 1, true, true, 1);
}

void TestReadingState::deleteActsOnTheFocus() {
    const auto [node, focus, chosen, byKey, dialog, novelsAfter] =
        fetch<QString, QString, int, bool, bool, int>("node", "focus", "chosen", "byKey", "dialog",
                                                      "novelsAfter");
    Shelf shelf;
    MessageRecorder messages;
    messages.answers = {false}; // chapters are asked about, and kept
    FrmBook window(shelf.lib.context());
    activate(window);
    if (focus == "Web1")
        openChapter(window, shelf, 0);
    QVERIFY(window.selectNode(node == "novel" ? "栏目" + shelf.first : QString("组别01")));
    QTreeWidget* list = window.list();
    for (int i = 0; i < chosen; ++i)
        list->topLevelItem(i)->setSelected(true);
    QWidget* target = focus == "Web1" ? window.web()->focusProxy() : window.findChild<QWidget*>(focus);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());

    DeletionWatch watch;
    if (byKey)
        QTest::keyClick(target, Qt::Key_Delete);
    else
        trigger(window, "mnuDelete");
    QTest::qWait(100);
    QCOMPARE(watch.opened, dialog);
    QCOMPARE(novelCount(shelf.lib), novelsAfter);
    QCOMPARE(messages.shown, dialog ? QStringList() : QStringList{"您是否确定删除选中的章节吗?"});
}

void TestReadingState::chaptersWithoutText_data() {
    // words: WordNums of the second chapter; address: it has its page address; content: of its page, "" for
    // its text; title: as the list shows it; offered: opening it asks to download it again; read: and marks
    // it read
    columns<QVariant, bool, QString, QString, bool, bool>("words", "address", "content", "title", "offered",
                                                          "read");
    addRow("stored", QVariant(120), true, "", "第2章", false, true);
    addRow("failed", QVariant(0), true, "", "第2章 (下载失败)", true, false);
    addRow("still waiting", QVariant(QMetaType(QMetaType::Int)), true, "", "第2章 (未下载)", true, false);
    addRow("failed, no address to fetch", QVariant(0), false, "", "第2章 (下载失败)", false, false);
    addRow("counted but its page is empty", QVariant(120), true, "　　<br><br>", "第2章", true, false);
    addRow("a picture chapter", QVariant(120), true, "<img src=\"1.jpg\">", "第2章", false, true);
}

void TestReadingState::chaptersWithoutText() {
    const auto [words, address, content, title, offered, read] =
        fetch<QVariant, bool, QString, QString, bool, bool>("words", "address", "content", "title", "offered",
                                                            "read");
    Shelf shelf;
    const qint64 id = shelf.chapters.at(1);
    shelf.lib.db().exec("UPDATE book_novelcontent SET WordNums=?, ComeFrom=? WHERE id=?",
                        {words, address ? QString("http://127.0.0.1:9/2.html") : QString(), id});
    if (!content.isEmpty())
        writeTextFile(shelf.lib.path() + shelf.page(1),
                      readTextFile(shelf.lib.path() + "/model/vbArticle1.htm")
                          .replace("[[title]]", "第2章")
                          .replace("[[Content]]", content));
    MessageRecorder messages;
    messages.answers = {false};
    FrmBook window(shelf.lib.context());
    window.show();
    QVERIFY(window.selectNode("栏目" + shelf.first));
    QTreeWidgetItem* item = window.list()->topLevelItem(1);
    QCOMPARE(item->text(1), title);
    QCOMPARE(item->data(0, LibraryTreeWidget::kFailedRole).toBool(), title != "第2章");

    window.list()->setCurrentItem(item);
    window.viewNovelContent();
    QCOMPARE(messages.shown,
             offered ? QStringList{"该章节下载失败或没有内容，是否重新下载？"} : QStringList());
    QCOMPARE(window.shownChapterId(), id);
    QCOMPARE(item->data(0, LibraryTreeWidget::kReadRole).toBool(), read);
    QCOMPARE(shelf.lib.db().scalar("SELECT bIsRead FROM book_novelcontent WHERE id=?", {id}).toString(),
             QString(read ? "1" : "0"));
    QVERIFY(!window.isBusy());
}

void TestReadingState::listViewAndTitleAgree_data() {
    // opened: chapter of the first novel opened first; steps: commands, "tree:" + key pressed in the tree,
    // "node:" + key; shown: chapter on screen after them, -1 for none
    columns<int, QStringList, int, QString>("opened", "steps", "shown", "title");
    addRow("previous chapter, then back", 1, QStringList{"webUp", "webBack"}, 1, "《甲书》第2章");
    addRow("previous chapter, back and forward", 1, QStringList{"webUp", "webBack", "webForward"}, 0,
           "《甲书》第1章");
    addRow("another novel chosen by keyboard", 1, QStringList{"tree:Down"}, -1, "Quiveral");
    addRow("back to the chapter of the novel left", 1, QStringList{"tree:Down", "webBack"}, 1,
           "《甲书》第2章");
    addRow("the day it came holds it", 2, QStringList{"node:日期1"}, 2, "《甲书》第3章");
    addRow("the novel list", 0, QStringList{"node:组别01"}, -1, "Quiveral");
    addRow("nothing opened", -1, QStringList{}, -1, "Quiveral");
}

void TestReadingState::listViewAndTitleAgree() {
    const auto [opened, steps, shown, title] =
        fetch<int, QStringList, int, QString>("opened", "steps", "shown", "title");
    Shelf shelf;
    MessageRecorder messages;
    FrmBook window(shelf.lib.context());
    activate(window);
    if (opened >= 0)
        openChapter(window, shelf, opened);
    else
        QVERIFY(window.selectNode("栏目" + shelf.first));
    for (const QString& step : steps) {
        if (step.startsWith("tree:")) {
            window.tree()->setFocus();
            QTest::keyClick(window.tree(), QKeySequence(step.mid(5))[0].key());
        } else if (step.startsWith("node:")) {
            QVERIFY(window.selectNode(step.mid(5)));
        } else {
            trigger(window, qPrintable(step));
        }
        // The next step goes from what is on screen.
        const qint64 id = window.shownChapterId();
        QVERIFY(shows(window.web(), id > 0 ? QString("/%1.htm").arg(id) : QString("blank")));
    }
    const qint64 expected = shown >= 0 ? shelf.chapters.at(shown) : 0;
    QTRY_COMPARE(window.shownChapterId(), expected);
    QVERIFY(shows(window.web(), shown >= 0 ? shelf.page(shown) : QString("blank")));
    QCOMPARE(window.windowTitle(), title);
    QTreeWidgetItem* current = window.list()->currentItem();
    if (shown >= 0) {
        QVERIFY(current && current->isSelected());
        QCOMPARE(current->data(0, LibraryTreeWidget::kKeyRole).toString(), QString("章节%1").arg(expected));
    }
    // A bookmark needs a chapter to go into.
    QCOMPARE(child<QAction>(window, "mnuBookmark")->isEnabled(), shown >= 0);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.join('\n')));
}

void TestReadingState::smallWindowLeavesRoomToRead() {
    Shelf shelf;
    FrmBook window(shelf.lib.context());
    window.resize(800, 600);
    activate(window);
    openChapter(window, shelf, 0);
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(800, 600));
    const QWidget* central = window.centralWidget();
    const QSize web = window.web()->size();
    QVERIFY2(web.height() * 2 > central->height(),
             qPrintable(QString("%1 of %2").arg(web.height()).arg(central->height())));
    QVERIFY2(web.width() * 3 >= window.width() * 2, qPrintable(QString::number(web.width())));

    // Room to spare goes to the titles; given back, they keep their own width.
    auto* list = static_cast<LibraryTreeWidget*>(window.list());
    const int own = list->ownWidth(1);
    window.resize(1600, 900);
    QTRY_COMPARE(window.width(), 1600);
    QHeaderView* header = list->header();
    int others = 0;
    for (int i = 0; i < header->count(); ++i)
        others += i == 1 ? 0 : header->sectionSize(i);
    QTRY_COMPARE(header->sectionSize(1), list->viewport()->width() - others);
    QVERIFY(header->sectionSize(1) > own);
    window.resize(800, 600);
    QTRY_COMPARE(header->sectionSize(1), own);
}

QUIVERAL_UI_TEST_MAIN(TestReadingState)
#include "tst_readingstate.moc"
