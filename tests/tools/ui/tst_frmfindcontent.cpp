// The chapter search and replacement window: its controls, the checks before a run, the panels of the
// modes, what it remembers, and runs on a small library (result page, confirmed changes, stopping).
#include "library/ui/readingview.h"
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "tools/findmemory.h"
#include "tools/ui/frmfindcontent.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QWheelEvent>

namespace {

// 山河 with three chapter pages; the third has 月光 only inside a link.
struct Shelf {
    TestLibrary lib;
    QString novel;
    QList<qint64> ids;
    QList<int> selected; // rows chosen in the "main window"
    int current = -1;
    bool hasNovel = true;

    explicit Shelf(int extra = 0) {
        CategoryStore(lib.db()).add("分类");
        novel = lib.addNovel("山河", "01");
        QList<QPair<QString, QString>> chapters = {
            {"第一章 月光", "<p>山间月光如水</p>"},
            {"第二章 日出", "<p>东方日出，霞光万道</p>"},
            {"第三章 夜行", "<p>夜里<a href=\"x.htm\">月光</a>行路</p>"},
        };
        for (int i = 0; i < extra; ++i)
            chapters << qMakePair(QString("附%1").arg(i), QString("<p>月光%1</p>").arg(i));
        const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
        for (const auto& [title, text] : chapters) {
            ids << lib.addChapter(novel, title);
            const QString page = QString(tmpl).replace("[[title]]", title).replace("[[Content]]", text);
            writeFile(pagePath(int(ids.size()) - 1), QStringEncoder("GB18030").encode(page));
        }
    }
    QString pagePath(int row) { return lib.context().folder().chapterPage(novel, ids.at(row)); }
    QString page(int row) { return QStringDecoder("GB18030").decode(fileBytes(pagePath(row))); }
    QString findPage() {
        return QStringDecoder("GB18030").decode(
            fileBytes(lib.context().folder().novelDir(novel) + "/find.htm"));
    }
    QString title(int row) {
        return lib.db().scalar("SELECT Title FROM book_novelcontent WHERE id=?", {ids.at(row)}).toString();
    }

    FindContentSource source() {
        FindContentSource s;
        s.novelId = [this] { return hasNovel ? novel : QString(); };
        s.chapterIds = [this] { return ids; };
        s.selectedIds = [this] {
            QList<qint64> chosen;
            for (int row : selected)
                chosen << ids.at(row);
            return chosen;
        };
        s.currentId = [this] { return current < 0 ? qint64(0) : ids.at(current); };
        return s;
    }
};

void setText(FrmFindContent& w, const char* name, const QString& text) {
    if (auto* line = w.findChild<QLineEdit*>(QLatin1String(name)))
        line->setText(text);
    else
        child<QPlainTextEdit>(w, name)->setPlainText(text);
}

void chooseType(FrmFindContent& w, int type) {
    child<QRadioButton>(w, qPrintable(QString("optType_%1").arg(type)))->click();
}

// Clicks a button that starts a run and waits until the window takes its buttons back.
bool runAndWait(FrmFindContent& w, const char* button) {
    click(w, button);
    return QTest::qWaitFor([&] { return !w.isRunning() && child<QPushButton>(w, "cmdFind")->isEnabled(); },
                           20000);
}

} // namespace

class TestFrmFindContent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void fieldBoxesExclusive_data();
    void fieldBoxesExclusive();
    void panelsFollowType_data();
    void panelsFollowType();
    void refusesBeforeRun_data();
    void refusesBeforeRun();
    void cancelCloses();
    void remembersLastRun();
    void search_data();
    void search();
    void replace_data();
    void replace();
    void stopDuringRun_data();
    void stopDuringRun();
    void zoomedPictureFollowsCtrlWheel_data();
    void zoomedPictureFollowsCtrlWheel();
};

void TestFrmFindContent::init() {
    FindMemory::shared() = FindMemory();
}

void TestFrmFindContent::fieldBoxesExclusive_data() {
    columns<QStringList, QStringList>("clicks", "checked");
    addRow("title then volume", QStringList{"chkTitle", "chkVolume"}, QStringList{"chkVolume"});
    addRow("unchecked again", QStringList{"chkTitle", "chkTitle"}, QStringList{});
    addRow("back to the first", QStringList{"chkTitle", "chkComeFrom", "chkTitle"}, QStringList{"chkTitle"});
}

