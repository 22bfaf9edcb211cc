// The chapter commands of the main window and their dialogs: what each says to bad input, what the
// lists of the move dialog find, and what the chapter list and the counts show after a change.
#include "app/ui/frmbook.h"
#include "library/chaptereditor.h"
#include "library/ui/frmaddcontent.h"
#include "library/ui/frmcontentapart.h"
#include "library/ui/frmmovecontent.h"
#include "localsite/localsite.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "tools/ui/frmhtmledit.h"
#include "widgets/frmvolumeset.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWebEngineScript>

namespace {

// 山河 with three chapters whose pages are written from the chapter template, and two more novels
// (names and titles holding "%" and "_" for the searches).
struct Shelf {
    TestLibrary lib;
    QString novel;
    QList<qint64> ids;

    explicit Shelf(bool searchable) {
        novel = lib.addNovel("山河");
        const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
        const QList<std::pair<QString, QString>> chapters = {
            {"第一章", "甲。乙。丙。"}, {"第二章", "丁"}, {"第三章", "戊"}};
        for (const auto& [title, text] : chapters) {
            ids << lib.addChapter(novel, title);
            writeTextFile(lib.context().folder().chapterPage(novel, ids.last()),
                          QString(tmpl).replace("[[title]]", title).replace("[[Content]]", text));
        }
        if (!searchable)
            return;
        for (const char* title : {"100%完成", "a_b", "axb"})
            lib.addChapter(novel, title);
        lib.addNovel("百分%书");
        lib.addNovel("百分之书");
    }
    int chapterCount() {
        return sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novelcontent").toInt();
    }
};

QString itemsOf(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts.join(u'|');
}

// "name=value": a text typed, an option chosen ("1"), a list row picked by its text.
void fill(QWidget& dialog, const QStringList& fields) {
    for (const QString& field : fields) {
        const QString name = field.section(u'=', 0, 0);
        const QString value = field.section(u'=', 1);
        QObject* control = dialog.findChild<QObject*>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(value);
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setCurrentText(value);
        else if (auto* option = qobject_cast<QRadioButton*>(control))
            option->setChecked(value == "1");
        else if (auto* list = qobject_cast<QTreeWidget*>(control))
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                list->topLevelItem(i)->setSelected(list->topLevelItem(i)->text(0) == value);
    }
}

// "name=value" as the control shows it: a text, a list's rows joined by "|", or the control with
// the focus ("focus=txtUrl").
void check(QWidget& dialog, const QStringList& expected) {
    for (const QString& field : expected) {
        const QString name = field.section(u'=', 0, 0);
        const QString value = field.section(u'=', 1);
        if (name == "focus") {
            QVERIFY(dialog.focusWidget());
            QCOMPARE(dialog.focusWidget()->objectName(), value);
            continue;
        }
        QObject* control = dialog.findChild<QObject*>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            QCOMPARE(edit->text(), value);
        else if (auto* list = qobject_cast<QTreeWidget*>(control))
            QCOMPARE(itemsOf(list, 0), value);
    }
}

QStringList chapterTitles(FrmBook& window) {
    QStringList titles;
    for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
        titles << window.list()->topLevelItem(i)->data(1, Qt::UserRole).toString();
    return titles;
}

} // namespace

class TestChapterCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dialogs_data();
    void dialogs();
    void windowCommands_data();
    void windowCommands();
    void editChapterContent();

private:
    TestSite m_site{QStringLiteral("basic")};
};

void TestChapterCommands::initTestCase() {
    QVERIFY(m_site.start());
    QVERIFY(m_site.site()->setRules("[/search]\nbody: <<END\n"
                                    "<a href=\"/search?page=2\">第三章 下一页</a>\n"
                                    "<a href=\"http://tieba.test/1\">山河 第三章 百度贴吧</a>\n"
                                    "<a href=\"http://novel.test/3.htm\">《山河》第三章 风起</a>\n"
                                    "END\n"
                                    "[/excluded]\nbody: <a href=\"http://blog.test/3\">第三章 博客</a>\n"));
}

