// quiveral-cli notes as a user runs it: output, exit codes and what is stored afterwards.
#include "support/notestree.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "writer/writerstore.h"

#include <QDir>
#include <QTest>

class TestCliNotes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data() {
        columns<QStringList, int, QString, QString, QString>("args", "exitCode", "out", "err", "after");
        const QString before = "人物(主角(张三)),图片,典故,事件";
        addRow("list", QStringList{"000001", "list"}, 0,
               "1\t分类\t人物\n  9\t分类\t主角\n    "
               "10\t文本\t张三\n2\t分类\t图片\n3\t分类\t典故\n4\t分类\t事件\n",
               "", before);
        addRow("list of a novel that is not there", QStringList{"000009", "list"}, 1, "",
               "没有这本小说：000009", before);
        addRow("add a text beside a text",
               QStringList{"000001", "add", "--type", "文本", "--title", "李四", "--parent", "10"}, 0,
               "11\t9\t2\n", "", "人物(主角(张三,李四)),图片,典故,事件");
        addRow("add a link at the top",
               QStringList{"000001", "add", "--type", "链接", "--title", "网站", "--url", "http://a.test/"},
               0, "11\t0\t5\n", "", before + ",网站");
        addRow("add a link without address",
               QStringList{"000001", "add", "--type", "链接", "--title", "网站"}, 1, "", "地址不能为空",
               before);
        addRow("add with an unknown type", QStringList{"000001", "add", "--type", "音乐", "--title", "歌"}, 2,
               "", "类型无效：音乐", before);
        addRow("add without a type", QStringList{"000001", "add", "--title", "歌"}, 2, "", "用法", before);
        addRow("add under the other novel's note",
               QStringList{"000001", "add", "--type", "文本", "--title", "歌", "--parent", "5"}, 1, "",
               "没有这个辅助：5", before);
        addRow("copy a link",
               QStringList{"000001", "add", "--type", "链接", "--title", "网", "--url", "u", "--copy"}, 2, "",
               "只有图片", before);
        addRow("edit a title", QStringList{"000001", "edit", "10", "--title", "张三丰"}, 0, "10\t9\t1\n", "",
               "人物(主角(张三丰)),图片,典故,事件");
        addRow("edit nothing", QStringList{"000001", "edit", "10"}, 2, "", "用法", before);
        addRow("edit the other novel's note", QStringList{"000001", "edit", "5", "--title", "x"}, 1, "",
               "没有这个辅助：5", before);
        addRow("edit a bad id", QStringList{"000001", "edit", "x1", "--title", "x"}, 2, "",
               "辅助编号无效：x1", before);
        addRow("delete a category unconfirmed", QStringList{"000001", "delete", "9"}, 1, "",
               "是否将此分类及其下的所有项都删除？", before);
        addRow("delete a text unconfirmed", QStringList{"000001", "delete", "10"}, 1, "", "是否将此项删除？",
               before);
        addRow("delete a top category", QStringList{"000001", "delete", "1", "--yes"}, 0, "1\n9\n10\n", "",
               "图片,典故,事件");
        addRow("move into its own child", QStringList{"000001", "move", "1", "--to", "9"}, 1, "",
               "不能移到它自己或它下面的分类中", before);
        addRow("move to the top", QStringList{"000001", "move", "10", "--to", "0"}, 0, "10\t0\t5\n", "",
               "人物(主角),图片,典故,事件,张三");
        addRow("move into a category", QStringList{"000001", "move", "9", "--to", "4"}, 0, "9\t4\t1\n", "",
               "人物,图片,典故,事件(主角(张三))");
        addRow("first up stays", QStringList{"000001", "move", "1", "--up"}, 0, "1\t0\t1\n", "", before);
        addRow("up", QStringList{"000001", "move", "3", "--up"}, 0, "3\t0\t2\n", "",
               "人物(主角(张三)),典故,图片,事件");
        addRow("move two ways", QStringList{"000001", "move", "3", "--up", "--down"}, 2, "", "用法", before);
        addRow("unknown verb", QStringList{"000001", "rename", "3"}, 2, "", "用法", before);
    }

    void commands() {
        const auto [args, exitCode, out, err, after] =
            fetch<QStringList, int, QString, QString, QString>("args", "exitCode", "out", "err", "after");
        // Novel 000001 with notes 1-4 (the categories), 9 主角 under 人物 and 10 张三 under 主角; 000002 with
        // 5-8.
        TestLibrary lib;
        WriterStore store(lib.db());
        for (const QString& novel : {lib.addNovel("甲"), lib.addNovel("乙")})
            store.ensureNovel(novel);
        WriterNote n;
        n.novelId = "000001";
        n.topId = 1;
        n.title = "主角";
        n.topId = store.insertNote(n).id;
        n.title = "张三";
        n.type = WriterNote::Text;
        store.insertNote(n);

        const ProcessResult r = runCli(QStringList{"--library", lib.path(), "notes"} + args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
        QCOMPARE(renderNotes(store.tree("000001")), after);
        QCOMPARE(renderNotes(store.tree("000002")), QStringLiteral("人物,图片,典故,事件"));
    }

    // A novel without notes gets its four categories once; copied pictures get names of their own.
    void freshNovel() {
        TestLibrary lib;
        const QString novel = lib.addNovel("甲");
        for (int i = 0; i < 2; ++i) {
            const ProcessResult r = runCli({"--library", lib.path(), "--json", "notes", novel, "list"});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(r.out.count("\"type\": \"分类\"") == 4, qPrintable(r.out));
        }
        const QString source = lib.path() + "/in/pic";
        QVERIFY(writeFile(source, "picture"));
        for (int i = 0; i < 2; ++i)
            QCOMPARE(runCli({"--library", lib.path(), "notes", novel, "add", "--type", "图片", "--title",
                             "图", "--parent", "2", "--url", source, "--copy"})
                         .exitCode,
                     0);
        const QList<WriterNote> notes = WriterStore(lib.db()).tree(novel);
        QCOMPARE(renderNotes(notes), QStringLiteral("人物,图片(图,图),典故,事件"));
        QVERIFY(notes.at(2).url != notes.at(3).url);
        for (const WriterNote& n : notes.mid(2, 2)) {
            QCOMPARE(QFileInfo(n.url).absolutePath(), lib.context().folder().novelDir(novel));
            QVERIFY2(n.url.endsWith(".jpg"), qPrintable(n.url));
            QCOMPARE(fileBytes(n.url), QByteArray("picture"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliNotes)
#include "tst_cli_notes.moc"