void TestFrmFindContent::fieldBoxesExclusive() {
    const auto [clicks, checked] = fetch<QStringList, QStringList>("clicks", "checked");
    Shelf shelf;
    FrmFindContent w(shelf.lib.context(), shelf.source());
    for (const QString& name : clicks)
        click(w, qPrintable(name));
    QStringList found;
    for (const char* name : {"chkTitle", "chkVolume", "chkComeFrom"})
        if (child<QCheckBox>(w, name)->isChecked())
            found << name;
    QCOMPARE(found, checked);
}

void TestFrmFindContent::panelsFollowType_data() {
    columns<int, QStringList, QStringList>("type", "shown", "hidden");
    addRow("plain", 0, QStringList{"txtFindText", "txtReplaceText", "chkTitle", "cmdFind", "cmdReplace"},
           QStringList{"txtLeft", "txtRegExp", "cmdOCR"});
    addRow("between", 1, QStringList{"txtLeft", "txtRight", "txtReplText", "cmdFind", "cmdReplace"},
           QStringList{"txtFindText", "chkTitle", "txtRegExp", "cmdOCR"});
    addRow("expression", 2, QStringList{"txtRegExp", "txtReplace", "cmdFind", "cmdReplace"},
           QStringList{"txtFindText", "txtLeft", "cmdDelPic"});
    // The operations run from their own buttons.
    addRow("other", 3, QStringList{"cmdClearContent", "cmdOCR", "cmdAlltoHalf", "chkAll"},
           QStringList{"txtFindText", "txtLeft", "txtRegExp", "cmdFind", "cmdReplace"});
}

void TestFrmFindContent::panelsFollowType() {
    const auto [type, shown, hidden] = fetch<int, QStringList, QStringList>("type", "shown", "hidden");
    Shelf shelf;
    FrmFindContent w(shelf.lib.context(), shelf.source());
    w.show();
    // From another mode first, so that the panel really changes.
    chooseType(w, (type + 1) % 4);
    chooseType(w, type);
    QVERIFY(child<QRadioButton>(w, qPrintable(QString("optType_%1").arg(type)))->isChecked());
    for (const QString& name : shown)
        QVERIFY2(child<QWidget>(w, qPrintable(name))->isVisible(), qPrintable(name));
    for (const QString& name : hidden)
        QVERIFY2(!child<QWidget>(w, qPrintable(name))->isVisible(), qPrintable(name));
}

void TestFrmFindContent::refusesBeforeRun_data() {
    // fields: name=text; message: a prefix of it; focus: "" when no field is to blame
    columns<bool, bool, int, QStringList, bool, QString, QString>("novel", "chapters", "type", "fields",
                                                                  "all", "message", "focus");
    const QStringList findText{"txtFindText=月光"};
    addRow("no novel", false, true, 0, findText, true, "请在左边列表中选择具体小说", "");
    addRow("no chapters", true, false, 0, findText, true, "当前小说没有章节", "");
    addRow("plain without text", true, true, 0, QStringList{}, true, "请输入查找内容", "txtFindText");
    addRow("between without start", true, true, 1, QStringList{"txtRight=b"}, true, "请输入开始内容",
           "txtLeft");
    addRow("between without end", true, true, 1, QStringList{"txtLeft=a"}, true, "请输入结束内容",
           "txtRight");
    addRow("broken pattern", true, true, 2, QStringList{"txtRegExp=(月光"}, true, "正则表达式有误：",
           "txtRegExp");
    // Not "everything" when nothing is chosen.
    addRow("nothing chosen", true, true, 0, findText, false, "请在章节列表中选择章节", "");
}

void TestFrmFindContent::refusesBeforeRun() {
    const auto [novel, chapters, type, fields, all, message, focus] =
        fetch<bool, bool, int, QStringList, bool, QString, QString>("novel", "chapters", "type", "fields",
                                                                    "all", "message", "focus");
    Shelf shelf;
    shelf.hasNovel = novel;
    if (!chapters)
        shelf.ids.clear();
    FrmFindContent w(shelf.lib.context(), shelf.source());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    chooseType(w, type);
    for (const QString& field : fields)
        setText(w, qPrintable(field.section('=', 0, 0)), field.section('=', 1));
    child<QCheckBox>(w, "chkAll")->setChecked(all);
    child<QPushButton>(w, "cmdCancel")->setFocus();
    MessageRecorder messages;
    click(w, "cmdFind");
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY2(messages.last().startsWith(message), qPrintable(messages.last()));
    QCOMPARE(messages.kinds.first(), Messages::Kind::Warning);
    QVERIFY(!w.isRunning());
    QVERIFY(child<QPushButton>(w, "cmdFind")->isEnabled());
    QVERIFY(!QFileInfo::exists(shelf.lib.context().folder().novelDir(shelf.novel) + "/find.htm"));
    if (!focus.isEmpty())
        QCOMPARE(w.focusWidget()->objectName(), focus);
}

