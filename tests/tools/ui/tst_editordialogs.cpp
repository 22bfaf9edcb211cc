// The page editor's small dialogs: table, picture and link checks, and find and replace in the source view.
#include "support/rows.h"
#include "support/uitest.h"
#include "tools/findmemory.h"
#include "tools/ui/frmfindreplace.h"
#include "tools/ui/frminsertimage.h"
#include "tools/ui/frminsertlink.h"
#include "tools/ui/frmtableinsert.h"
#include "tools/ui/sourcefindtarget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

// A source view with the find dialog over it.
struct SourceEditor {
    QPlainTextEdit edit;
    SourceFindTarget target{&edit};
    FrmFindReplace dialog{&target};

    explicit SourceEditor(const QString& text) { edit.setPlainText(text); }

    void search(const QString& needle, const QString& replacement = QString(), bool matchCase = false,
                bool wholeWord = false) {
        child<QLineEdit>(dialog, "txtFindText")->setText(needle);
        child<QLineEdit>(dialog, "txtReplaceText")->setText(replacement);
        child<QCheckBox>(dialog, "chkMatchCase")->setChecked(matchCase);
        child<QCheckBox>(dialog, "chkMatchWord")->setChecked(wholeWord);
    }
    int selectionStart() const { return edit.textCursor().selectionStart(); }
    QString selected() const { return edit.textCursor().selectedText(); }
};

// A design view stand-in: it keeps each callback until the test answers.
struct LaterTarget : EditorFindTarget {
    QList<std::function<void(bool)>> found;
    QList<std::function<void(int)>> counted;
    int containsAsked = 0;

    void findNext(const QString&, const TextFinder::Options&, bool, std::function<void(bool)> done) override {
        found << done;
    }
    void contains(const QString&, const TextFinder::Options&, std::function<void(bool)> done) override {
        ++containsAsked;
        found << done;
    }
    void replaceSelection(const QString&, const QString&, const TextFinder::Options&,
                          std::function<void(bool)> done) override {
        found << done;
    }
    void replaceAll(const QString&, const QString&, const TextFinder::Options&,
                    std::function<void(int)> done) override {
        counted << done;
    }
};

bool buttonsEnabled(QDialog& dialog) {
    return child<QPushButton>(dialog, "cmdFind")->isEnabled() &&
           child<QPushButton>(dialog, "cmdReplace")->isEnabled() &&
           child<QPushButton>(dialog, "cmdReplaceAll")->isEnabled();
}

QString focusName(QWidget& window) {
    return window.focusWidget() ? window.focusWidget()->objectName() : QString();
}

} // namespace

class TestEditorDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void tableOk_data();
    void tableOk();
    void tableSizes_data();
    void tableSizes();
    void tableCountSteps_data();
    void tableCountSteps();
    void tableExisting();
    void imageDialog();
    void linkDialog();
    void findMatches_data();
    void findMatches();
    void replaceThenNext_data();
    void replaceThenNext();
    void replaceAll_data();
    void replaceAll();
    void memoryShared();
    void laterAnswers();
};

void TestEditorDialogs::init() {
    FindMemory::shared() = FindMemory();
}

void TestEditorDialogs::tableOk_data() {
    // style: optStyle_<n>; message: "" when the dialog accepts
    columns<QString, QString, int, QString, QString, QString>("rows", "cols", "style", "border", "message",
                                                              "focused");

    addRow("cols zero", "2", "0", 0, "1", "请输入正整数型的列数值", "txtCols");
    addRow("rows checked before cols", "abc", "abc", 0, "1", "请输入正整数型的行数值", "txtRows");
    addRow("border with an attribute", "2", "2", 0, "1 onclick=x", "请输入非负整数型的边框粗细值",
           "txtBorder");
    addRow("100 by 100", "100", "100", 0, "1", "", "");
    addRow("print style ignores the border", "2", "2", 1, "1 onclick=x", "", "");
    addRow("edit style ignores the border", "2", "2", 2, "x", "", "");
    addRow("print style still checks rows", "abc", "2", 1, "1", "请输入正整数型的行数值", "txtRows");
}

