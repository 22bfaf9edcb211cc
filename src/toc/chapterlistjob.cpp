#include "toc/chapterlistjob.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"

ChapterListJob::ChapterListJob(SourceFactory makeSource, const ChapterListOptions& options,
                               const ChapterListRequest& request, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_options(options)
    , m_request(request) {}

void ChapterListJob::run() {
    const std::unique_ptr<PageSource> source = m_makeSource([this] { return stopRequested(); });
    const FetchedPage page = source->fetch(m_request.listUrl);
    if (page.stopped() || stopRequested())
        return;
    if (!page.ok() || page.body.isEmpty()) {
        m_error = page.error.isEmpty() ? tr("目录页没有内容") : page.error;
        return;
    }
    PageDecoder decoder(m_options.displayCharset);
    decoder.takeContentType(page.contentType);
    m_request.page = decoder.decode(page.body);
    m_request.pageCharset = decoder.pageCharset();

    ChapterListReader reader(*source, m_options);
    reader.setStatusHandler([this](const QString& text) { setStatus(text); });
    reader.setStopCheck([this] { return stopRequested(); });
    m_result = reader.readChapterList(m_request);
}