void TestFrmFindContent::cancelCloses() {
    Shelf shelf;
    QPointer<FrmFindContent> w = new FrmFindContent(shelf.lib.context(), shelf.source());
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    click(*w, "cmdCancel");
    QTRY_VERIFY(w.isNull());
}

void TestFrmFindContent::remembersLastRun() {
    Shelf shelf;
    {
        FrmFindContent w(shelf.lib.context(), shelf.source());
        setText(w, "txtFindText", "月光");
        setText(w, "txtReplaceText", "星光");
        child<QCheckBox>(w, "chkAll")->setChecked(true);
        QVERIFY(runAndWait(w, "cmdFind"));
    }
    {
        // A window that opened without running leaves the memory alone.
        FrmFindContent w(shelf.lib.context(), shelf.source());
        QCOMPARE(child<QLineEdit>(w, "txtFindText")->text(), QString("月光"));
        QCOMPARE(child<QLineEdit>(w, "txtReplaceText")->text(), QString("星光"));
        QVERIFY(child<QCheckBox>(w, "chkAll")->isChecked());
        setText(w, "txtFindText", "不要记住");
    }
    FrmFindContent again(shelf.lib.context(), shelf.source());
    QCOMPARE(child<QLineEdit>(again, "txtFindText")->text(), QString("月光"));
}

void TestFrmFindContent::search_data() {
    // selected: empty: chkAll
    columns<int, QStringList, QString, QList<int>, QList<int>>("type", "fields", "box", "selected", "hits");
    addRow("plain text, not inside a link", 0, QStringList{"txtFindText=月光"}, "", QList<int>{},
           QList<int>{0});
    addRow("chosen chapters only", 0, QStringList{"txtFindText=第"}, "chkTitle", QList<int>{0, 2},
           QList<int>{0, 2});
    addRow("between", 1, QStringList{"txtLeft=东方", "txtRight=霞光"}, "", QList<int>{}, QList<int>{1});
    addRow("no hit", 0, QStringList{"txtFindText=不存在"}, "", QList<int>{}, QList<int>{});
}

void TestFrmFindContent::search() {
    auto [type, fields, box, selected, hits] =
        fetch<int, QStringList, QString, QList<int>, QList<int>>("type", "fields", "box", "selected", "hits");
    Shelf shelf;
    shelf.selected = selected;
    FrmFindContent w(shelf.lib.context(), shelf.source());
    chooseType(w, type);
    for (const QString& field : fields)
        setText(w, qPrintable(field.section('=', 0, 0)), field.section('=', 1));
    if (!box.isEmpty())
        click(w, qPrintable(box));
    child<QCheckBox>(w, "chkAll")->setChecked(selected.isEmpty());
    QSignalSpy page(&w, &FrmFindContent::resultPageWritten);
    QSignalSpy changed(&w, &FrmFindContent::chaptersChanged);
    MessageRecorder messages;
    QVERIFY(runAndWait(w, "cmdFind"));
    QCOMPARE(messages.shown, QStringList());
    QCOMPARE(page.size(), 1);
    QCOMPARE(QDir::cleanPath(page.first().first().toString()),
             QDir::cleanPath(shelf.lib.context().folder().novelDir(shelf.novel) + "/find.htm"));
    QCOMPARE(changed.size(), 0);
    const QString found = shelf.findPage();
    for (int row = 0; row < shelf.ids.size(); ++row)
        QVERIFY2(found.contains(QString::number(shelf.ids.at(row)) + ".htm") == hits.contains(row),
                 qPrintable(QString("row %1: %2").arg(row).arg(found)));
    QCOMPARE(found.contains("搜索完毕，没有结果可显示。"), hits.isEmpty());
}