void TestEditorDialogs::tableOk() {
    const auto [rows, cols, style, border, message, focused] =
        fetch<QString, QString, int, QString, QString, QString>("rows", "cols", "style", "border", "message",
                                                                "focused");

    MessageRecorder messages;
    FrmTableInsert dialog;
    dialog.show();
    child<QLineEdit>(dialog, "txtRows")->setText(rows);
    child<QLineEdit>(dialog, "txtCols")->setText(cols);
    child<QLineEdit>(dialog, "txtBorder")->setText(border);
    click(dialog, qPrintable(QStringLiteral("optStyle_%1").arg(style)));
    click(dialog, "cmdOK");

    QCOMPARE(messages.last(), message);
    QCOMPARE(dialog.isVisible(), !message.isEmpty());
    QCOMPARE(dialog.result() == QDialog::Accepted, message.isEmpty());
    if (!message.isEmpty())
        QCOMPARE(focusName(dialog), focused);
    // The check is the caller's too: what comes back is what was typed.
    const TableFields fields = dialog.fields();
    QCOMPARE(fields.rows, rows);
    QCOMPARE(fields.cols, cols);
    QCOMPARE(int(fields.style), style);
    QCOMPARE(child<QLineEdit>(dialog, "txtBorder")->isEnabled(), style == 0);
}

void TestEditorDialogs::tableSizes_data() {
    // unit: 0 象素, 1 百分比
    columns<bool, QString, int, QString, QString>("checked", "typed", "unit", "value", "message");

    addRow("pixels", true, "600", 0, "600", "");
    addRow("percent", true, " 50 ", 1, "50%", "");
    addRow("percent typed with its sign", true, "50%", 1, "50%", "");
    addRow("sign typed with pixels", true, "50%", 0, "50%", "");
    addRow("not a number", true, "abc", 1, "abc%", "请输入非负整数型的宽度值");
    addRow("not a number but not asked for", false, "abc", 0, "abc", "");
}

void TestEditorDialogs::tableSizes() {
    const auto [checked, typed, unit, value, message] =
        fetch<bool, QString, int, QString, QString>("checked", "typed", "unit", "value", "message");

    MessageRecorder messages;
    FrmTableInsert dialog;
    dialog.show();
    child<QCheckBox>(dialog, "chkWidth")->setChecked(checked);
    QCOMPARE(child<QLineEdit>(dialog, "txtWidth")->isEnabled(), checked);
    child<QLineEdit>(dialog, "txtWidth")->setText(typed);
    child<QComboBox>(dialog, "cboWidthUnit")->setCurrentIndex(unit);
    click(dialog, "cmdOK");

    QCOMPARE(messages.last(), message);
    QCOMPARE(dialog.fields().useWidth, checked);
    QCOMPARE(dialog.fields().width, value);
    if (!message.isEmpty())
        QCOMPARE(focusName(dialog), QStringLiteral("txtWidth"));
}

void TestEditorDialogs::tableCountSteps_data() {
    columns<QString, QString, QString>("typed", "button", "shown");

    addRow("up", "5", "txtRowsUp", "6");
    addRow("not below one", "1", "txtRowsDown", "1");
    addRow("not above a hundred", "100", "txtRowsUp", "100");
    addRow("back into range", "250", "txtRowsDown", "100");
    addRow("text starts again", "abc", "txtRowsUp", "1");
    addRow("up key", "7", "Up", "8");
    addRow("down key", "7", "Down", "6");
}

