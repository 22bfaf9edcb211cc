// The chapter menu's commands on a real library: rows, pages, pictures, and nothing half done.
#include "library/chaptereditor.h"
#include "library/librarylists.h"
#include "renewal/novelfilewriter.h"
#include "storage/novelstore.h"
#include "storage/storedchapterpage.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "text/markers.h"
#include "text/regex.h"

#include <QDir>
#include <QDirIterator>
#include <QSqlQuery>
#include <QTest>

namespace {

// A novel whose chapters have pages "<p>正文<title></p>"; chapter ids follow the titles from 1.
struct Fixture {
    TestLibrary lib;
    QString novel;
    QString other;
    QList<qint64> ids;
    ChapterEditor editor{lib.context()};

    explicit Fixture(const QStringList& titles, const QStringList& otherTitles = {}) {
        novel = lib.addNovel("甲");
        other = lib.addNovel("乙");
        for (const QString& t : titles)
            ids << addChapter(novel, t);
        for (const QString& t : otherTitles)
            ids << addChapter(other, t);
    }
    qint64 addChapter(const QString& novelId, const QString& title) {
        const qint64 id = lib.addChapter(novelId, title, false, "http://site.test/" + title + ".htm");
        NovelFileWriter(lib.context().folder(), lib.context().settings())
            .writeNovelFile(novelId, id, "<p>正文" + title + "</p>", title);
        return id;
    }
    QString page(const QString& novelId, qint64 id) {
        return StoredChapterPage::read(lib.context().folder().chapterPage(novelId, id), QString()).text;
    }
    QString text(const QString& novelId, qint64 id) {
        return getTextBetween(page(novelId, id), kBookContentStart, kBookContentEnd);
    }
    QStringList titles(const QString& novelId) {
        QStringList out;
        for (const ChapterRow& r : LibraryLists::chapters(lib.db(), novelId))
            out << r.title;
        return out;
    }
    QString dir(const QString& novelId) { return lib.context().folder().novelDir(novelId) + '/'; }
    // Every row, the novels' filtered links and every file with its bytes: what a failed command keeps.
    QString snapshot() {
        QString out;
        QSqlQuery q = lib.db().query("SELECT id, NovelID, Title, Displayorder, Volume, WordNums FROM "
                                     "book_novelcontent ORDER BY id");
        while (q.next())
            for (int c = 0; c < 6; ++c)
                out += q.value(c).toString() + (c == 5 ? "\n" : "|");
        out += NovelStore(lib.db()).needDelUrl(novel) + '\n';
        QDirIterator files(lib.context().folder().chmDir(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            out += path + ':' + QString::number(qHash(fileBytes(path))) + '\n';
        }
        QStringList lines = out.split('\n');
        lines.sort();
        return lines.join('\n');
    }
};

QList<qint64> pick(const Fixture& f, const QList<int>& indexes) {
    QList<qint64> out;
    for (const int i : indexes)
        out << (i < 0 ? 999 : f.ids.at(i));
    return out;
}

} // namespace

class TestChapterEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void proposals_data();
    void proposals();
    void addAndEdit_data();
    void addAndEdit();
    void remove_data();
    void remove();
    void merge_data();
    void merge();
    void split_data();
    void split();
    void upDown_data();
    void upDown();
    void moveAndCopy_data();
    void moveAndCopy();
    void lastVolume_data();
    void lastVolume();
    void failedCommandChangesNothing_data();
    void failedCommandChangesNothing();
};