void TestFrmFindContent::replace_data() {
    // pageHas: after the run, in that chapter's page; titleIs: after the run, that chapter's title; pages:
    // the pages rewritten; signalled: the chapters said to have changed
    columns<int, QStringList, QString, bool, QString, int, QString, QString, QList<int>, QList<int>>(
        "type", "fields", "box", "yes", "question", "row", "pageHas", "titleIs", "pages", "signalled");
    // Unlike the search, the replacement reaches the text of a link too.
    addRow("plain text", 0, QStringList{"txtFindText=月光", "txtReplaceText=星光"}, "", true,
           "您是否确定将所有章节中的\"月光\"替换为\"星光\"", 0, "山间星光如水", "第一章 月光",
           QList<int>{0, 2}, QList<int>{0, 2});
    addRow("declined", 0, QStringList{"txtFindText=月光", "txtReplaceText=星光"}, "", false,
           "您是否确定将所有章节中的\"月光\"替换为\"星光\"", 0, "山间月光如水", "第一章 月光", QList<int>{},
           QList<int>{});
    addRow("title", 0, QStringList{"txtFindText=日出", "txtReplaceText=日落"}, "chkTitle", true,
           "您是否确定将所有章节标题中的\"日出\"替换为\"日落\"", 1, "第二章 日落", "第二章 日落",
           QList<int>{1}, QList<int>{1});
    addRow("expression with a group", 2, QStringList{"txtRegExp=霞光(万)道", "txtReplace=[$1]"}, "", true,
           "您是否确定将所有符合正则表达式的内容替换为\"[$1]\"", 1, "东方日出，[万]", "第二章 日出",
           QList<int>{1}, QList<int>{1});
}

void TestFrmFindContent::replace() {
    const auto [type, fields, box, yes, question, row, pageHas, titleIs, pages, signalled] =
        fetch<int, QStringList, QString, bool, QString, int, QString, QString, QList<int>, QList<int>>(
            "type", "fields", "box", "yes", "question", "row", "pageHas", "titleIs", "pages", "signalled");
    Shelf shelf;
    QStringList before;
    for (int i = 0; i < shelf.ids.size(); ++i)
        before << shelf.page(i);
    FrmFindContent w(shelf.lib.context(), shelf.source());
    chooseType(w, type);
    for (const QString& field : fields)
        setText(w, qPrintable(field.section('=', 0, 0)), field.section('=', 1));
    if (!box.isEmpty())
        click(w, qPrintable(box));
    child<QCheckBox>(w, "chkAll")->setChecked(true);
    QSignalSpy changed(&w, &FrmFindContent::chaptersChanged);
    QSignalSpy chapter(&w, &FrmFindContent::chapterChanged);
    MessageRecorder messages;
    messages.answers << yes;
    QVERIFY(runAndWait(w, "cmdReplace"));
    QCOMPARE(messages.shown, QStringList{question});
    QVERIFY2(shelf.page(row).contains(pageHas), qPrintable(shelf.page(row)));
    QCOMPARE(shelf.title(row), titleIs);
    QList<int> rewritten;
    for (int i = 0; i < shelf.ids.size(); ++i)
        if (shelf.page(i) != before.at(i))
            rewritten << i;
    QCOMPARE(rewritten, pages);
    QList<int> said;
    for (const QList<QVariant>& args : chapter) {
        QCOMPARE(args.at(0).toString(), shelf.novel);
        said << int(shelf.ids.indexOf(args.at(1).toLongLong()));
    }
    QCOMPARE(said, signalled);
    QCOMPARE(changed.size(), signalled.isEmpty() ? 0 : 1);
    if (!changed.isEmpty())
        QCOMPARE(changed.first().first().toString(), shelf.novel);
}

void TestFrmFindContent::stopDuringRun_data() {
    QTest::addColumn<bool>("closing"); // the window's close box instead of cmdCancel
    addRow("cmdCancel stops, the window stays", false);
    addRow("closing stops, then closes", true);
}

