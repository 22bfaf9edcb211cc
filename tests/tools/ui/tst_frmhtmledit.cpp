// The chapter page editor window, offscreen: typing and saving in the design view, the source and
// preview tabs, table commands, pictures, pasting from a word processor, and what it leaves on disk.
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "text/html.h"
#include "tools/ui/frmhtmledit.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTabWidget>
#include <QWebEngineScript>

namespace {

struct Chapter {
    TestLibrary lib;
    QString novel;
    qint64 id = 0;

    explicit Chapter(const QString& content) {
        novel = lib.addNovel("山河", "01");
        id = lib.addChapter(novel, "第一章");
        const QString page = readTextFile(lib.path() + "/model/vbArticle1.htm")
                                 .replace("[[title]]", "第一章")
                                 .replace("[[Content]]", content);
        writeFile(path(), QStringEncoder("GB18030").encode(page));
    }
    QString path() { return lib.context().folder().chapterPage(novel, id); }
    QString folder() { return lib.context().folder().novelDir(novel); }
    QString page() { return QStringDecoder("GB18030").decode(fileBytes(path())); }
    QString content() {
        const QString text = page();
        const BookContentRange range = bookContentRange(text);
        return range.found() ? text.mid(range.start, range.length) : QString();
    }
    qint64 wordNums() {
        return lib.db().scalar("SELECT WordNums FROM book_novelcontent WHERE id=?", {id}, -1).toLongLong();
    }
};

// The editor's script world sees the document; the page's own is switched off.
QVariant editorJs(FrmHtmlEdit& editor, const QString& code) {
    auto* view = child<QWebEngineView>(editor, "webEdit");
    auto answer = std::make_shared<std::pair<QVariant, bool>>();
    view->page()->runJavaScript(code, QWebEngineScript::ApplicationWorld, [answer](const QVariant& v) {
        answer->first = v;
        answer->second = true;
    });
    if (!QTest::qWaitFor([&] { return answer->second; }, 10000))
        qWarning("no answer to %s", qPrintable(code));
    return answer->first;
}

bool openEditor(FrmHtmlEdit& editor) {
    if (!editor.openPage().isEmpty())
        return false;
    editor.show();
    return QTest::qWaitFor([&] { return editor.isDesignReady(); }, 20000);
}

// The caret at the start of the n-th table cell of the design view.
void caretInCell(FrmHtmlEdit& editor, int n) {
    editorJs(editor, QString("(() => { const c = document.querySelectorAll('td')[%1];"
                             "const r = document.createRange(); r.selectNodeContents(c); r.collapse(true);"
                             "const s = getSelection(); s.removeAllRanges(); s.addRange(r); })()")
                         .arg(n));
}

// Rows as "|"-joined lists of cells, each its colSpan and, when more than one row, "x" rowSpan.
QString tableShape(FrmHtmlEdit& editor) {
    return editorJs(editor,
                    "Array.from(document.querySelector('table').rows).map(r => Array.from(r.cells)"
                    ".map(c => c.colSpan + (c.rowSpan > 1 ? 'x' + c.rowSpan : '')).join(',')).join('|')")
        .toString();
}

bool waitClosed(FrmHtmlEdit& editor) {
    return QTest::qWaitFor([&] { return !editor.isVisible(); }, 10000);
}

QStringList folderFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestFrmHtmlEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typeAndSave();
    void exitKeepsPage();
    void tabs();
    void sourceSaveIsExact();
    void tableCommands_data();
    void tableCommands();
    void contextMenu();
    void tableProperties();
    void insertLink_data();
    void insertLink();
    void pageScriptsDoNotRun();
    void insertPicture();
    void pasteFromWordProcessor_data();
    void pasteFromWordProcessor();
    void findInDesign();
    void designOnlyCommands();
    void closedWhileWaiting();
};

