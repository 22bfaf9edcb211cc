// The writing assistant window on a real library, offscreen: the notes tree and its pages, the note
// form's checks, the chapter editor's unsaved text, saving over pictures, new volumes and renames.
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"
#include "text/html.h"
#include "writer/ui/frmwriter.h"
#include "writer/writerchapters.h"
#include "writer/writerstore.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

// A novel of chapters "title/volume" in order, each with a page holding "<title>文", and its window.
struct Desk {
    TestLibrary lib;
    QString novel;
    QHash<QString, qint64> ids;
    std::unique_ptr<FrmWriter> window;

    explicit Desk(const QStringList& chapters = {"一/上卷", "二/上卷", "序"}) {
        novel = lib.addNovel("自写");
        ids = lib.addChapters(novel, chapters);
        for (auto it = ids.cbegin(); it != ids.cend(); ++it)
            WriterChapters(lib.context(), novel).save(it.value(), it.key() + "文");
    }
    FrmWriter& open() {
        window = std::make_unique<FrmWriter>(lib.context(), novel);
        window->show();
        return *window;
    }
    QTreeWidget* bar() { return child<QTreeWidget>(*window, "tvwBar"); }
    QTreeWidget* tree() { return child<QTreeWidget>(*window, "tvwNovel"); }
    QPlainTextEdit* editor() { return child<QPlainTextEdit>(*window, "txtContent"); }
    QWebEngineView* web() { return child<QWebEngineView>(*window, "Web1"); }
    QTreeWidgetItem* node(QTreeWidget* in, const QString& key) {
        for (QTreeWidgetItemIterator it(in); *it; ++it)
            if ((*it)->data(0, FrmWriter::KeyRole).toString() == key)
                return *it;
        return nullptr;
    }
    QTreeWidgetItem* chapter(const QString& title) {
        return node(tree(), "章节" + QString::number(ids.value(title)));
    }
    void select(QTreeWidgetItem* item) {
        child<QTabWidget>(*window, "SSTab1")->setCurrentIndex(1);
        tree()->setCurrentItem(item);
    }
    QString page(const QString& title) {
        return readTextFile(lib.context().folder().chapterPage(novel, ids.value(title)));
    }
    int wordNums(const QString& title) {
        return lib.db()
            .scalar("SELECT WordNums FROM book_novelcontent WHERE id=?", {ids.value(title)})
            .toInt();
    }
    // "title/volume" in list order.
    QStringList layout() {
        QStringList rows;
        QSqlQuery q =
            lib.db().query("SELECT Title, COALESCE(Volume, '') FROM book_novelcontent WHERE NovelID=? "
                           "ORDER BY Displayorder, id",
                           {novel});
        while (q.next())
            rows << q.value(0).toString() +
                        (q.value(1).toString().isEmpty() ? QString() : QString("/" + q.value(1).toString()));
        return rows;
    }
    QString bodyText() { return js(web(), "document.body ? document.body.innerText : ''").toString(); }
    void edit(const QString& typed) {
        editor()->moveCursor(QTextCursor::End);
        editor()->insertPlainText(typed);
    }
};

QStringList texts(const QTreeWidgetItem* parent) {
    QStringList list;
    for (int i = 0; i < parent->childCount(); ++i)
        list << parent->child(i)->text(0);
    return list;
}

} // namespace

class TestFrmWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opens();
    void newNote_data();
    void newNote();
    void noteCommands_data();
    void noteCommands();
    void pictureSource_data();
    void pictureSource();
    void unsavedSwitch_data();
    void unsavedSwitch();
    void saveOverPicture_data();
    void saveOverPicture();
    void newVolume();
    void renameInTree_data();
    void renameInTree();
};