void TestChapterEditor::proposals_data() {
    columns<QStringList, QString, QString>("titles", "proposed", "fallback");
    addRow("no chapters", QStringList{}, "第一章", "新章节1");
    addRow("digits", QStringList{"第8章"}, "第9章", "新章节1");
    addRow("padded digits", QStringList{"第009章"}, "第010章", "新章节1");
    addRow("ninety-nine", QStringList{"第九十八章"}, "第九十九章", "新章节1");
    addRow("with zero", QStringList{"第一百零四章 归来"}, "第一百零五章", "新章节1");
    addRow("one hundred ten", QStringList{"第一百零九章"}, "第一百一十章", "新章节1");
    addRow("ten", QStringList{"第九章"}, "第十章", "新章节1");
    addRow("last possible", QStringList{"第九百九十八章"}, "第九百九十九章", "新章节1");
    addRow("past 999", QStringList{"第九百九十九章"}, "", "新章节1");
    addRow("unit hui", QStringList{"第十五回"}, "第十六回", "新章节1");
    addRow("latest by id", QStringList{"第五章", "番外", "第三章"}, "第四章", "新章节1");
    addRow("not a number", QStringList{"第几章"}, "", "新章节1");
    addRow("thousand", QStringList{"第一千章"}, "", "新章节1");
    addRow("no number title", QStringList{"序言"}, "", "新章节1");
    addRow("new chapters", QStringList{"新章节2", "新章节10x", "新章节"}, "", "新章节3");
}

void TestChapterEditor::proposals() {
    QFETCH(QStringList, titles);
    Fixture f(titles);
    QTEST(f.editor.proposeTitle(f.novel), "proposed");
    QTEST(f.editor.defaultTitle(f.novel), "fallback");
}

void TestChapterEditor::addAndEdit_data() {
    // at: the chapter inserted before or edited, -1: none, 9: unknown
    columns<QString, int, QString, QString, QString, QStringList, QString>("command", "at", "title", "url",
                                                                           "error", "titles", "orders");
    const QString none;
    addRow("append", "add", -1, "C", none, none, QStringList{"A", "B", "C"}, "1,2,3");
    addRow("insert before first", "add", 0, "X", none, none, QStringList{"X", "A", "B"}, "1,2,3");
    addRow("insert before second", "add", 1, "X", none, none, QStringList{"A", "X", "B"}, "1,2,3");
    addRow("address only", "add", -1, "  ", "http://site.test/9.htm", none, QStringList{"A", "B", "新章节1"},
           "1,2,3");
    addRow("nothing given", "add", -1, " ", " ", "请输入章节标题或者章节网址", QStringList{"A", "B"}, "1,2");
    addRow("before unknown", "add", 9, "X", none, "请选择具体项", QStringList{"A", "B"}, "1,2");
    addRow("edit", "edit", 1, "$1<b>&", "http://new.test/", none, QStringList{"A", "$1<b>&"}, "1,2");
    addRow("edit empty title", "edit", 1, "  ", none, "章节标题不能为空", QStringList{"A", "B"}, "1,2");
    addRow("edit unknown", "edit", 9, "X", none, "请选择具体项", QStringList{"A", "B"}, "1,2");
}

void TestChapterEditor::addAndEdit() {
    const auto [command, at, title, url] =
        fetch<QString, int, QString, QString>("command", "at", "title", "url");
    Fixture f({"A", "B"});
    const qint64 id = at < 0 ? 0 : at < f.ids.size() ? f.ids.at(at) : 999;
    const QString before = f.page(f.novel, f.ids.at(1));
    const ChapterEditor::Result r =
        command == "add" ? f.editor.add(f.novel, title, url, id) : f.editor.editProperties(id, title, url);
    QTEST(r.error, "error");
    QTEST(f.titles(f.novel), "titles");
    QTEST(sqliteScalar(f.lib.db().path(), "SELECT group_concat(Displayorder) FROM (SELECT Displayorder FROM "
                                          "book_novelcontent ORDER BY Displayorder)")
              .toString(),
          "orders");
    if (command == "edit" && r.ok()) {
        // The title reaches the page escaped, literally; the text stays.
        const QString page = f.page(f.novel, id);
        QVERIFY2(page.contains("<title>$1&lt;b&gt;&amp;</title>"), qPrintable(page));
        QVERIFY(page.contains("<h1 class=\"title\">$1&lt;b&gt;&amp;</h1>"));
        QCOMPARE(f.text(f.novel, id), QString("<p>正文B</p>"));
        QCOMPARE(f.editor.chapter(id)->comeFrom, url);
    } else if (command == "edit") {
        QCOMPARE(f.page(f.novel, f.ids.at(1)), before);
    }
}

