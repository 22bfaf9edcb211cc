// A whole contents page read from hostile input, every way of reading it tried: the page, its
// script files (every script address answers with the second text) and the list markers. Never a
// crash, never a kept address that is not absolute, never "chapters" without one kept.
#include "fuzzinput.h"

#include "fetch/pagesource.h"
#include "toc/chapterlistreader.h"

namespace {

class ScriptSource : public PageSource {
public:
    explicit ScriptSource(const QString& script)
        : m_script(script.toUtf8()) {}
    FetchedPage fetch(const QString& url, const QString&) override {
        FetchedPage page;
        page.outcome = FetchedPage::Outcome::Ok;
        page.status = 200;
        page.url = url;
        page.contentType = QStringLiteral("application/x-javascript; charset=utf-8");
        page.body = m_script;
        return page;
    }

private:
    QByteArray m_script;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QString> t = fuzzTexts(data, size, 4);
    ScriptSource source(t.at(1));
    ChapterListRequest request;
    request.page = t.at(0);
    request.listUrl = QStringLiteral("http://www.fuzz.test/book/1/");
    request.novel.listStart = t.at(2);
    request.novel.listEnd = t.at(3);
    request.mode = ChapterListMode::Synchronisation;
    ChapterListReader reader(source, ChapterListOptions());
    const ChapterListResult result = reader.readChapterList(request);
    for (const ChapterLink& link : result.links)
        fuzzCheck(link.isDropped() || link.url.startsWith(QLatin1String("http"), Qt::CaseInsensitive));
    if (result.outcome == ChapterListResult::Outcome::Chapters)
        fuzzCheck(keptCount(result.links) > 0);
    return 0;
}