void TestFrmWriter::opens() {
    Desk d;
    for (int round = 0; round < 2; ++round) {
        FrmWriter& w = d.open();
        QCOMPARE(w.windowTitle(), QString("小说写作助手 - 自写"));
        const QTreeWidgetItem* root = d.bar()->topLevelItem(0);
        QCOMPARE(root->data(0, FrmWriter::KeyRole).toString(), QString("栏目"));
        QCOMPARE(texts(root), QStringList({"人物", "图片", "典故", "事件"}));
        QVERIFY(root->child(0)->data(0, FrmWriter::KeyRole).toString().startsWith("分类"));
        QCOMPARE(d.lib.db().scalar("SELECT count(*) FROM book_Writer WHERE NovelID=?", {d.novel}).toInt(), 4);
    }
    // A run of chapters per volume node; those without a volume under "正文".
    QCOMPARE(d.tree()->topLevelItemCount(), 2);
    QCOMPARE(d.tree()->topLevelItem(0)->data(0, FrmWriter::KeyRole).toString(), QString("分卷1"));
    QCOMPARE(texts(d.tree()->topLevelItem(0)), QStringList({"一", "二"}));
    QCOMPARE(d.tree()->topLevelItem(1)->text(0), QString("正文"));
    QVERIFY(d.chapter("序") && d.chapter("序")->parent() == d.tree()->topLevelItem(1));
}

void TestFrmWriter::newNote_data() {
    columns<QString, QString, QString, QString>("type", "name", "url", "message");
    addRow("a text note", "文本", "大纲", "", "");
    addRow("a link without address", "链接", "资料", " ", "地址不能为空");
    addRow("a picture without address", "图片", "地图", "", "地址不能为空");
    addRow("no name", "文本", " ", "x", "名称不能为空");
}

void TestFrmWriter::newNote() {
    const auto [type, name, url, message] =
        fetch<QString, QString, QString, QString>("type", "name", "url", "message");
    Desk d;
    FrmWriter& w = d.open();
    MessageRecorder messages;
    d.bar()->setCurrentItem(d.bar()->topLevelItem(0)->child(0)); // 人物
    bool stayed = false;
    whenDialogOpens("frmAddWriter", [&](QDialog* dialog) {
        child<QComboBox>(*dialog, "cboiType")->setCurrentText(type);
        child<QLineEdit>(*dialog, "txtName")->setText(name);
        child<QLineEdit>(*dialog, "txtUrl")->setText(url);
        child<QPlainTextEdit>(*dialog, "txtRemark")->setPlainText("第一幕<主角>\n第二幕");
        click(*dialog, "cmdOK");
        // A refused form keeps what was typed.
        stayed = dialog->isVisible() && child<QLineEdit>(*dialog, "txtName")->text() == name;
        if (dialog->isVisible())
            click(*dialog, "cmdCancel");
    });
    trigger(w, "mnuNew");
    const int notes =
        d.lib.db().scalar("SELECT count(*) FROM book_Writer WHERE NovelID=?", {d.novel}).toInt();
    if (!message.isEmpty()) {
        QCOMPARE(messages.shown, QStringList{message});
        QVERIFY(stayed);
        QCOMPARE(notes, 4);
        return;
    }
    QCOMPARE(notes, 5);
    const QTreeWidgetItem* item = d.bar()->currentItem();
    QCOMPARE(item->text(0), name);
    QCOMPARE(item->parent()->text(0), QString("人物"));
    QVERIFY(item->data(0, FrmWriter::KeyRole).toString().startsWith(type));
    QTRY_COMPARE_WITH_TIMEOUT(d.bodyText(), QString("第一幕<主角>\n第二幕"), 15000);
    QVERIFY(!d.editor()->isVisible());
}

void TestFrmWriter::noteCommands_data() {
    columns<QString, QString, bool, QString, QStringList, int>("command", "select", "answer", "message",
                                                               "top", "count");
    const QStringList four{"人物", "图片", "典故", "事件"};
    addRow("up", "mnuUp", "图片", true, "", QStringList{"图片", "人物", "典故", "事件"}, 6);
    addRow("down at the end", "mnuDown", "事件", true, "", four, 6);
    addRow("delete a category at every depth", "mnuDelete", "人物", true,
           "是否将此分类及其下的所有项都删除？", QStringList{"图片", "典故", "事件"}, 3);
    addRow("delete declined", "mnuDelete", "人物", false, "是否将此分类及其下的所有项都删除？", four, 6);
    addRow("delete without a note", "mnuDelete", "", true, "请选择具体的辅助", four, 6);
}