void TestFrmHtmlEdit::typeAndSave() {
    Chapter c("<p>旧的正文</p>");
    const QByteArray before = fileBytes(c.path());
    const QStringList files = folderFiles(c.folder());
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    // Select All stays inside the chapter text: deleting it all cannot take the markers.
    trigger(editor, "mnuSelectAll");
    trigger(editor, "mnuDelete");
    auto* view = child<QWebEngineView>(editor, "webEdit");
    editor.activateWindow();
    view->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return view->focusProxy() != nullptr; }));
    QTest::qWait(200);
    QTest::keyClicks(view->focusProxy(), "abc");
    QVERIFY(QTest::qWaitFor(
        [&] { return editorJs(editor, "quiveralEditor.html()").toString().contains("abc"); }));
    QCOMPARE(folderFiles(c.folder()), files); // no work file beside the page
    trigger(editor, "mnuSave");
    QVERIFY(waitClosed(editor));
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QVERIFY2(c.content().contains("abc") && !c.content().contains("旧的正文"), qPrintable(c.content()));
    // Everything outside the markers is as it was, byte for byte.
    const QByteArray after = fileBytes(c.path());
    const QByteArray start = kBookContentStart.toLatin1(), end = kBookContentEnd.toLatin1();
    QCOMPARE(after.left(after.indexOf(start)), before.left(before.indexOf(start)));
    QCOMPARE(after.mid(after.indexOf(end)), before.mid(before.indexOf(end)));
    QCOMPARE(c.wordNums(), qint64(c.content().trimmed().size()));
    QCOMPARE(folderFiles(c.folder()), files);
}

void TestFrmHtmlEdit::exitKeepsPage() {
    Chapter c("<p>旧的正文</p>");
    const QByteArray before = fileBytes(c.path());
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    editorJs(editor, "quiveralEditor.insertText('新加的')");
    trigger(editor, "mnuExit");
    QVERIFY(waitClosed(editor));
    QCOMPARE(editor.result(), int(QDialog::Rejected));
    QCOMPARE(fileBytes(c.path()), before);
}

