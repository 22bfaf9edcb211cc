// A whole CHM build of a 3,000-chapter novel against chmcmd alone on the same project, in the same
// run. The ratio is our overhead: reading the chapters, relinking every page, writing the list,
// contents, index and project, moving the book and registering it. Target: at most 1.5.
#include "longnovel.h"
#include "output/chmbuildjob.h"
#include "output/chmcompiler.h"
#include "output/chmproject.h"
#include "renewal/processtuning.h"
#include "storage/prompter.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using longnovel::kChapters;

class Fixture {
public:
    Fixture()
        : m_novel(m_dir.path()) {
        m_novel.context().settings().setValue(QStringLiteral("NovelChmPath"), m_dir.path());
    }

    void writePages() { m_novel.writePages(); }

    // One whole build; returns its work folder (kept for the compiler-alone run).
    QString build() {
        LibraryContext& context = m_novel.context();
        ChmBuildJob job(context.database(), context.folder(), context.settings(), m_novel.novelId());
        ScriptedPrompter prompter;
        job.setPrompter(&prompter);
        job.setKeepWorkFolder(true);
        job.runHere();
        if (!job.result().ok)
            qFatal("build failed: %s", qPrintable(job.result().error));
        return job.result().workFolder;
    }

private:
    QTemporaryDir m_dir;
    longnovel::LongNovel m_novel;
};

Fixture* g_fixture = nullptr;
double g_wholeSeconds = 0;
double g_aloneSeconds = 0;

double runCompiler(const QString& workFolder) {
    QProcess process;
    process.setWorkingDirectory(workFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(ChmCompiler::findProgram(), {QStringLiteral("--no-html-scan"), ChmProject::kProjectFile});
    process.waitForFinished(-1);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    process.readAll();
    return seconds;
}

// Each round times a whole build on fresh (not yet relinked) pages, then chmcmd alone on the project
// that build left, so that both see the same load of the machine.
void BM_ChmBuild(benchmark::State& state) {
    double whole = 0;
    double alone = 0;
    for (auto _ : state) {
        g_fixture->writePages();
        QElapsedTimer timer;
        timer.start();
        const QString work = g_fixture->build();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        whole += seconds;
        alone += runCompiler(work);
        // Removing the folder removes its links, never what they point to.
        QDir(work).removeRecursively();
    }
    const double rounds = double(state.iterations());
    g_wholeSeconds = whole / rounds;
    g_aloneSeconds = alone / rounds;
    state.counters["chmcmd_alone_s"] = g_aloneSeconds;
    state.counters["ratio"] = g_wholeSeconds / g_aloneSeconds;
}

BENCHMARK(BM_ChmBuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory(); // the program's memory settings (tunedmain.h)
    QCoreApplication app(argc, argv);
    if (ChmCompiler::findProgram().isEmpty()) {
        std::fprintf(stderr, "chmcmd (fp-utils) is not installed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    Fixture fixture;
    g_fixture = &fixture;
    benchmark::RunSpecifiedBenchmarks();
    if (g_aloneSeconds > 0)
        std::printf(
            "\n%d chapters: whole build %.3f s, chmcmd alone %.3f s, overhead ratio %.2f (target <= 1.5)\n",
            kChapters, g_wholeSeconds, g_aloneSeconds, g_wholeSeconds / g_aloneSeconds);
    return 0;
}