void TestFrmWriter::noteCommands() {
    const auto [command, select, answer, message, top, count] =
        fetch<QString, QString, bool, QString, QStringList, int>("command", "select", "answer", "message",
                                                                 "top", "count");
    Desk d;
    WriterStore store(d.lib.db());
    QVERIFY(store.ensureNovel(d.novel));
    WriterNote sub;
    sub.novelId = d.novel;
    sub.topId = store.tree(d.novel).first().id; // 人物
    sub.title = "配角";
    WriterNote note = sub;
    note.topId = store.insertNote(sub).id;
    note.type = WriterNote::Text;
    note.title = "甲";
    QVERIFY(store.insertNote(note).ok());
    FrmWriter& w = d.open();
    MessageRecorder messages;
    messages.answers = {answer};
    QTreeWidgetItem* root = d.bar()->topLevelItem(0);
    d.bar()->setCurrentItem(select.isEmpty() ? root : root->child(texts(root).indexOf(select)));
    trigger(w, command.toLatin1().constData());
    QCOMPARE(messages.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(texts(root), top);
    QStringList stored;
    for (const WriterNote& n : store.tree(d.novel))
        if (n.depth == 0)
            stored << n.title;
    QCOMPARE(stored, top);
    QCOMPARE(d.lib.db().scalar("SELECT count(*) FROM book_Writer WHERE NovelID=?", {d.novel}).toInt(), count);
}

void TestFrmWriter::pictureSource_data() {
    columns<QString, bool>("name", "exists");
    // A name no file has stays as typed: the page must keep it one attribute.
    addRow("quote and bracket, no file", "a\"b<c>.jpg", false);
    addRow("quote in a file's name", "p\"1.png", true);
}

void TestFrmWriter::pictureSource() {
    const auto [name, exists] = fetch<QString, bool>("name", "exists");
    Desk d;
    const QString path = d.lib.context().folder().novelDir(d.novel) + "/" + name;
    if (exists) {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path, "PNG"));
    }
    WriterStore store(d.lib.db());
    QVERIFY(store.ensureNovel(d.novel));
    WriterNote note;
    note.novelId = d.novel;
    note.title = "地图";
    note.type = WriterNote::Picture;
    note.url = exists ? path : name;
    note.remark = "全图";
    const qint64 id = store.insertNote(note).id;
    QVERIFY(id > 0);
    d.open();
    d.bar()->setCurrentItem(d.node(d.bar(), "图片" + QString::number(id)));
    QTRY_COMPARE_WITH_TIMEOUT(js(d.web(), "document.images.length").toInt(), 1, 15000);
    const QString expected = exists ? QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) : name;
    QCOMPARE(js(d.web(), "document.images[0].getAttribute('src')").toString(), expected);
    QCOMPARE(d.bodyText().trimmed(), QString("全图"));
    if (exists)
        QTRY_COMPARE_WITH_TIMEOUT(js(d.web(), "document.images[0].naturalWidth").toInt(), 4, 15000);
}

void TestFrmWriter::unsavedSwitch_data() {
    columns<QMessageBox::StandardButton, QString, int, bool>("button", "stored", "wordNums", "stays");
    addRow("Yes saves", QMessageBox::Yes, "一文加", 3, false);
    addRow("No discards", QMessageBox::No, "一文", 2, false);
    addRow("Cancel stays", QMessageBox::Cancel, "一文", 2, true);
}

void TestFrmWriter::unsavedSwitch() {
    const auto [button, stored, wordNums, stays] =
        fetch<QMessageBox::StandardButton, QString, int, bool>("button", "stored", "wordNums", "stays");
    Desk d;
    d.open();
    MessageRecorder messages;
    d.select(d.chapter("一"));
    QCOMPARE(d.editor()->toPlainText(), QString("一文"));
    QVERIFY(d.editor()->isVisible());
    d.edit("加");
    messages.buttons = {button};
    d.select(d.chapter("二"));
    QCOMPARE(messages.shown, QStringList{"本章内容已修改，是否保存？"});
    QCOMPARE(WriterChapters(d.lib.context(), d.novel).text(d.ids.value("一")), stored);
    QCOMPARE(d.wordNums("一"), wordNums);
    if (stays) {
        QTRY_COMPARE(d.tree()->currentItem(), d.chapter("一"));
        QCOMPARE(d.editor()->toPlainText(), QString("一文加"));
        // Still unsaved: closing asks again.
        messages.buttons = {QMessageBox::Cancel};
        QVERIFY(!d.window->close());
    } else {
        QCOMPARE(d.editor()->toPlainText(), QString("二文"));
    }
}

