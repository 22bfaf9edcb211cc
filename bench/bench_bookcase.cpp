// The bookcase and the writing assistant's stores on large data, each against the bare query or system
// call it rests on, in the same run:
//   20,000 books listed and found by name vs. reading the rows with one plain query (target <= 3);
//   the file check of 20,000 books vs. a plain stat loop (target <= 1.5);
//   the bookcase window filling its list with the 20,000 books, and one keystroke in its find bar,
//   each until painted, vs. the plain query of those rows (target <= 3).
#include "ratio.h"
#include "bookcase/bookcasecheckjob.h"
#include "bookcase/ui/frmbookcase.h"
#include "renewal/processtuning.h"
#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/librarycontext.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kBooks = 20000;

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    // The window is measured without a screen unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    LibraryContext library(dir.path());
    QString error;
    if (!library.open(&error))
        qFatal("library: %s", qPrintable(error));
    const Database& db = library.database();

    // Books: one file each, every twentieth missing.
    QDir().mkpath(dir.path() + QStringLiteral("/books"));
    BookcaseStore store(db);
    db.transaction([&] {
        for (int i = 0; i < kBooks; ++i) {
            BookcaseEntry entry;
            entry.mc = QStringLiteral("图书%1").arg(i);
            entry.zz = QStringLiteral("作者%1").arg(i % 97);
            entry.wjlj = dir.path() + QStringLiteral("/books/%1.txt").arg(i);
            if (i % 20 != 0) {
                QFile file(entry.wjlj);
                file.open(QIODevice::WriteOnly);
            }
            store.insert(entry);
        }
        return true;
    });

    const auto bareRows = [&](const QString& sql, const QVariantList& params) {
        QSqlQuery q = db.query(sql, params);
        qsizetype n = 0;
        while (q.next())
            for (int c = 0; c < 7; ++c)
                n += q.value(c).toString().size();
        return n;
    };
    const double listOurs = best([&] {
        store.list();
        store.list(QString(), QStringLiteral("图书1"));
    });
    const double listBare = best([&] {
        bareRows(QStringLiteral("SELECT * FROM pri_mynovel ORDER BY id"), {});
        bareRows(QStringLiteral("SELECT * FROM pri_mynovel WHERE MC LIKE ? ORDER BY id"),
                 {QStringLiteral("%图书1%")});
    });
    report("20,000 books listed and found", listOurs, listBare, 3);

    {
        FrmBookCase window(library);
        window.show();
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
        auto* txtFind = window.findChild<QLineEdit*>(QStringLiteral("txtFind"));
        const double fillOurs = best([&] {
            window.reload();
            QCoreApplication::processEvents();
            if (list->topLevelItemCount() != kBooks)
                qFatal("the window listed %d books", list->topLevelItemCount());
        });
        const double fillBare =
            best([&] { bareRows(QStringLiteral("SELECT * FROM pri_mynovel ORDER BY id"), {}); });
        report("window lists 20,000 books", fillOurs, fillBare, 3);

        // "图书" matches every book; the keystroke "1" narrows it to "图书1".
        window.findChild<QAction*>(QStringLiteral("mnuBookFind"))->setChecked(true);
        const double keyOurs = best(
            [&] {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
                QApplication::sendEvent(txtFind, &press);
                QCoreApplication::processEvents();
                if (txtFind->text() != QStringLiteral("图书1") || list->topLevelItemCount() != 11111)
                    qFatal("the find bar listed %d books", list->topLevelItemCount());
            },
            [&] {
                txtFind->setText(QStringLiteral("图书"));
                QCoreApplication::processEvents();
            });
        const double keyBare = best([&] {
            bareRows(QStringLiteral("SELECT * FROM pri_mynovel WHERE MC LIKE ? ORDER BY id"),
                     {QStringLiteral("%图书1%")});
        });
        report("one find keystroke among 20,000 books", keyOurs, keyBare, 3);
    }

    const QList<BookcaseEntry> entries = store.list();
    const double checkOurs = best([&] {
        BookcaseCheckJob job(entries);
        job.runHere();
        if (job.missing().size() != kBooks / 20)
            qFatal("the check found %d missing", int(job.missing().size()));
    });
    const double checkBare = best([&] {
        int missing = 0;
        for (const BookcaseEntry& e : entries)
            missing += QFileInfo::exists(e.wjlj) ? 0 : 1;
        if (missing != kBooks / 20)
            qFatal("stat found %d missing", missing);
    });
    report("file check of 20,000 books", checkOurs, checkBare, 1.5);

    return 0;
}