void TestChapterEditor::remove_data() {
    columns<QList<int>, bool, bool, QString, QString>("chosen", "remember", "downloading", "error",
                                                      "needDelUrl");
    const QString kept = "http://old.test/(旧)||";
    addRow("keep addresses", QList<int>{0}, false, false, QString(), kept);
    addRow("remember addresses", QList<int>{0, 2}, true, false, QString(),
           kept + "http://site.test/1.htm(1)||http://site.test/3.htm(3)||");
    addRow("being downloaded", QList<int>{0, 2}, true, true, "当前章节正在下载，不能删除", kept);
    addRow("one unknown", QList<int>{0, -1}, false, false, "请选择具体项", kept);
    addRow("none", QList<int>{}, false, false, "请选择具体项", kept);
}

void TestChapterEditor::remove() {
    const auto [chosen, remember, downloading, error] =
        fetch<QList<int>, bool, bool, QString>("chosen", "remember", "downloading", "error");
    QStringList titles;
    for (int i = 1; i <= 12; ++i)
        titles << QString::number(i);
    Fixture f(titles);
    NovelStore(f.lib.db()).setNeedDelUrl(f.novel, "http://old.test/(旧)||");
    // Pictures of chapter 1 and of chapter 12, whose names begin alike.
    for (const char* name : {"_1_1.jpg", "_1b_1.gif", "_12_1.jpg"})
        QVERIFY(writeFile(f.dir(f.novel) + f.novel + name, "picture"));
    f.editor.setDownloadingNovel([&](const QString& id) { return downloading && id == f.novel; });
    const QString before = f.snapshot();

    const ChapterEditor::Result r = f.editor.remove(pick(f, chosen), remember);
    QCOMPARE(r.error, error);
    QTEST(NovelStore(f.lib.db()).needDelUrl(f.novel), "needDelUrl");
    if (!error.isEmpty()) {
        QCOMPARE(f.snapshot(), before);
        return;
    }
    QCOMPARE(f.titles(f.novel).size(), 12 - chosen.size());
    QVERIFY(!QFile::exists(f.lib.context().folder().chapterPage(f.novel, f.ids.first())));
    QVERIFY(!QFile::exists(f.dir(f.novel) + f.novel + "_1_1.jpg"));
    QVERIFY(!QFile::exists(f.dir(f.novel) + f.novel + "_1b_1.gif"));
    QVERIFY(QFile::exists(f.dir(f.novel) + f.novel + "_12_1.jpg"));
}

void TestChapterEditor::merge_data() {
    columns<bool, QList<int>, QString, QString>("markers", "chosen", "error", "text");
    addRow("with markers", true, QList<int>{0, 2, 1}, QString(), "<p>正文A</p><p>正文C</p><p>正文B</p>");
    addRow("without markers", false, QList<int>{0, 1}, QString(), "<p>甲文</p><p>乙文</p>");
    addRow("one chapter", true, QList<int>{1, 1}, "至少选中两个章节进行合并。", QString());
    addRow("unknown", true, QList<int>{1, -1}, "请选择具体项", QString());
}

void TestChapterEditor::merge() {
    const auto [markers, chosen, error, text] =
        fetch<bool, QList<int>, QString, QString>("markers", "chosen", "error", "text");
    Fixture f({"A", "B", "C"});
    if (!markers) {
        QVERIFY(writeFile(f.lib.context().folder().chapterPage(f.novel, f.ids.at(0)), "<p>甲文</p>"));
        QVERIFY(writeFile(f.lib.context().folder().chapterPage(f.novel, f.ids.at(1)), "<p>乙文</p>"));
    }
    const QString before = f.snapshot();
    const ChapterEditor::Result r = f.editor.merge(pick(f, chosen));
    QCOMPARE(r.error, error);
    if (!error.isEmpty()) {
        QCOMPARE(f.snapshot(), before);
        return;
    }
    const qint64 first = f.ids.at(chosen.first());
    QCOMPARE(f.text(f.novel, first), text);
    QCOMPARE(f.titles(f.novel).size(), 3 - chosen.size() + 1);
    QCOMPARE(sqliteScalar(f.lib.db().path(),
                          QString("SELECT WordNums FROM book_novelcontent WHERE id=%1").arg(first))
                 .toInt(),
             int(text.size()));
    for (const int i : chosen.mid(1))
        QVERIFY(!QFile::exists(f.lib.context().folder().chapterPage(f.novel, f.ids.at(i))));
}

