// The writing assistant on a large novel, each tree against the bare query it rests on, in the same
// run:
//   the store's tree of 2,000 notes vs. one plain query of the note rows (target <= 3);
//   tvwNovel with 5,000 chapters in 50 volumes vs. one plain query of the chapter rows (target <= 3);
//   tvwBar with 2,000 notes vs. one plain query of the note rows (target <= 3).
#include "ratio.h"
#include "renewal/processtuning.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/librarycontext.h"
#include "storage/novelrecord.h"
#include "storage/novelstore.h"
#include "widgets/memorypages.h"
#include "writer/ui/frmwriter.h"
#include "writer/writerstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kChapters = 5000;
constexpr int kNotes = 2000;

int nodes(QTreeWidget* tree) {
    int n = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MemoryPages::registerScheme();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    LibraryContext library(dir.path());
    QString error;
    if (!library.open(&error))
        qFatal("library: %s", qPrintable(error));
    const Database& db = library.database();

    NovelRecord record;
    record.novelId = NovelStore(db).nextNovelId();
    record.novelName = QStringLiteral("长篇");
    if (!NovelStore(db).insertNovel(record))
        qFatal("no novel");
    const QString novel = record.novelId;

    QList<ChapterRecord> chapters;
    for (int i = 0; i < kChapters; ++i) {
        ChapterRecord c;
        c.novelId = novel;
        c.title = QStringLiteral("第%1章 风起云涌").arg(i + 1);
        c.volume = QStringLiteral("第%1卷").arg(i / 100 + 1);
        c.displayorder = i + 1;
        c.wordNums = 3000;
        chapters << c;
    }
    db.transaction([&] { return ChapterStore(db).insertChapters(chapters).size() == kChapters; });

    // Notes: the four categories, each with sub-categories of 24 notes.
    WriterStore notes(db);
    notes.ensureNovel(novel);
    const QList<WriterNote> top = notes.tree(novel);
    db.transaction([&] {
        int made = int(top.size());
        for (int i = 0; made < kNotes; ++i) {
            WriterNote sub;
            sub.novelId = novel;
            sub.topId = top.at(i % top.size()).id;
            sub.title = QStringLiteral("分组%1").arg(i);
            const qint64 parent = notes.insertNote(sub).id;
            ++made;
            for (int j = 0; j < 24 && made < kNotes; ++j, ++made) {
                WriterNote note;
                note.novelId = novel;
                note.topId = parent;
                note.type = WriterNote::Text;
                note.title = QStringLiteral("笔记%1").arg(j);
                note.remark = QStringLiteral("说明").repeated(20);
                notes.insertNote(note);
            }
        }
        return true;
    });

    const auto bareRows = [&](const QString& sql, int columns) {
        QSqlQuery q = db.query(sql, {novel});
        qsizetype n = 0;
        while (q.next())
            for (int c = 0; c < columns; ++c)
                n += q.value(c).toString().size();
        return n;
    };

    const double treeOurs = best([&] {
        if (notes.tree(novel).size() != kNotes)
            qFatal("the tree lost notes");
    });
    const double treeBare = best([&] {
        bareRows(QStringLiteral("SELECT id, topid, displayorder, Title, iType, url, Remark FROM book_Writer "
                                "WHERE NovelID=? ORDER BY topid, displayorder"),
                 7);
    });
    report("tree of 2,000 notes (store)", treeOurs, treeBare, 3);

    FrmWriter window(library, novel);
    window.show();
    QCoreApplication::processEvents();
    auto* tvwNovel = window.findChild<QTreeWidget*>(QStringLiteral("tvwNovel"));
    auto* tvwBar = window.findChild<QTreeWidget*>(QStringLiteral("tvwBar"));

    const double novelOurs = best([&] {
        window.reloadChapters();
        QCoreApplication::processEvents();
        if (nodes(tvwNovel) != kChapters + kChapters / 100)
            qFatal("the novel tree has %d nodes", nodes(tvwNovel));
    });
    const double novelBare = best([&] {
        bareRows(QStringLiteral("SELECT id, Title, Volume FROM book_novelcontent WHERE NovelID=? "
                                "ORDER BY Displayorder, id"),
                 3);
    });
    report("tvwNovel with 5,000 chapters", novelOurs, novelBare, 3);

    const double barOurs = best([&] {
        window.reloadNotes();
        QCoreApplication::processEvents();
        if (nodes(tvwBar) != kNotes + 1)
            qFatal("the notes tree has %d nodes", nodes(tvwBar));
    });
    const double barBare = best([&] {
        bareRows(QStringLiteral("SELECT id, topid, displayorder, Title, iType, url, Remark FROM book_Writer "
                                "WHERE NovelID=? ORDER BY topid, displayorder"),
                 7);
    });
    report("tvwBar with 2,000 notes", barOurs, barBare, 3);
    return 0;
}
