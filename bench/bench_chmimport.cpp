// Importing the e-book of a 3,000-chapter novel made by the program against unpacking the same book
// with chmlib's own extract_chmLib, in the same run. Our import reads the book, decodes, relinks and
// re-encodes every page and stores the rows; the baseline only writes the files out. Target: at most 2.
#include "addnovel/bookimportjobs.h"
#include "longnovel.h"
#include "output/chmbuildjob.h"
#include "output/chmcompiler.h"
#include "ratio.h"
#include "storage/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString extract = QStandardPaths::findExecutable(QStringLiteral("extract_chmLib"));
    if (ChmCompiler::findProgram().isEmpty() || extract.isEmpty()) {
        std::fprintf(stderr, "chmcmd (fp-utils) and extract_chmLib (libchm-bin) are needed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("long.chm"));
    {
        longnovel::LongNovel novel(dir.filePath(QStringLiteral("source")));
        novel.writePages();
        LibraryContext& context = novel.context();
        ChmBuildJob job(context.database(), context.folder(), context.settings(), novel.novelId());
        ScriptedPrompter prompter;
        job.setPrompter(&prompter);
        job.setTargetPath(book);
        job.runHere();
        if (!job.result().ok)
            qFatal("build failed: %s", qPrintable(job.result().error));
    }

    int round = 0;
    std::unique_ptr<LibraryContext> library;
    const double ours = best(
        [&] {
            ChmImportJob job(*library, book, QString());
            job.runHere();
            if (!job.result().ok())
                qFatal("import failed: %s", qPrintable(job.result().error));
        },
        [&] {
            library.reset();
            const QString folder = dir.filePath(QStringLiteral("import%1").arg(++round));
            library = std::make_unique<LibraryContext>(folder);
            QString error;
            if (!library->open(&error))
                qFatal("%s", qPrintable(error));
        },
        3);
    const double bare = best(
        [&] {
            QProcess process;
            process.start(extract, {book, dir.filePath(QStringLiteral("extract%1").arg(++round))});
            process.waitForFinished(-1);
        },
        {}, 3);
    std::printf("%d chapters, book of %lld bytes\n", longnovel::kChapters, QFileInfo(book).size());
    report("import of the e-book vs extract_chmLib", ours, bare, 2.0);
    return 0;
}