void TestFrmHtmlEdit::tabs() {
    Chapter c("<p>第一段</p>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    auto* tabs = child<QTabWidget>(editor, "SSTab1");
    auto* source = child<QPlainTextEdit>(editor, "txtContent");
    // An untouched design gives the source back as it was.
    tabs->setCurrentIndex(1);
    QTest::qWait(300);
    QCOMPARE(source->toPlainText(), QString("<p>第一段</p>"));
    QVERIFY(!child<QAction>(editor, "Toolbar2_Bold")->isEnabled());

    source->setPlainText("<p>改过的<i>源代码</i></p>");
    tabs->setCurrentIndex(0);
    QVERIFY(QTest::qWaitFor([&] { return editor.isDesignReady(); }, 20000));
    QVERIFY(child<QAction>(editor, "Toolbar2_Bold")->isEnabled());
    QCOMPARE(editorJs(editor, "document.getElementById('quiveral-edit-area').textContent").toString(),
             QString("改过的源代码"));
    editorJs(editor, "quiveralEditor.selectAll(); quiveralEditor.insertText('设计里写的')");

    tabs->setCurrentIndex(2);
    auto* preview = child<QWebEngineView>(editor, "Web1");
    QVERIFY(QTest::qWaitFor(
        [&] {
            return js(preview, "document.body ? document.body.innerText : ''")
                .toString()
                .contains("设计里写的");
        },
        15000));
    // The preview is the page as it would be saved: title and template around the text.
    QVERIFY(js(preview, "document.body.innerHTML").toString().contains("BookContent Start"));
    tabs->setCurrentIndex(1);
    QVERIFY(source->toPlainText().contains("设计里写的"));
}

void TestFrmHtmlEdit::sourceSaveIsExact() {
    Chapter c("<p>原来的</p>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    child<QTabWidget>(editor, "SSTab1")->setCurrentIndex(1);
    const QString typed = "\n  <P>手写的 <b>源代码</b>&nbsp;</P>\n<br>\n";
    child<QPlainTextEdit>(editor, "txtContent")->setPlainText(typed);
    trigger(editor, "mnuSave");
    QVERIFY(waitClosed(editor));
    QCOMPARE(c.content(), typed);
}

void TestFrmHtmlEdit::tableCommands_data() {
    columns<QString, int, QString, QString>("table", "cell", "command", "shape");
    addRow("merge the last cell does nothing", "<tr><td>a</td><td>b</td></tr>", 1, "extMerge", "1,1");
    addRow("merge takes the next cell's span", "<tr><td>a</td><td colspan=2>b</td></tr>", 0, "extMerge", "3");
    addRow("delete a column under a two-column cell",
           "<tr><td colspan=2>a</td><td>b</td></tr>"
           "<tr><td>c</td><td>d</td><td>e</td></tr>",
           0, "extDelCol", "1,1|1,1");
    addRow("row under a three-column cell", "<tr><td colspan=3>a</td></tr>", 0, "extInRow", "3|1,1,1");
    addRow("delete row", "<tr><td>a</td></tr><tr><td>b</td></tr>", 1, "extDelRow", "1");
    addRow("insert column, short rows get it at their end",
           "<tr><td>a</td><td>b</td></tr><tr><td>c</td></tr>", 1, "extInCol", "1,1,1|1,1");
    addRow("split a wide cell", "<tr><td colspan=2>a</td></tr><tr><td>b</td><td>c</td></tr>", 0, "extSplit",
           "1,1|1,1");
    addRow("split beside a rowSpan widens the other rows only",
           "<tr><td rowspan=2>A</td><td>B</td></tr><tr><td>C</td></tr><tr><td>D</td><td>E</td></tr>", 2,
           "extSplit", "1x2,2|1,1|1,2");
    addRow("split a cell spanning rows keeps its span on the new one",
           "<tr><td rowspan=2>A</td><td>B</td></tr><tr><td>C</td></tr>", 0, "extSplit", "1x2,1x2,1|1");
}

void TestFrmHtmlEdit::tableCommands() {
    const auto [table, cell, command, shape] =
        fetch<QString, int, QString, QString>("table", "cell", "command", "shape");
    Chapter c("<table border=1>" + table + "</table>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    caretInCell(editor, cell);
    trigger(editor, command.toLatin1().constData());
    QTRY_COMPARE(tableShape(editor), shape);
}

// The right-click menu offers the table commands only with the caret in a cell.
void TestFrmHtmlEdit::contextMenu() {
    Chapter c("<p>表前</p><table border=1><tr><td>a</td></tr></table>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    auto* view = child<QWebEngineView>(editor, "webEdit");
    auto* menu = child<QMenu>(editor, "mnuExt");
    for (const bool inCell : {false, true}) {
        if (inCell)
            caretInCell(editor, 0);
        else
            editorJs(editor, "getSelection().collapse(document.querySelector('p').firstChild, 1)");
        Q_EMIT view->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(menu->isVisible());
        for (const char* name : {"extInRow", "extDelRow", "extInCol", "extDelCol", "extMerge", "extSplit"})
            QCOMPARE(child<QAction>(editor, name)->isEnabled(), inCell);
        QVERIFY(child<QAction>(editor, "extPaste")->isEnabled());
        menu->hide();
    }
}

// With the caret in a table the table dialog edits that table instead of inserting one.
void TestFrmHtmlEdit::tableProperties() {
    Chapter c("<table border=1 cellpadding=2 width=50%><tr><td>a</td></tr></table>");
    MessageRecorder messages;
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    caretInCell(editor, 0);
    QString caption, border;
    whenDialogOpens("frmTableInsert", [&](QDialog* dialog) {
        caption = dialog->windowTitle();
        border = child<QLineEdit>(*dialog, "txtBorder")->text();
        child<QLineEdit>(*dialog, "txtBorder")->setText("3");
        click(*dialog, "cmdOK");
    });
    trigger(editor, "mnuInsertTable"); // opens once the page has said where the caret is
    QTRY_COMPARE(caption, QString("表格属性"));
    QCOMPARE(border, QString("1"));
    QTRY_COMPARE(editorJs(editor, "document.querySelector('table').getAttribute('border')").toString(),
                 QString("3"));
    QCOMPARE(editorJs(editor, "document.querySelectorAll('table').length").toInt(), 1);
    // What the table did not have, it still does not have.
    QCOMPARE(editorJs(editor, "document.querySelector('table').hasAttribute('cellspacing')").toBool(), false);
    QCOMPARE(editorJs(editor, "document.querySelector('table').getAttribute('width')").toString(),
             QString("50%"));
    QVERIFY(messages.shown.isEmpty());
}

void TestFrmHtmlEdit::insertLink_data() {
    columns<bool, QString>("selected", "link");
    addRow("on the selected text", true, "<a href=\"http://example.test/a?b=1&amp;c=2\">正文</a>");
    addRow("no selection: the address is the text", false,
           "<a href=\"http://example.test/a?b=1&amp;c=2\">http://example.test/a?b=1&amp;c=2</a>");
}

void TestFrmHtmlEdit::insertLink() {
    const auto [selected, link] = fetch<bool, QString>("selected", "link");
    Chapter c("<p>正文</p>");
    MessageRecorder messages;
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    editorJs(editor, selected ? "quiveralEditor.selectAll()" : "getSelection().removeAllRanges()");
    whenDialogOpens("frmInsertLink", [&](QDialog* dialog) {
        child<QLineEdit>(*dialog, "txtUrl")->setText("http://example.test/a?b=1&c=2");
        click(*dialog, "cmdOK");
    });
    trigger(editor, "mnuLink");
    QTRY_VERIFY_WITH_TIMEOUT(editorJs(editor, "quiveralEditor.html()").toString().contains(link), 5000);
}

void TestFrmHtmlEdit::pageScriptsDoNotRun() {
    Chapter c("<p>原来的字</p><script>document.body.innerHTML = '脚本改写';</script>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    const QString body = editorJs(editor, "document.body.innerText").toString();
    QVERIFY2(body.contains("原来的字") && !body.contains("脚本改写"), qPrintable(body));
}

void TestFrmHtmlEdit::insertPicture() {
    Chapter c("<p>有图</p>");
    QTemporaryDir elsewhere;
    const QString picture = elsewhere.path() + "/我的 图.png";
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));
    MessageRecorder messages;
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    whenDialogOpens("frmInsertImage", [&](QDialog* dialog) {
        child<QLineEdit>(*dialog, "txtImage")->setText(QUrl::fromLocalFile(picture).toString());
        click(*dialog, "cmdOK");
    });
    trigger(editor, "mnuImage");
    const QString copy = QString("%1_%2_1.png").arg(c.novel).arg(c.id);
    QVERIFY(QFileInfo::exists(c.folder() + "/" + copy));
    // Shown from the novel folder, as the reading view will show it.
    QTRY_COMPARE(editorJs(editor, "(() => { const i = document.querySelector('img');"
                                  "return i && i.complete ? i.naturalWidth : 0; })()")
                     .toInt(),
                 8);
    trigger(editor, "mnuSave");
    QVERIFY(waitClosed(editor));
    QVERIFY2(c.content().contains("src=\"" + copy + "\""), qPrintable(c.content()));
    QVERIFY(messages.shown.isEmpty());
}

void TestFrmHtmlEdit::pasteFromWordProcessor_data() {
    QTest::addColumn<bool>("byKey");
    addRow("menu", false);
    addRow("Ctrl+V", true);
}

void TestFrmHtmlEdit::pasteFromWordProcessor() {
    QFETCH(bool, byKey);
    Chapter c("<p>开头</p>");
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    auto* data = new QMimeData;
    data->setHtml(
        "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head><style>p.MsoNormal{mso-style-"
        "parent:\"\";}</style></head><body><!--StartFragment--><p class=MsoNormal style='mso-margin-top-"
        "alt:auto'>贴进来的段落<o:p></o:p></p><!--EndFragment--></body></html>");
    data->setText("贴进来的段落");
    QGuiApplication::clipboard()->setMimeData(data);
    if (byKey) {
        auto* view = child<QWebEngineView>(editor, "webEdit");
        view->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return view->focusProxy() != nullptr; }));
        QTest::keyClick(view->focusProxy(), Qt::Key_V, Qt::ControlModifier);
    } else {
        trigger(editor, "mnuPaste");
    }
    QVERIFY(QTest::qWaitFor(
        [&] { return editorJs(editor, "quiveralEditor.html()").toString().contains("贴进来的段落"); }));
    trigger(editor, "mnuSave");
    QVERIFY(waitClosed(editor));
    const QString content = c.content();
    QVERIFY2(content.contains("贴进来的段落") && !content.contains("mso-", Qt::CaseInsensitive) &&
                 !content.contains("Mso") && !content.contains("<o:p>") && !content.contains("<style"),
             qPrintable(content));
}