void TestEditorDialogs::tableCountSteps() {
    const auto [typed, button, shown] = fetch<QString, QString, QString>("typed", "button", "shown");

    FrmTableInsert dialog;
    auto* rows = child<QLineEdit>(dialog, "txtRows");
    rows->setText(typed);
    if (button.startsWith(QLatin1String("txt")))
        click(dialog, qPrintable(button));
    else
        QTest::keyClick(rows, button == QLatin1String("Up") ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(rows->text(), shown);
    QCOMPARE(child<QLineEdit>(dialog, "txtCols")->text(), QStringLiteral("2"));
}

void TestEditorDialogs::tableExisting() {
    MessageRecorder messages;
    FrmTableInsert dialog;
    TableFields current; // the caller knows nothing of rows and columns
    current.border = QStringLiteral("2");
    current.cellPadding = QStringLiteral("3");
    current.width = QStringLiteral("wide%");
    current.useWidth = true;
    dialog.setExisting(current);
    dialog.show();
    QVERIFY(!child<QLineEdit>(dialog, "txtRows")->isVisible());
    QCOMPARE(child<QComboBox>(dialog, "cboWidthUnit")->currentIndex(), 1);

    click(dialog, "cmdOK");
    QCOMPARE(messages.last(), QStringLiteral("请输入非负整数型的宽度值"));
    QCOMPARE(focusName(dialog), QStringLiteral("txtWidth"));
    child<QLineEdit>(dialog, "txtWidth")->setText(QStringLiteral("95"));
    click(dialog, "cmdOK");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const TableFields fields = dialog.fields();
    QCOMPARE(fields.style, TableFields::Style::Custom);
    QCOMPARE(fields.border, current.border);
    QCOMPARE(fields.cellPadding, current.cellPadding);
    QCOMPARE(fields.width, QStringLiteral("95%"));
}

void TestEditorDialogs::imageDialog() {
    MessageRecorder messages;
    QString picked;
    Messages::setPickHandler([&](Messages::Pick, const QString&, const QString& filter) {
        return filter.contains(QLatin1String("*.png")) ? picked : QStringLiteral("wrong filter");
    });
    FrmInsertImage dialog;
    dialog.show();
    auto* image = child<QLineEdit>(dialog, "txtImage");

    image->setText(QStringLiteral("  "));
    click(dialog, "cmdOK");
    QCOMPARE(messages.last(), QStringLiteral("图片文件路径不能为空"));
    QVERIFY(dialog.isVisible());

    picked = QStringLiteral("/tmp/插图 一.png");
    click(dialog, "cmdBrowse");
    QVERIFY2(image->text().startsWith(QLatin1String("file://")), qPrintable(image->text()));
    QCOMPARE(QUrl(dialog.address()).toLocalFile(), picked);

    const QString chosen = image->text();
    picked.clear(); // cancelled
    click(dialog, "cmdBrowse");
    QCOMPARE(image->text(), chosen);

    click(dialog, "cmdOK");
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    Messages::setPickHandler({});
}

void TestEditorDialogs::linkDialog() {
    MessageRecorder messages;
    FrmInsertLink dialog;
    dialog.show();
    child<QLineEdit>(dialog, "txtUrl")->setText(QStringLiteral(" javascript:alert(1)"));
    click(dialog, "cmdOK");
    QCOMPARE(messages.last(), QStringLiteral("不能插入脚本链接"));
    QVERIFY(dialog.isVisible());
    child<QLineEdit>(dialog, "txtUrl")->setText(QStringLiteral("  http://example.com/第一章.htm "));
    click(dialog, "cmdOK");
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.address(), QStringLiteral("http://example.com/第一章.htm"));
}

void TestEditorDialogs::findMatches_data() {
    // starts: every match selected in turn before the end; message: after the last one; again: the answer to
    // going on from the top
    columns<QString, QString, bool, bool, QList<int>, QString, bool>(
        "text", "needle", "matchCase", "wholeWord", "starts", "message", "again");

    const QString wrap = QStringLiteral("搜索完成，是否要从顶部开始重新搜索？");
    const QString none = QStringLiteral("没有找到匹配字符");
    addRow("any case", "Cat cat CAT", "cat", false, false, QList<int>{0, 4, 8}, wrap, true);
    addRow("match case", "Cat cat CAT", "cat", true, false, QList<int>{4}, wrap, false);
    addRow("whole word Latin", "concat cat cats cat_ CAT", "cat", false, true, QList<int>{7, 21}, wrap,
           false);
    addRow("not there", "月光如水", "日出", false, false, QList<int>{}, none, false);
}