void TestChapterEditor::split_data() {
    // pattern: "" splits by size
    columns<QString, QString, QString, QString, QStringList, QList<int>>("text", "pattern", "size", "error",
                                                                         "titles", "lengths");
    const QString none;
    const QString fifty = QString(50, u'字');
    addRow("match at start", "第1节 甲。文<br>第2节 乙：文", "第\\d节", none, none,
           QStringList{"第1节 甲", "第2节 乙"}, QList<int>{11, 7});
    addRow("text before first match", "引子第1节 甲", "第\\d节", none, none, QStringList{"引子", "第1节 甲"},
           QList<int>{2, 5});
    addRow("indented piece", "&nbsp;&nbsp;序<br>第1节&nbsp;&nbsp;&nbsp;&nbsp;甲&lt;", "第\\d节", none, none,
           QStringList{"序", "第1节"}, QList<int>{17, 32});
    addRow("empty made title", "前言。后记", "。", none, none, QStringList{"前言", "B-2"}, QList<int>{2, 3});
    addRow("no match", "甲乙丙", "丁", none, "没有符合条件的章节", QStringList{}, QList<int>{});
    addRow("only empty matches", "甲乙丙", "x*", none, "没有符合条件的章节", QStringList{}, QList<int>{});
    addRow("bad pattern", "甲乙丙", "(甲", none, regexPatternError("(甲"), QStringList{}, QList<int>{});
    addRow("no pattern", "甲乙丙", "", "", "拆分字符不能为空", QStringList{}, QList<int>{});
    addRow("count 49", fifty, none, "49", "字数不能小于50", QStringList{}, QList<int>{});
    addRow("count not a number", fifty, none, "5O", "字数必须为数字", QStringList{}, QList<int>{});
    addRow("count above length", fifty, none, "51", "字数大于章节总字数", QStringList{}, QList<int>{});
    addRow("count 50", fifty + "尾", none, "50", none, QStringList{"B-1", "B-2"}, QList<int>{50, 1});
    addRow("count inside br", QString(48, u'字') + "<br>" + QString(10, u'字'), none, "50", none,
           QStringList{"B-1", "B-2"}, QList<int>{48, 14});
    addRow("count inside entity", QString(47, u'字') + "&nbsp;" + QString(10, u'字'), none, "50", none,
           QStringList{"B-1", "B-2"}, QList<int>{47, 16});
    addRow("count inside surrogate pair", QString(49, u'字') + QString::fromUtf8("\xF0\xA0\x80\x80") + "尾",
           none, "50", none, QStringList{"B-1", "B-2"}, QList<int>{49, 3});
}

void TestChapterEditor::split() {
    const auto [text, pattern, size, error, titles, lengths] =
        fetch<QString, QString, QString, QString, QStringList, QList<int>>("text", "pattern", "size", "error",
                                                                           "titles", "lengths");
    Fixture f({"A", "B", "C"});
    const qint64 id = f.ids.at(1);
    QVERIFY(writeFile(f.lib.context().folder().chapterPage(f.novel, id), text.toUtf8()));
    const QString before = f.snapshot();
    const ChapterEditor::Split plan =
        size.isEmpty() ? f.editor.planSplitByPattern(id, pattern) : f.editor.planSplitBySize(id, size);
    QCOMPARE(plan.error, error);
    const ChapterEditor::Result r = f.editor.split(plan);
    QCOMPARE(r.error, error);
    if (!error.isEmpty()) {
        QCOMPARE(f.snapshot(), before);
        return;
    }
    QCOMPARE(plan.pieces.join(QString()), text);
    QCOMPARE(f.titles(f.novel), QStringList({"A", "B"}) + titles + QStringList({"C"}));
    QList<int> stored;
    for (const qint64 made : r.ids) {
        stored << sqliteScalar(f.lib.db().path(),
                               QString("SELECT WordNums FROM book_novelcontent WHERE id=%1").arg(made))
                      .toInt();
        QVERIFY(!f.text(f.novel, made).isEmpty());
    }
    QCOMPARE(stored, lengths);
    QCOMPARE(f.text(f.novel, r.ids.first()), plan.pieces.first()); // no surrogate in any first piece
}