// The design view is searched like the source: through tags, whole words, replacements in place.
void TestFrmHtmlEdit::findInDesign() {
    Chapter c("<p>月光<b>如</b>水，moon 月光 moonlight</p>");
    MessageRecorder messages;
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    trigger(editor, "mnuFind");
    auto* find = child<QDialog>(editor, "frmFindReplace");
    const auto selected = [&] { return editorJs(editor, "quiveralEditor.selectedText()").toString(); };
    child<QLineEdit>(*find, "txtFindText")->setText("月光如水");
    click(*find, "cmdFind");
    QTRY_COMPARE(selected(), QString("月光如水"));

    child<QLineEdit>(*find, "txtFindText")->setText("moon");
    child<QCheckBox>(*find, "chkMatchWord")->setChecked(true);
    child<QLineEdit>(*find, "txtReplaceText")->setText("月");
    click(*find, "cmdReplaceAll");
    QTRY_COMPARE(messages.last(), QString("1处文本被替换"));
    QVERIFY(editorJs(editor, "quiveralEditor.html()").toString().contains("月 月光 moonlight"));

    child<QLineEdit>(*find, "txtFindText")->setText("月光");
    child<QLineEdit>(*find, "txtReplaceText")->setText("日光");
    click(*find, "cmdReplaceAll");
    QTRY_COMPARE(messages.last(), QString("2处文本被替换"));
    trigger(editor, "mnuSave");
    QVERIFY(waitClosed(editor));
    QCOMPARE(c.content(), QString("<p>日光<b>如</b>水，月 日光 moonlight</p>"));
}

