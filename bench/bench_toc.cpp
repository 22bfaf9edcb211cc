// Chapter-list extraction of generated table-of-contents pages with 5,000 and 10,000 links, run the
// way a renewal runs it: volumes, navigation and advertising links, duplicates, a library that holds
// all but the newest chapters, excluded links and global filters. Extraction must stay linear: the
// 10,000-link time at most 2.2 times the 5,000-link one. Both times and the ratio are printed.
#include "toc/chapterlistreader.h"
#include "renewal/processtuning.h"
#include "fetch/pagesource.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kNewChapters = 20;
constexpr double kLimit = 2.2;

const QString kListUrl = QStringLiteral("http://www.bench.test/book/9/9999/index.html");

QString chapterUrl(int i) {
    return QStringLiteral("http://www.bench.test/book/9/9999/%1.html").arg(100000 + i);
}

QString tocPage(int links) {
    QString html =
        QStringLiteral("<html><head><title>千章长卷_目录</title><script>var x = 1;</script></head><body>"
                       "<div class=nav><a href=\"/\">首页</a><a href=\"/sort/1.html\">玄幻小说</a>"
                       "<a href=\"/top.html\">排行榜</a><a href=\"/login.php\">登录</a></div>"
                       "<div class=newest>");
    for (int i = links - 1; i >= links - 10; --i)
        html += QStringLiteral("<a href=\"%1.html\">第%2章 最新</a>").arg(100000 + i).arg(i + 1);
    html += QStringLiteral("</div><div id=\"list\"><dl>");
    for (int i = 0; i < links; ++i) {
        if (i % 200 == 0)
            html += QStringLiteral("<dt class=\"vol\">第%1卷 卷名</dt>\r\n").arg(i / 200 + 1);
        if (i % 500 == 250)
            html +=
                QStringLiteral("<dd><a href=\"http://ad.bench.test/c?%1\">点击下载客户端</a></dd>").arg(i);
        if (i % 300 == 10) // a chapter listed twice
            html += QStringLiteral("<dd><a href=\"%1.html\">第%2章</a></dd>").arg(100000 + i - 1).arg(i);
        html += QStringLiteral(
                    "<dd><a href=\"%1.html\" title=\"第%2章\">第%2章 风起云涌之时 &amp; 其后</a></dd>\r\n")
                    .arg(100000 + i)
                    .arg(i + 1);
    }
    html += QStringLiteral(
        "</dl></div><div class=\"footer\"><a href=\"/about.html\">关于我们</a></div></body></html>");
    return html;
}

// The generated pages need nothing fetched.
class NoPages : public PageSource {
public:
    FetchedPage fetch(const QString& url, const QString&) override {
        FetchedPage page;
        page.url = url;
        return page;
    }
};

struct Library {
    QTemporaryDir dir;
    std::unique_ptr<LibraryContext> context;
    QString novelId;
};

std::unique_ptr<Library> libraryWith(int storedChapters) {
    auto library = std::make_unique<Library>();
    library->context = std::make_unique<LibraryContext>(library->dir.path());
    QString error;
    if (!library->context->open(&error))
        qFatal("library: %s", qPrintable(error));
    const Database& db = library->context->database();
    NovelRecord novel;
    novel.novelId = NovelStore(db).nextNovelId();
    novel.novelName = QStringLiteral("千章长卷");
    novel.listUrl = kListUrl;
    NovelStore(db).insertNovel(novel);
    library->novelId = novel.novelId;
    db.transaction([&] {
        ChapterStore chapters(db);
        for (int i = 0; i < storedChapters; ++i) {
            ChapterRecord record;
            record.novelId = novel.novelId;
            record.title = QStringLiteral("第%1章").arg(i + 1);
            // Stored in upper case: the comparison ignores case.
            record.comeFrom = i % 2 ? chapterUrl(i) : chapterUrl(i).toUpper();
            record.displayorder = i + 1;
            record.wordNums = 3000;
            chapters.insertChapter(record);
        }
        return true;
    });
    return library;
}

void BM_ReadChapterList(benchmark::State& state) {
    const int links = int(state.range(0));
    const auto library = libraryWith(links - kNewChapters);
    ChapterListRequest request;
    request.page = tocPage(links);
    request.pageCharset = QStringLiteral("gb2312");
    request.listUrl = kListUrl;
    request.novel.novelId = library->novelId;
    request.novel.novelName = QStringLiteral("千章长卷");
    request.novel.listStart = QStringLiteral("<div id=\"list\">");
    request.novel.listEnd = QStringLiteral("<div class=\"footer\">");
    request.novel.volumeStart = QStringLiteral("<dt class=\"vol\">");
    request.novel.volumeEnd = QStringLiteral("</dt>");
    for (int i = 0; i < 300; ++i)
        request.needDelUrl += chapterUrl(i * 7) + QStringLiteral("(第%1章)||").arg(i * 7 + 1);
    request.needDelUrl += QStringLiteral("[[/vip/\\d+\\.html]](VIP)||");
    ChapterListOptions options;
    options.filterTitles = QStringLiteral("上架感言||[[求月票]]||");
    options.filterUrls = QStringLiteral("http://ad.bench.test/||[[/comment/]]||");
    NoPages source;
    qsizetype kept = 0;
    for (auto _ : state) {
        ChapterListReader reader(source, options);
        reader.setDatabase(&library->context->database());
        const ChapterListResult result = reader.readChapterList(request);
        kept = keptCount(result.links);
        benchmark::DoNotOptimize(kept);
    }
    if (kept != kNewChapters)
        state.SkipWithError("wrong number of new chapters");
    state.counters["links"] = links;
}

// Keeps the fastest of the repetitions to print the ratios after the table: on a shared machine the
// slower runs measure the neighbours too, and CPU time less so than the wall clock.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
                const std::string name = run.run_name.function_name + "/" + run.run_name.args;
                cpu[name] = run.GetAdjustedCPUTime();
                wall[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> cpu;
    std::map<std::string, double> wall;
};

} // namespace

BENCHMARK(BM_ReadChapterList)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory(); // the program's memory settings (tunedmain.h)
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const std::string small = "BM_ReadChapterList/5000";
    const std::string large = "BM_ReadChapterList/10000";
    if (!reporter.cpu.count(small) || !reporter.cpu.count(large) || reporter.cpu[small] <= 0)
        return 0; // filtered out
    const double ratio = reporter.cpu[large] / reporter.cpu[small];
    std::printf(
        "\nfastest CPU time: 5,000 links %.1f ms, 10,000 links %.1f ms, ratio %.2f (limit %.1f): %s\n",
        reporter.cpu[small], reporter.cpu[large], ratio, kLimit, ratio <= kLimit ? "linear" : "TOO SLOW");
    std::printf("fastest wall time: 5,000 links %.1f ms, 10,000 links %.1f ms, ratio %.2f\n",
                reporter.wall[small], reporter.wall[large], reporter.wall[large] / reporter.wall[small]);
    return 0;
}