void TestChapterEditor::upDown_data() {
    columns<QList<int>, int, bool, bool, QStringList>("orders", "moved", "up", "moves", "titles");
    addRow("down", QList<int>{1, 2, 3}, 0, false, true, QStringList{"B", "A", "C"});
    addRow("up", QList<int>{1, 2, 3}, 2, true, true, QStringList{"A", "C", "B"});
    addRow("tied up", QList<int>{4, 4, 4}, 1, true, true, QStringList{"B", "A", "C"});
    addRow("tied down", QList<int>{1, 7, 7}, 1, false, true, QStringList{"A", "C", "B"});
    addRow("first up", QList<int>{1, 2, 3}, 0, true, false, QStringList{"A", "B", "C"});
    addRow("last down", QList<int>{1, 2, 3}, 2, false, false, QStringList{"A", "B", "C"});
}

void TestChapterEditor::upDown() {
    const auto [orders, moved, up] = fetch<QList<int>, int, bool>("orders", "moved", "up");
    Fixture f({"A", "B", "C"});
    for (int i = 0; i < orders.size(); ++i)
        f.lib.db().exec("UPDATE book_novelcontent SET Displayorder=? WHERE id=?",
                        {orders.at(i), f.ids.at(i)});
    QTEST(
        f.editor.moveOne(f.ids.at(moved), up ? ChapterEditor::Direction::Up : ChapterEditor::Direction::Down),
        "moves");
    QTEST(f.titles(f.novel), "titles");
}

void TestChapterEditor::moveAndCopy_data() {
    // before: -1: the end of the other novel
    columns<QList<int>, int, bool, QStringList, QStringList>("chosen", "before", "copy", "source", "target");
    addRow("within", QList<int>{2, 0}, 1, false, QStringList{"C", "A", "B"}, QStringList{"X", "Y"});
    addRow("within before itself", QList<int>{0}, 0, false, QStringList{"A", "B", "C"},
           QStringList{"X", "Y"});
    addRow("to another", QList<int>{0, 2}, 4, false, QStringList{"B"}, QStringList{"X", "A", "C", "Y"});
    addRow("to the end", QList<int>{1}, -1, false, QStringList{"A", "C"}, QStringList{"X", "Y", "B"});
    addRow("copy", QList<int>{0}, 3, true, QStringList{"A", "B", "C"}, QStringList{"A", "X", "Y"});
}

void TestChapterEditor::moveAndCopy() {
    const auto [chosen, before, copy] = fetch<QList<int>, int, bool>("chosen", "before", "copy");
    Fixture f({"A", "B", "C"}, {"X", "Y"});
    for (const int i : chosen) {
        const QString prefix = f.dir(f.novel) + f.novel + '_' + QString::number(f.ids.at(i));
        QVERIFY(writeFile(prefix + "_1.jpg", "jpg"));
        QVERIFY(writeFile(prefix + "b_1.gif", "gif"));
        const QString name = QFileInfo(prefix).fileName();
        NovelFileWriter(f.lib.context().folder(), f.lib.context().settings())
            .writeNovelFile(f.novel, f.ids.at(i),
                            "<img src=" + name + "_1.jpg><p background=\"" + name + "b_1.gif\">", "T");
    }
    const ChapterEditor::Result r =
        f.editor.move(pick(f, chosen), before < 0 ? 0 : f.ids.at(before), f.other, copy);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QTEST(f.titles(f.novel), "source");
    QTEST(f.titles(f.other), "target");
    QCOMPARE(r.ids.size(), chosen.size());
    for (const qint64 id : r.ids) {
        const QString novel = f.editor.chapter(id)->novelId;
        const QString page = f.page(novel, id);
        // Every picture the page names lies beside it, under this chapter's own name.
        QStringList names;
        for (const RegexMatch& m : regexMatches(page, "(?:src=|background=\")([^ >\"]+)"))
            names << m.captures.at(1);
        QCOMPARE(names.size(), 2);
        for (const QString& name : names) {
            QVERIFY2(name.startsWith(novel + '_' + QString::number(id)), qPrintable(name));
            QVERIFY2(QFile::exists(f.dir(novel) + name), qPrintable(name));
        }
    }
    // A move leaves nothing behind; a copy keeps the originals.
    for (const int i : chosen) {
        const bool stays = copy || f.editor.chapter(f.ids.at(i))->novelId == f.novel;
        QCOMPARE(QFile::exists(f.dir(f.novel) + f.novel + '_' + QString::number(f.ids.at(i)) + "_1.jpg"),
                 stays);
        QCOMPARE(QFile::exists(f.lib.context().folder().chapterPage(f.novel, f.ids.at(i))), stays);
    }
}