void TestFrmHtmlEdit::designOnlyCommands() {
    Chapter c("<p>正文</p>");
    MessageRecorder messages;
    FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
    QVERIFY(openEditor(editor));
    child<QTabWidget>(editor, "SSTab1")->setCurrentIndex(1);
    for (const char* name : {"mnuImage", "mnuLink", "mnuInsertTable"}) {
        messages.shown.clear();
        trigger(editor, name);
        QCOMPARE(messages.shown, QStringList{"请在编辑页面进行此项操作"});
    }
}

// Closed before the page answered: what the answer would have started never starts.
void TestFrmHtmlEdit::closedWhileWaiting() {
    Chapter c("<table><tr><td>a</td></tr></table>");
    MessageRecorder messages;
    {
        FrmHtmlEdit editor(c.lib.context(), c.novel, c.id);
        QVERIFY(openEditor(editor));
        caretInCell(editor, 0);
        trigger(editor, "mnuInsertTable");
        trigger(editor, "mnuLink");
    }
    QTest::qWait(500);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible() || !w->inherits("QDialog"), qPrintable(w->objectName()));
    QVERIFY(messages.shown.isEmpty());
}

QUIVERAL_UI_TEST_MAIN(TestFrmHtmlEdit)
#include "tst_frmhtmledit.moc"
