#include "sites/chaptersearchjob.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "sites/sitehost.h"
#include "text/innertext.h"
#include "text/url.h"

#include <QUrl>

#include <algorithm>

namespace {

QString withoutSpaces(QString text) {
    text.remove(u' ');
    text.remove(QChar(0x3000));
    return text.simplified().remove(u' ');
}

} // namespace

ChapterSearchJob::ChapterSearchJob(PageSourceFactory makeSource, const QString& engineUrl,
                                   const QString& chapterTitle, const QString& novelName, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_engineUrl(engineUrl.trimmed())
    , m_title(chapterTitle.trimmed())
    , m_query(queryText(chapterTitle, novelName)) {}

const QStringList& ChapterSearchJob::exclusionWords() {
    static const QStringList words = {QStringLiteral("百度"), QStringLiteral("博客"), QStringLiteral("娱乐")};
    return words;
}

QString ChapterSearchJob::queryText(const QString& chapterTitle, const QString& novelName) {
    const QString name = novelName.trimmed();
    if (name.isEmpty())
        return QStringLiteral("title: (") + chapterTitle.trimmed() + u')';
    return QStringLiteral("title: (《") + name + QStringLiteral("》 ") + chapterTitle.trimmed() + u')';
}

QString ChapterSearchJob::searchAddress(const QString& engineUrl, const QString& query) {
    const QString engine = engineUrl.trimmed();
    if (engine.isEmpty())
        return {};
    const QString placeholder = QStringLiteral("[[Name]]");
    const QString encoded = urlEncodeAnsi(query);
    if (engine.contains(placeholder, Qt::CaseInsensitive))
        return QString(engine).replace(placeholder, encoded, Qt::CaseInsensitive);
    return engine + encoded;
}

QString ChapterSearchJob::firstResult(const QString& page, const QString& chapterTitle,
                                      const QString& engineUrl) {
    const QString title = withoutSpaces(chapterTitle);
    if (title.isEmpty())
        return {};
    const QUrl engine(engineUrl.trimmed());
    for (const HtmlLink& link : htmlLinks(page)) {
        const QString text = link.text.simplified();
        if (!withoutSpaces(text).contains(title, Qt::CaseInsensitive))
            continue;
        if (std::any_of(exclusionWords().cbegin(), exclusionWords().cend(),
                        [&text](const QString& w) { return text.contains(w, Qt::CaseInsensitive); }))
            continue;
        const QString href = link.href.trimmed();
        const QUrl target = engine.resolved(QUrl(href));
        if (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https"))
            continue;
        // The engine's own links (more results, caches) are not the chapter.
        const QString url = QUrl(href).isRelative() ? target.toString() : href;
        if (isSameSite(url, engine.toString()))
            continue;
        return url;
    }
    return {};
}

QString ChapterSearchJob::failureText(const QString& query) {
    return tr("搜索\"") + query + tr("\"失败，请查看网络连接");
}

void ChapterSearchJob::run() {
    const QString address = searchAddress(m_engineUrl, m_query);
    if (address.isEmpty()) {
        m_failed = true;
        return;
    }
    const std::unique_ptr<PageSource> source = m_makeSource([this] { return stopRequested(); });
    const FetchedPage page = source->fetch(address);
    if (stopRequested() || page.stopped())
        return;
    if (!page.ok()) {
        m_failed = true;
        return;
    }
    PageDecoder decoder;
    decoder.takeContentType(page.contentType);
    m_url = firstResult(decoder.decode(page.body), m_title, address);
}