void TestChapterCommands::dialogs_data() {
    // dialog: new, insert, edit, apart, move, volume, the engine after ":"; button: "" for none; after: what
    // the controls show then; added: chapters stored by it (the dialog accepted)
    columns<QString, QStringList, QString, QList<bool>, QStringList, QStringList, int>(
        "dialog", "fields", "button", "answers", "shown", "after", "added");
    const QList<bool> none;
    const QStringList nothing;
    addRow("nothing typed", "new", QStringList{"txtTitle=", "txtUrl= "}, "cmdOK", none,
           QStringList{"请输入章节标题或者章节网址"}, nothing, 0);
    addRow("properties without a title", "edit", QStringList{"txtTitle= "}, "cmdOK", none,
           QStringList{"章节标题不能为空"}, QStringList{"txtUrl=", "focus=txtTitle"}, 0);
    addRow("an address that does not answer", "new",
           QStringList{"txtTitle=外传", "txtUrl=http://127.0.0.1:1/c.htm"}, "cmdOK", none,
           QStringList{"无效的章节网址"}, QStringList{"focus=txtUrl"}, 0);
    addRow("a page on this computer", "insert", QStringList{"txtTitle=外传", "txtUrl=/nowhere/c.htm"},
           "cmdOK", none, nothing, nothing, 1);
    addRow("a file address", "new", QStringList{"txtTitle=", "txtUrl=file:///nowhere/c.htm"}, "cmdOK", none,
           nothing, nothing, 1);
    addRow("search without a title", "new", QStringList{"txtTitle="}, "cmdFind", none,
           QStringList{"章节标题不能为空"}, nothing, 0);
    addRow("search engine unreachable", "new:http://127.0.0.1:1/s?q=", QStringList{"txtTitle=第三章"},
           "cmdFind", none, QStringList{"搜索\"title: (《山河》 第三章)\"失败，请查看网络连接"}, nothing, 0);
    addRow("search skips the engine's links and 百度", "new:{site}/search?q=[[Name]]",
           QStringList{"txtTitle=第三章"}, "cmdFind", none, nothing,
           QStringList{"txtUrl=http://novel.test/3.htm"}, 0);
    addRow("search finds only 博客", "new:{site}/excluded?q=", QStringList{"txtTitle=第三章"}, "cmdFind",
           none, QStringList{"搜索不到该章节"}, QStringList{"txtUrl="}, 0);
    addRow("count below 50", "apart", QStringList{"optType0=1", "txtWordNums=49"}, "cmdOK", none,
           QStringList{"字数不能小于50"}, nothing, 0);
    addRow("split declined", "apart", QStringList{"optType1=1", "txtCode=。"}, "cmdOK", QList<bool>{false},
           QStringList{"您确定将此章节拆分为4个章节吗?"}, nothing, 0);
    addRow("split confirmed", "apart", QStringList{"optType1=1", "txtCode=。"}, "cmdOK", QList<bool>{true},
           QStringList{"您确定将此章节拆分为4个章节吗?"}, nothing, 4);
    addRow("move without a place", "move", nothing, "cmdOK", none, QStringList{"您没有选择具体项"}, nothing,
           0);
    addRow("move to no novel", "move", QStringList{"optType2=1"}, "cmdOK", none,
           QStringList{"您没有选择具体项"}, QStringList{"lstContent="}, 0);
    addRow("copy to the end of a novel", "move", QStringList{"optType0=1", "lstNovel=百分之书"}, "cmdOK",
           none, nothing, nothing, 1);
    addRow("titles holding %", "move", QStringList{"txtContentSearch=%"}, "", none, nothing,
           QStringList{"lstContent=100%完成"}, 0);
    addRow("titles holding _", "move", QStringList{"txtContentSearch=_"}, "", none, nothing,
           QStringList{"lstContent=a_b"}, 0);
    addRow("names holding %", "move", QStringList{"optType2=1", "txtNovelSearch=%"}, "", none, nothing,
           QStringList{"lstNovel=百分%书"}, 0);
    addRow("no volume name", "volume", QStringList{"txtVolume= "}, "cmdOK", none,
           QStringList{"分卷名称不能为空"}, nothing, 0);
    addRow("no volume yet", "volume", nothing, "cmdLast", none, QStringList{"该小说尚未分卷"}, nothing, 0);
}