void TestEditorDialogs::findMatches() {
    const auto [text, needle, matchCase, wholeWord, starts, message, again] =
        fetch<QString, QString, bool, bool, QList<int>, QString, bool>(
            "text", "needle", "matchCase", "wholeWord", "starts", "message", "again");

    MessageRecorder messages;
    messages.answers << again;
    SourceEditor editor(text);
    editor.search(needle, QString(), matchCase, wholeWord);
    QList<int> found;
    while (messages.shown.isEmpty() && found.size() <= starts.size()) {
        click(editor.dialog, "cmdFind");
        if (messages.shown.isEmpty())
            found << editor.selectionStart();
    }
    QCOMPARE(found, starts);
    QCOMPARE(messages.shown, QStringList{message});
    // Going on from the top selects the first match again; staying keeps the last.
    QCOMPARE(editor.selectionStart(), again ? starts.value(0) : starts.value(starts.size() - 1));
    QVERIFY(buttonsEnabled(editor.dialog));
    QCOMPARE(editor.edit.toPlainText(), text);
}

void TestEditorDialogs::replaceThenNext_data() {
    // start: the selection before 替换; selected: the next match, selected afterwards
    columns<int, int, QString, QString, int>("start", "length", "replacement", "text", "selected");

    addRow("selected match", 0, 2, "日光", "日光 月光 月光", 3);
    addRow("replacement holding the search text", 3, 2, "月光月光", "月光 月光月光 月光", 8);
    addRow("nothing selected", 0, 0, "日光", "月光 月光 月光", 0);
    addRow("other text selected", 2, 2, "日光", "月光 月光 月光", 6);
    addRow("line break in the replacement", 0, 2, "日\r\n光", "日\n光 月光 月光", 4);
}

void TestEditorDialogs::replaceThenNext() {
    const auto [start, length, replacement, text, selected] =
        fetch<int, int, QString, QString, int>("start", "length", "replacement", "text", "selected");

    const QString original = QStringLiteral("月光 月光 月光");
    MessageRecorder messages;
    SourceEditor editor(original);
    editor.search(QStringLiteral("月光"), replacement);
    QTextCursor cursor = editor.edit.textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    editor.edit.setTextCursor(cursor);
    click(editor.dialog, "cmdReplace");

    QCOMPARE(editor.edit.toPlainText(), text);
    QCOMPARE(editor.selectionStart(), selected);
    QCOMPARE(editor.selected(), QStringLiteral("月光"));
    QVERIFY(messages.shown.isEmpty());
    if (text != original) {
        editor.edit.undo();
        QCOMPARE(editor.edit.toPlainText(), original);
    }
}

void TestEditorDialogs::replaceAll_data() {
    columns<QString, QString, QString, bool, QString, QString>("text", "needle", "replacement", "wholeWord",
                                                               "replaced", "message");

    addRow("two", "月光如水，月光如霜", "月光", "日光", false, "日光如水，日光如霜", "2处文本被替换");
    addRow("none", "月光如水", "日出", "日光", false, "月光如水", "要查找的内容没有找到");
    addRow("never inside what came in", "aa", "a", "aa", false, "aaaa", "2处文本被替换");
    addRow("emptied", "<br><br>x<BR>", "<br>", "", false, "x", "3处文本被替换");
    addRow("line breaks in the replacement keep the places", "一月光\n二月光\n三月光", "月光", "日\r\n光",
           false, "一日\n光\n二日\n光\n三日\n光", "3处文本被替换");
}

void TestEditorDialogs::replaceAll() {
    const auto [text, needle, replacement, wholeWord, replaced, message] =
        fetch<QString, QString, QString, bool, QString, QString>("text", "needle", "replacement", "wholeWord",
                                                                 "replaced", "message");

    MessageRecorder messages;
    SourceEditor editor(text);
    editor.search(needle, replacement, false, wholeWord);
    click(editor.dialog, "cmdReplaceAll");

    QCOMPARE(editor.edit.toPlainText(), replaced);
    QCOMPARE(messages.shown, QStringList{message});
    // One step back undoes them all.
    editor.edit.undo();
    QCOMPARE(editor.edit.toPlainText(), text);
}

