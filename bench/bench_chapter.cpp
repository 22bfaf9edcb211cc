// The processing of one downloaded chapter without network, database or disk: the GBK page decoded,
// the text cut out between the markers, NeedDelStr removed, cleaned, and the chapter page composed
// and encoded. An 8 KB chapter with and without a picture; the CPU time is what a renewal spends per
// chapter on top of fetching and storing.
#include "tunedmain.h"

#include "renewal/chapterprocessor.h"
#include "renewal/downloadoptions.h"
#include "renewal/novelfilewriter.h"
#include "fetch/pagedecoder.h"
#include "storage/settings.h"

#include <benchmark/benchmark.h>

#include <QStringEncoder>

namespace {

QByteArray chapterPage(bool picture) {
    const QString words = QStringLiteral(
        "山河风雨夜色灯火少年剑客城门渡口竹林客栈酒肆钟楼密信月光追踪暗巷真相归途江湖故人离别重逢");
    QString text;
    for (int i = 0; text.size() < 4000; ++i) {
        text += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
        for (int j = 0; j < 80 + i % 90; ++j)
            text += words.at((i * 31 + j * 7) % words.size());
        text += QStringLiteral("。<br /><br />\r\n");
        if (picture && i == 10)
            text += QStringLiteral("<img src=\"pic/20.png\" alt=\"插图\">");
    }
    const QString page =
        QStringLiteral("<html><head><title>第20章</title></head><body><div class=\"nav\">"
                       "<a href=\"/\">首页</a><a href=\"index.html\">目录</a></div>"
                       "<div id=\"content\">") +
        text +
        QStringLiteral("<br />本章由演示小说站首发<script>ad();</script></div><!--content-->"
                       "<div class=\"nav\"><a href=\"index.html\">返回目录</a></div></body></html>");
    return QStringEncoder("GB18030").encode(page);
}

void chapterProcessing(benchmark::State& state) {
    const QByteArray body = chapterPage(state.range(0) != 0);
    NovelRecord novel;
    novel.contentStart = QStringLiteral("<div id=\"content\">");
    novel.contentEnd = QStringLiteral("</div><!--content-->");
    novel.needDelStr = QStringLiteral("本章由演示小说站首发||[[<script[\\s\\S]*?</script>]]");
    const DownloadOptions options = DownloadOptions::fromSettings(Settings());
    const NovelFileWriter writer(LibraryFolder(),
                                 QStringLiteral("<html><title>[[title]]</title><body>"
                                                "<!--BookContent Start-->[[Content]]"
                                                "<!--BookContent End--></body></html>"),
                                 QStringLiteral("gb2312"));
    const QString url = QStringLiteral("http://127.0.0.1:18808/book/20.html");
    for (auto _ : state) {
        PageDecoder decoder(options.charset);
        const ChapterDraft draft = ChapterProcessor::draftChapter(decoder.decode(body), url, novel, options);
        benchmark::DoNotOptimize(writer.pageBytes(draft.text, QStringLiteral("第20章 剑客")));
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

} // namespace

BENCHMARK(chapterProcessing)->Arg(0)->Arg(1)->ArgName("picture")->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return runTunedBenchmarks(argc, argv);
}