void TestChapterCommands::dialogs() {
    auto [dialog, fields, button, answers, shown, after, added] =
        fetch<QString, QStringList, QString, QList<bool>, QStringList, QStringList, int>(
            "dialog", "fields", "button", "answers", "shown", "after", "added");
    Shelf shelf(true);
    const int before = shelf.chapterCount();
    const QString engine = dialog.section(u':', 1, -1).replace("{site}", m_site.baseUrl().chopped(1));
    shelf.lib.context().settings().writeIniValue(Settings::kMain, "SearchEngineUrl", engine);
    ChapterEditor editor(shelf.lib.context());
    MessageRecorder messages;
    messages.answers = answers;
    std::unique_ptr<QDialog> window;
    const QString kind = dialog.section(u':', 0, 0);
    if (kind == "new" || kind == "insert" || kind == "edit")
        window = std::make_unique<FrmAddContent>(shelf.lib.context(), editor,
                                                 kind == "new"      ? FrmAddContent::Mode::New
                                                 : kind == "insert" ? FrmAddContent::Mode::Insert
                                                                    : FrmAddContent::Mode::Edit,
                                                 shelf.novel, shelf.ids.first());
    else if (kind == "apart")
        window = std::make_unique<FrmContentApart>(editor, shelf.ids.first());
    else if (kind == "move")
        window = std::make_unique<FrmMoveContent>(shelf.lib.context(), editor, shelf.novel,
                                                  QList<qint64>{shelf.ids.at(1)});
    else
        window = std::make_unique<FrmVolumeSet>(QStringList(), QString(),
                                                [&] { return editor.lastVolume(shelf.novel); });
    window->show();
    fill(*window, fields);
    if (!button.isEmpty())
        click(*window, qPrintable(button));
    if (auto* add = qobject_cast<FrmAddContent*>(window.get()))
        QTRY_VERIFY_WITH_TIMEOUT(!add->isWorking(), 20000);
    QCOMPARE(messages.shown, shown);
    check(*window, after);
    QCOMPARE(shelf.chapterCount(), before + added);
    QCOMPARE(window->result() == QDialog::Accepted, added > 0);
}

void TestChapterCommands::windowCommands_data() {
    // chosen: rows of the list; dialog: filled with fields and confirmed; titles: the list then; current: the
    // chosen row then
    columns<QString, QList<int>, QString, QStringList, QList<bool>, QStringList, QStringList, QString,
            QString>("command", "chosen", "dialog", "fields", "answers", "shown", "titles", "current",
                     "status");
    const QStringList all{"第一章", "第二章", "第三章"};
    const QStringList nothing;
    const QList<bool> none;
    addRow("Del in the list deletes chapters", "mnuDelete", QList<int>{1}, "", nothing, QList<bool>{true},
           QStringList{"您是否确定删除选中的章节吗?"}, QStringList{"第一章", "第三章"}, "第三章",
           "2篇章节,2篇未读");
    addRow("deleting declined", "mnuDelete", QList<int>{0, 2}, "", nothing, QList<bool>{false},
           QStringList{"您是否确定删除选中的章节吗?"}, all, "第一章", "3篇章节,3篇未读");
    addRow("insert before the first", "extInsertContent", QList<int>{0}, "frmAddContent",
           QStringList{"txtTitle=序章"}, none, nothing, QStringList{"序章", "第一章", "第二章", "第三章"},
           "序章", "4篇章节,4篇未读");
    addRow("a new chapter proposed", "extNewContent", QList<int>{}, "frmAddContent", nothing, none, nothing,
           QStringList{"第一章", "第二章", "第三章", "第四章"}, "第四章", "4篇章节,4篇未读");
    addRow("merge", "mnuContentTogether", QList<int>{0, 1}, "", nothing, QList<bool>{true},
           QStringList{"您是否确定合并选中的章节吗?"}, QStringList{"第一章", "第三章"}, "第一章",
           "2篇章节,2篇未读");
    addRow("merge needs two", "mnuContentTogether", QList<int>{0}, "", nothing, none,
           QStringList{"至少选中两个章节进行合并。"}, all, "第一章", "3篇章节,3篇未读");
    addRow("split", "mnuContentApart", QList<int>{0}, "frmContentApart",
           QStringList{"optType1=1", "txtCode=。"}, QList<bool>{true},
           QStringList{"您确定将此章节拆分为4个章节吗?"},
           QStringList{"第一章", "甲", "第一章-2", "第一章-3", "第一章-4", "第二章", "第三章"}, "第一章",
           "7篇章节,7篇未读");
    addRow("down", "mnuDown", QList<int>{0}, "", nothing, none, nothing,
           QStringList{"第二章", "第一章", "第三章"}, "第一章", "3篇章节,3篇未读");
    addRow("up from the top", "mnuUp", QList<int>{0}, "", nothing, none, nothing, all, "第一章",
           "3篇章节,3篇未读");
    addRow("moved before the first", "mnuContentMove", QList<int>{2}, "frmMoveContent",
           QStringList{"lstContent=第一章"}, none, nothing, QStringList{"第三章", "第一章", "第二章"},
           "第三章", "3篇章节,3篇未读");
    // Nothing chosen: the command waits for a chapter.
    addRow("moving nothing", "mnuContentMove", QList<int>{}, "", nothing, none, nothing, all, "",
           "3篇章节,3篇未读");
}

