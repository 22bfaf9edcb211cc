// The EPUB export of a 3,000-chapter novel against `zip -X -r` of the very files that export writes,
// in the same run: the ratio is what reading the pages, parsing them into XHTML and building the
// package cost beyond zipping. Target: at most 2. The CHM build of the same novel is timed beside it.
#include "longnovel.h"
#include "output/chmbuildjob.h"
#include "output/chmcompiler.h"
#include "output/epubbuildjob.h"
#include "ratio.h"
#include "renewal/processtuning.h"
#include "storage/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool exportEpub(longnovel::LongNovel& novel, const QString& target, const QString& unpacked = QString()) {
    LibraryContext& context = novel.context();
    EpubBuildJob job(context.database(), context.folder(), context.settings(), novel.novelId());
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.setTargetPath(target);
    job.setUnpackedFolder(unpacked);
    job.runHere();
    if (!job.result().ok)
        std::fprintf(stderr, "export failed: %s\n", qPrintable(job.result().error));
    return job.result().ok;
}

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory(); // the program's memory settings (tunedmain.h)
    QCoreApplication app(argc, argv);
    const QString zip = QStandardPaths::findExecutable(QStringLiteral("zip"));
    if (zip.isEmpty()) {
        std::fprintf(stderr, "zip is not installed\n");
        return 1;
    }
    QTemporaryDir dir;
    longnovel::LongNovel novel(dir.path() + QStringLiteral("/library"));
    novel.writePages();

    // The baseline's files: what the export itself packs, unpacked once.
    const QString unpacked = dir.path() + QStringLiteral("/unpacked");
    if (!exportEpub(novel, dir.path() + QStringLiteral("/first.epub"), unpacked))
        return 1;

    const QString book = dir.path() + QStringLiteral("/book.epub");
    const double ours = best([&] { exportEpub(novel, book); }, {}, 3);
    const QString zipped = dir.path() + QStringLiteral("/zipped.epub");
    const double bare = best(
        [&] {
            QProcess process;
            process.setWorkingDirectory(unpacked);
            process.start(zip,
                          {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-r"), zipped,
                           QStringLiteral("mimetype"), QStringLiteral("META-INF"), QStringLiteral("EPUB")});
            process.waitForFinished(-1);
        },
        [&] { QFile::remove(zipped); }, 3);
    std::printf("%d chapters: book %.1f MB, zip -X -r %.1f MB\n", longnovel::kChapters,
                double(QFileInfo(book).size()) / 1e6, double(QFileInfo(zipped).size()) / 1e6);
    report("EPUB export vs zip -X -r of its files", ours, bare, 2.0);

    // The CHM build beside it, for comparison only (it relinks the pages, so it runs last).
    if (ChmCompiler::findProgram().isEmpty()) {
        std::printf("CHM build: chmcmd (fp-utils) is not installed\n");
        return 0;
    }
    LibraryContext& context = novel.context();
    const double chm = best(
        [&] {
            ChmBuildJob job(context.database(), context.folder(), context.settings(), novel.novelId());
            ScriptedPrompter prompter;
            job.setPrompter(&prompter);
            job.setTargetPath(dir.path() + QStringLiteral("/book.chm"));
            job.runHere();
        },
        [&] { novel.writePages(); }, 1);
    std::printf("CHM build of the same novel: %.3f s (EPUB export %.3f s)\n", chm, ours);
    return 0;
}