void TestChapterEditor::lastVolume_data() {
    // volumes: "<null>" for Null
    columns<QStringList, QString>("volumes", "last");
    addRow("last has one", QStringList{"卷一", "卷二"}, "卷二");
    addRow("past empty", QStringList{"卷一", "", ""}, "卷一");
    addRow("past null", QStringList{"卷一", "<null>"}, "卷一");
    addRow("none", QStringList{"", "<null>"}, "");
}

void TestChapterEditor::lastVolume() {
    QFETCH(QStringList, volumes);
    Fixture f(QStringList(volumes.size(), "章"));
    for (int i = 0; i < volumes.size(); ++i)
        f.lib.db().exec("UPDATE book_novelcontent SET Volume=? WHERE id=?",
                        {volumes.at(i) == "<null>" ? QVariant() : QVariant(volumes.at(i)), f.ids.at(i)});
    QTEST(f.editor.lastVolume(f.novel), "last");
}

void TestChapterEditor::failedCommandChangesNothing_data() {
    columns<QString, QString>("command", "trigger");
    const QString update = "BEFORE UPDATE ON book_novelcontent";
    addRow("merge", "merge", "BEFORE DELETE ON book_novelcontent");
    addRow("delete remembering", "delete", "BEFORE UPDATE ON book_novel");
    addRow("split", "split", "BEFORE INSERT ON book_novelcontent");
    addRow("insert", "insert", "BEFORE INSERT ON book_novelcontent");
    addRow("edit", "edit", update);
    addRow("move to another", "move", "BEFORE UPDATE OF Displayorder ON book_novelcontent");
    addRow("copy", "copy", "BEFORE UPDATE OF Displayorder ON book_novelcontent");
    addRow("up", "up", update);
    addRow("volume", "volume", update);
}

void TestChapterEditor::failedCommandChangesNothing() {
    const auto [command, trigger] = fetch<QString, QString>("command", "trigger");
    Fixture f({"A", "B", "C"}, {"X"});
    QVERIFY(writeFile(f.dir(f.novel) + f.novel + '_' + QString::number(f.ids.at(0)) + "_1.jpg", "jpg"));
    const QString before = f.snapshot();
    QVERIFY(
        f.lib.db().exec("CREATE TRIGGER refuse " + trigger + " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const QList<qint64> ids{f.ids.at(0), f.ids.at(1)};
    bool failed = false;
    if (command == "merge")
        failed = !f.editor.merge(ids).ok();
    else if (command == "delete")
        failed = !f.editor.remove(ids, true).ok();
    else if (command == "split")
        failed = !f.editor.split(f.editor.planSplitByPattern(ids.first(), "文")).ok();
    else if (command == "insert")
        failed = !f.editor.add(f.novel, "新", QString(), ids.first()).ok();
    else if (command == "edit")
        failed = !f.editor.editProperties(ids.first(), "新", QString()).ok();
    else if (command == "move" || command == "copy")
        failed = !f.editor.move(ids, f.ids.at(3), QString(), command == "copy").ok();
    else if (command == "up")
        failed = !f.editor.moveOne(ids.last(), ChapterEditor::Direction::Up);
    else if (command == "volume")
        failed = !f.editor.setVolume(ids, "卷").ok();
    QVERIFY(failed);
    QVERIFY(f.lib.db().exec("DROP TRIGGER refuse"));
    QCOMPARE(f.snapshot(), before);
}

QTEST_GUILESS_MAIN(TestChapterEditor)
#include "tst_chaptereditor.moc"