void TestFrmWriter::saveOverPicture_data() {
    columns<bool>("answer");
    addRow("No keeps the page", false);
    addRow("Yes writes the text", true);
}

void TestFrmWriter::saveOverPicture() {
    QFETCH(bool, answer);
    Desk d;
    const QString path = d.lib.context().folder().chapterPage(d.novel, d.ids.value("一"));
    QVERIFY(writeTextFile(path, "<html><body>" + kBookContentStart + "<p>图<IMG src=\"1.jpg\"></p>" +
                                    kBookContentEnd + "</body></html>"));
    const QByteArray before = fileBytes(path);
    FrmWriter& w = d.open();
    MessageRecorder messages;
    d.select(d.tree()->topLevelItem(0));
    trigger(w, "mnuSave");
    QCOMPARE(messages.last(), QString("请选择具体的章节"));
    d.select(d.chapter("一"));
    d.edit("字");
    messages.answers = {answer};
    trigger(w, "mnuSave");
    QCOMPARE(messages.last(), QString("保存后本章中的图片和表格将丢失，是否继续？"));
    QCOMPARE(fileBytes(path) == before, !answer);
    QCOMPARE(d.editor()->document()->isModified(), !answer);
    QCOMPARE(d.page("一").contains("图字"), answer);
}

void TestFrmWriter::newVolume() {
    Desk d;
    FrmWriter& w = d.open();
    QSignalSpy changed(&w, &FrmWriter::chaptersChanged);
    trigger(w, "mnuNewVolume");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(d.layout(), QStringList({"一/上卷", "二/上卷", "序", "新章节1/新分卷1"}));
    QTreeWidgetItem* volume = d.tree()->topLevelItem(d.tree()->topLevelItemCount() - 1);
    QCOMPARE(volume->text(0), QString("新分卷1"));
    QCOMPARE(texts(volume), QStringList{"新章节1"});
    QCOMPARE(d.tree()->currentItem(), volume->child(0));
    QVERIFY(d.editor()->isVisible());
    const QString list = readTextFile(d.lib.context().folder().novelListPage(d.novel));
    QVERIFY2(list.contains("新分卷1") && list.contains("新章节1"), qPrintable(list));
    // A new chapter after the selected one, in its volume.
    d.select(d.chapter("一"));
    trigger(w, "mnuNewContent");
    QCOMPARE(d.layout(), QStringList({"一/上卷", "新章节2/上卷", "二/上卷", "序", "新章节1/新分卷1"}));
    QCOMPARE(d.tree()->currentItem()->text(0), QString("新章节2"));
    QCOMPARE(d.tree()->currentItem()->parent(), d.tree()->topLevelItem(0));
}

void TestFrmWriter::renameInTree_data() {
    columns<QString, QString, QStringList, QString>("key", "name", "layout", "message");
    addRow("a volume", "分卷1", "首卷", QStringList{"一/首卷", "二/首卷", "序"}, "");
    addRow("the main text", "分卷2", "尾声", QStringList{"一/上卷", "二/上卷", "序/尾声"}, "");
    addRow("an empty volume name", "分卷1", " ", QStringList{"一/上卷", "二/上卷", "序"}, "分卷名称不能为空");
    addRow("a chapter", "一", "第一回", QStringList{"第一回/上卷", "二/上卷", "序"}, "");
}

void TestFrmWriter::renameInTree() {
    const auto [key, name, layout, message] =
        fetch<QString, QString, QStringList, QString>("key", "name", "layout", "message");
    Desk d;
    d.open();
    MessageRecorder messages;
    QTreeWidgetItem* item = key.startsWith("分卷") ? d.node(d.tree(), key) : d.chapter(key);
    const QString before = item->text(0);
    item->setText(0, name); // what the tree's label editor commits
    QCOMPARE(d.layout(), layout);
    QCOMPARE(messages.shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(item->text(0), message.isEmpty() ? name : before);
    const QString list = readTextFile(d.lib.context().folder().novelListPage(d.novel));
    QVERIFY2(!message.isEmpty() || list.contains(name), qPrintable(list));
}

QUIVERAL_UI_TEST_MAIN(TestFrmWriter)
#include "tst_frmwriter.moc"
