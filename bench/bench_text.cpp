// Chapter-sized inputs through the text utilities that run once per shown or exported chapter.
// Each runs at 100 KB and 1 MB (UTF-8); the 1 MB time should stay near ten times the 100 KB one.
#include "tunedmain.h"

#include "text/chinese.h"
#include "text/html.h"
#include "text/innertext.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

namespace {

const QStringList kSentences = {
    QStringLiteral("萧炎抬起头，看着天空中缓缓飘落的雪花，心中却是一片平静。"),
    QStringLiteral("“三十年河东，三十年河西，莫欺少年穷！”"),
    QStringLiteral("这一句话，在大厅之中回荡着"),
    QStringLiteral("发展与头发，台风与舞台，干净与树干……"),
    QStringLiteral("He said: \"It is done.\" "),
};

// Plain chapter text: lines end in punctuation or break mid-sentence, with old indents.
QString chapterText(qsizetype utf8Bytes) {
    QString text;
    qsizetype bytes = 0;
    for (int i = 0; bytes < utf8Bytes; ++i) {
        const QString line = (i % 3 == 0 ? QStringLiteral("　　") : QStringLiteral("    ")) +
                             kSentences.at(i % kSentences.size()) + (i % 7 == 0 ? "  \r\n" : "\r\n");
        text += line;
        bytes += line.toUtf8().size();
    }
    return text;
}

// A chapter page: paragraphs, line breaks, links, a script and a table.
QString chapterPage(qsizetype utf8Bytes) {
    QString html =
        QStringLiteral("<html><head><title>第一章</title><script>var a = 1;</script></head><body>");
    qsizetype bytes = html.toUtf8().size();
    for (int i = 0; bytes < utf8Bytes; ++i) {
        QString part;
        switch (i % 4) {
        case 0:
            part = QStringLiteral("<p>&nbsp;&nbsp;") + kSentences.at(i % kSentences.size()) +
                   QStringLiteral("</p>\n");
            break;
        case 1:
            part = QStringLiteral("<div class=\"c\">") + kSentences.at(i % kSentences.size()) +
                   QStringLiteral("<br />\n") + kSentences.at((i + 1) % kSentences.size()) +
                   QStringLiteral("</div>\n");
            break;
        case 2:
            part = QStringLiteral("<a href=\"/book/1/") + QString::number(i) +
                   QStringLiteral(".html\">下一章</a> <b>") + kSentences.at(i % kSentences.size()) +
                   QStringLiteral("</b>\n");
            break;
        default:
            part = QStringLiteral("<table><tr><td>") + QString::number(i) + QStringLiteral("</td><td>") +
                   kSentences.at(i % kSentences.size()) + QStringLiteral("</td></tr></table>\n");
            break;
        }
        html += part;
        bytes += part.toUtf8().size();
    }
    return html + QStringLiteral("</body></html>");
}

void setBytes(benchmark::State& state, const QString& input) {
    state.SetBytesProcessed(int64_t(state.iterations()) * input.toUtf8().size());
}

void BM_FormatParagraphs(benchmark::State& state) {
    const QString text = chapterText(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(formatParagraphs(text));
    setBytes(state, text);
}

void BM_HtmlInnerText(benchmark::State& state) {
    const QString html = chapterPage(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(htmlInnerText(html));
    setBytes(state, html);
}

void BM_ConvertChineseScript(benchmark::State& state) {
    const QString text = chapterText(state.range(0));
    convertChineseScript(QStringLiteral("冲"), true); // the tables load once, outside the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(convertChineseScript(text, true));
    setBytes(state, text);
}

} // namespace

BENCHMARK(BM_FormatParagraphs)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlInnerText)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertChineseScript)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runTunedBenchmarks(argc, argv);
}