void TestChapterCommands::windowCommands() {
    auto [command, chosen, dialog, fields, answers, shown, titles, current, status] =
        fetch<QString, QList<int>, QString, QStringList, QList<bool>, QStringList, QStringList, QString,
              QString>("command", "chosen", "dialog", "fields", "answers", "shown", "titles", "current",
                       "status");
    Shelf shelf(false);
    MessageRecorder messages;
    messages.answers = answers;
    FrmBook window(shelf.lib.context());
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(window.selectNode("栏目" + shelf.novel));
    window.list()->clearSelection();
    for (int row : chosen) {
        if (row == chosen.first())
            window.list()->setCurrentItem(window.list()->topLevelItem(row));
        window.list()->topLevelItem(row)->setSelected(true);
    }
    window.list()->setFocus();
    QTRY_VERIFY(window.list()->hasFocus());
    bool opened = false;
    if (!dialog.isEmpty())
        whenDialogOpens(dialog, [&](QDialog* d) {
            opened = true;
            fill(*d, fields);
            click(*d, "cmdOK");
        });
    if (chosen.isEmpty() && dialog.isEmpty())
        QVERIFY(!window.findChild<QAction*>(command)->isEnabled());
    else
        trigger(window, qPrintable(command));
    QCOMPARE(opened, !dialog.isEmpty());
    QCOMPARE(messages.shown, shown);
    QCOMPARE(chapterTitles(window), titles);
    QTreeWidgetItem* item = window.list()->currentItem();
    QCOMPARE(item && item->isSelected() ? item->data(1, Qt::UserRole).toString() : QString(), current);
    QCOMPARE(child<QLabel>(window, "lblStatus")->text(), status);
    // The tree's node counts the unread chapters the list shows.
    QCOMPARE(window.tree()->currentItem()->text(0), QString("山河(%1)").arg(titles.size()));
}

// 编辑章节内容 on the chosen chapter: what the editor saves is what the reading view then shows.
void TestChapterCommands::editChapterContent() {
    Shelf shelf(false);
    FrmBook window(shelf.lib.context());
    window.show();
    QVERIFY(window.selectNode("栏目" + shelf.novel));
    window.list()->setCurrentItem(window.list()->topLevelItem(1));
    window.viewNovelContent();
    auto* web = child<QWebEngineView>(window, "Web1");
    QTRY_VERIFY(js(web, "document.body ? document.body.innerText : ''").toString().contains("丁"));
    bool saved = false;
    whenDialogOpens("frmHtmlEdit", [&](QDialog* d) {
        auto* editor = static_cast<FrmHtmlEdit*>(d);
        if (!QTest::qWaitFor([&] { return editor->isDesignReady(); }, 20000))
            return editor->reject();
        child<QWebEngineView>(*editor, "webEdit")
            ->page()
            ->runJavaScript("quiveralEditor.selectAll(); quiveralEditor.insertText('改写后的正文')",
                            QWebEngineScript::ApplicationWorld);
        QTest::qWait(300);
        trigger(*editor, "mnuSave");
        saved = true;
    });
    trigger(window, "extContentEdit");
    QVERIFY(saved);
    QTRY_VERIFY_WITH_TIMEOUT(
        js(web, "document.body ? document.body.innerText : ''").toString().contains("改写后的正文"), 15000);
    QVERIFY(readTextFile(shelf.lib.context().folder().chapterPage(shelf.novel, shelf.ids.at(1)))
                .contains("<!--BookContent Start-->改写后的正文<!--BookContent End-->"));
    QCOMPARE(window.list()->topLevelItem(1)->text(5), QString::number(QString("改写后的正文").size()));
}

QUIVERAL_UI_TEST_MAIN(TestChapterCommands)
#include "tst_chaptercommands.moc"
