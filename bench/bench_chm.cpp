// A whole CHM build of a 3,000-chapter novel against chmcmd alone on the same project, in the same
// run. The ratio is our overhead: reading the chapters, relinking every page, writing the list,
// contents, index and project, moving the book and registering it. Target: at most 1.5.
#include "renewal/processtuning.h"
#include "output/chmbuildjob.h"
#include "output/chmcompiler.h"
#include "output/chmproject.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kChapters = 3000;
constexpr int kVolumes = 30;

const QStringList kSentences = {
    QStringLiteral("萧炎抬起头，看着天空中缓缓飘落的雪花，心中却是一片平静。"),
    QStringLiteral("“三十年河东，三十年河西，莫欺少年穷！”"),
    QStringLiteral("这一句话，在大厅之中回荡着，久久不散。"),
    QStringLiteral("山风吹过，林间的落叶沙沙作响，远处传来几声鸟鸣。"),
};

// About 3,000 characters of text, as a chapter of a web novel has.
QString chapterBody(int n) {
    QString body;
    for (int i = 0; body.size() < 3000; ++i)
        body +=
            QStringLiteral("　　") + kSentences.at((n + i) % kSentences.size()) + QStringLiteral("<br><br>");
    return body;
}

class Fixture {
public:
    Fixture() {
        m_context = std::make_unique<LibraryContext>(m_dir.path());
        QString error;
        if (!m_context->open(&error))
            qFatal("library: %s", qPrintable(error));
        Database& db = m_context->database();
        NovelRecord novel;
        novel.novelId = NovelStore(db).nextNovelId();
        novel.novelName = QStringLiteral("测试长篇");
        novel.author = QStringLiteral("某人");
        novel.listUrl = QStringLiteral("http://example.test/book/1/");
        NovelStore(db).insertNovel(novel);
        m_novelId = novel.novelId;
        ChapterStore chapters(db);
        db.transaction([&] {
            for (int i = 0; i < kChapters; ++i) {
                ChapterRecord record;
                record.novelId = m_novelId;
                record.title = QStringLiteral("第%1章 风起云涌").arg(i + 1);
                record.volume = QStringLiteral("第%1卷").arg(i * kVolumes / kChapters + 1);
                record.displayorder = i + 1;
                record.wordNums = 3000;
                m_ids << chapters.insertChapter(record);
            }
            return true;
        });
        m_template = readTextFile(m_context->folder().file(QStringLiteral("model/vbArticle1.htm")));
        m_context->settings().setValue(QStringLiteral("NovelChmPath"), m_dir.path());
    }

    // Chapter pages as downloads leave them: not yet relinked.
    void writePages() {
        QDir().mkpath(m_context->folder().novelDir(m_novelId));
        for (int i = 0; i < m_ids.size(); ++i) {
            QString page = m_template;
            page.replace(QLatin1String("[[title]]"), QStringLiteral("第%1章 风起云涌").arg(i + 1));
            page.replace(QLatin1String("[[Content]]"), chapterBody(i));
            writeTextFile(m_context->folder().chapterPage(m_novelId, m_ids.at(i)), page);
        }
    }

    // One whole build; returns its work folder (kept for the compiler-alone run).
    QString build() {
        ChmBuildJob job(m_context->database(), m_context->folder(), m_context->settings(), m_novelId);
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
    std::unique_ptr<LibraryContext> m_context;
    QString m_novelId;
    QList<qint64> m_ids;
    QString m_template;
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