void TestEditorDialogs::memoryShared() {
    MessageRecorder messages;
    FindMemory::shared().findText = QStringLiteral("月光");
    FindMemory::shared().replaceText = QStringLiteral("日光");
    SourceEditor editor(QStringLiteral("月光 星光"));
    editor.dialog.show();
    QCOMPARE(child<QLineEdit>(editor.dialog, "txtFindText")->text(), QStringLiteral("月光"));
    QCOMPARE(child<QLineEdit>(editor.dialog, "txtReplaceText")->text(), QStringLiteral("日光"));

    // Each button leaves both texts for the next window, the chapter search's too.
    const QList<QPair<const char*, QString>> steps = {
        {"cmdFind", "星光"}, {"cmdReplace", "光"}, {"cmdReplaceAll", "星"}};
    for (const auto& [button, needle] : steps) {
        editor.search(needle, needle + QStringLiteral("替"));
        click(editor.dialog, button);
        QCOMPARE(FindMemory::shared().findText, needle);
        QCOMPARE(FindMemory::shared().replaceText, needle + QStringLiteral("替"));
    }

    // Nothing to search for: refused, and nothing remembered.
    editor.search(QString(), QStringLiteral("留"));
    click(editor.dialog, "cmdFind");
    QCOMPARE(messages.last(), QStringLiteral("请输入查找内容"));
    QCOMPARE(FindMemory::shared().findText, QStringLiteral("星"));

    // Opened again, it shows what the other window left.
    click(editor.dialog, "cmdCancel");
    QVERIFY(!editor.dialog.isVisible());
    FindMemory::shared().findText = QStringLiteral("别处");
    editor.dialog.show();
    QCOMPARE(child<QLineEdit>(editor.dialog, "txtFindText")->text(), QStringLiteral("别处"));
}

void TestEditorDialogs::laterAnswers() {
    MessageRecorder messages;
    messages.answers << true;
    LaterTarget design;
    FrmFindReplace dialog(&design);
    child<QLineEdit>(dialog, "txtFindText")->setText(QStringLiteral("月光"));

    click(dialog, "cmdFind");
    QCOMPARE(design.found.size(), 1);
    QVERIFY(!buttonsEnabled(dialog));
    design.found.takeFirst()(false); // at the end
    QCOMPARE(design.containsAsked, 1);
    QVERIFY(!buttonsEnabled(dialog));
    design.found.takeFirst()(true); // there is one above
    QCOMPARE(messages.last(), QStringLiteral("搜索完成，是否要从顶部开始重新搜索？"));
    QCOMPARE(design.found.size(), 1); // searching from the top
    QVERIFY(!buttonsEnabled(dialog));
    design.found.takeFirst()(true);
    QVERIFY(buttonsEnabled(dialog));

    click(dialog, "cmdReplaceAll");
    QVERIFY(!buttonsEnabled(dialog));
    design.counted.takeFirst()(3);
    QCOMPARE(messages.last(), QStringLiteral("3处文本被替换"));
    QVERIFY(buttonsEnabled(dialog));

    // The editor switches views while the design view still owes an answer: it no longer counts.
    click(dialog, "cmdFind");
    SourceEditor source(QStringLiteral("星光 月光"));
    dialog.setTarget(&source.target);
    QVERIFY(buttonsEnabled(dialog));
    const int shown = int(messages.shown.size());
    design.found.takeFirst()(false);
    QCOMPARE(design.containsAsked, 1);
    QCOMPARE(messages.shown.size(), shown);
    click(dialog, "cmdFind");
    QCOMPARE(source.selectionStart(), 3);
    QCOMPARE(source.selected(), QStringLiteral("月光"));
    QVERIFY(design.found.isEmpty());
}

QUIVERAL_UI_TEST_MAIN(TestEditorDialogs)
#include "tst_editordialogs.moc"