void TestFrmFindContent::stopDuringRun() {
    QFETCH(bool, closing);
    Shelf shelf(40);
    QPointer<FrmFindContent> w = new FrmFindContent(shelf.lib.context(), shelf.source());
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    setText(*w, "txtFindText", "月光");
    setText(*w, "txtReplaceText", "星光");
    child<QCheckBox>(*w, "chkAll")->setChecked(true);
    // The run is asked to stop while its confirmation is open, so it stops before its first chapter.
    QStringList disabledWhileAsked;
    Messages::setHandler([&](Messages::Kind kind, const QString&) {
        if (kind != Messages::Kind::Question)
            return QMessageBox::Ok;
        for (const char* name : {"cmdFind", "cmdReplace", "cmdDelPic", "cmdOCR", "optType"})
            if (!child<QWidget>(*w, name)->isEnabled())
                disabledWhileAsked << name;
        if (closing)
            w->close();
        else
            click(*w, "cmdCancel");
        return QMessageBox::Yes;
    });
    click(*w, "cmdReplace");
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull() || !w->isRunning(), 20000);
    Messages::setHandler({});
    QCOMPARE(disabledWhileAsked, (QStringList{"cmdFind", "cmdReplace", "cmdDelPic", "cmdOCR", "optType"}));
    for (int row = 0; row < shelf.ids.size(); ++row)
        QVERIFY2(!shelf.page(row).contains("星光"), qPrintable(QString::number(row)));
    if (closing) {
        QTRY_VERIFY(w.isNull());
        return;
    }
    QTRY_VERIFY(child<QPushButton>(*w, "cmdReplace")->isEnabled());
    QCOMPARE(child<QLabel>(*w, "lblOp")->text(), QString("已停止"));
    QVERIFY(w->isVisible());
    click(*w, "cmdCancel");
    QTRY_VERIFY(w.isNull());
}

void TestFrmFindContent::zoomedPictureFollowsCtrlWheel_data() {
    // notches: towards the reader
    columns<int, int, QString>("modifiers", "notches", "zoom");
    addRow("ctrl and wheel up shrinks", int(Qt::ControlModifier), 1, "90%");
    addRow("ctrl and wheel down enlarges", int(Qt::ControlModifier), -2, "120%");
    addRow("the wheel alone scrolls", int(Qt::NoModifier), 1, "");
}

void TestFrmFindContent::zoomedPictureFollowsCtrlWheel() {
    const auto [modifiers, notches, zoom] = fetch<int, int, QString>("modifiers", "notches", "zoom");
    Shelf shelf;
    const QString tmpl = readTextFile(shelf.lib.path() + "/model/vbArticle1.htm");
    QImage picture(300, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(shelf.lib.context().folder().novelDir(shelf.novel) + "/a.png"));
    writeTextFile(
        shelf.pagePath(0),
        QString(tmpl).replace("[[title]]", "图").replace("[[Content]]", "<p><img src=\"a.png\"></p>"));
    {
        FrmFindContent w(shelf.lib.context(), shelf.source());
        chooseType(w, 3);
        shelf.selected = {0};
        MessageRecorder messages;
        QVERIFY(runAndWait(w, "cmdPicResize"));
        QCOMPARE(messages.shown, QStringList{"您是否确定将选中章节中图片通过ctrl+鼠标滚轮进行缩放吗？"});
    }
    QVERIFY(shelf.page(0).contains("onmousewheel=\"return imgzoom(this);\""));

    ReadingView view(shelf.lib.path());
    view.resize(800, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.navigate(QUrl::fromLocalFile(shelf.pagePath(0)));
    QVERIFY(shows(&view, QString("/%1.htm").arg(shelf.ids.first())));
    QTRY_VERIFY(js(&view, "document.images[0].complete && document.images[0].naturalWidth > 0").toBool());
    const QVariantList centre =
        js(&view, "(function(){var i=document.images[0];i.scrollIntoView();var r=i.getBoundingClientRect();"
                  "return [r.left+r.width/2,r.top+r.height/2];})()")
            .toList();
    QCOMPARE(centre.size(), 2);
    const QPointF at(centre.at(0).toDouble(), centre.at(1).toDouble());
    QWidget* target = view.focusProxy();
    QVERIFY(target);
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                          Qt::NoButton, Qt::KeyboardModifiers(modifiers), Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        QTest::qWait(100);
    }
    if (zoom.isEmpty()) {
        QTest::qWait(300);
        QCOMPARE(js(&view, "document.images[0].style.zoom").toString(), zoom);
    } else {
        QTRY_COMPARE(js(&view, "document.images[0].style.zoom").toString(), zoom);
    }
}

QUIVERAL_UI_TEST_MAIN(TestFrmFindContent)
#include "tst_frmfindcontent.moc"
