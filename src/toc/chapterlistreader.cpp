#include "toc/chapterlistreader.h"

#include "toc/linkresolver.h"
#include "toc/listpagepreparer.h"
#include "sites/needdelurl.h"
#include "toc/nonchapterfilter.h"
#include "toc/scriptreader.h"
#include "sites/sitesigntable.h"
#include "text/unicodetext.h"
#include "toc/volumes.h"
#include "storage/bookcasestore.h"
#include "storage/chapterstore.h"
#include "text/chinese.h"
#include "storage/libraryfolder.h"
#include "text/markers.h"
#include "storage/novelstore.h"
#include "text/regex.h"

#include <QHash>
#include <QSet>

namespace {

const QString kScriptBlock = QStringLiteral("<script[\\s\\S]+?</script>");

// The list between the novel's markers; the whole page when they cut out nothing.
QString cutList(const QString& page, const QString& start, const QString& end) {
    QString list;
    if (!start.isEmpty() && !end.isEmpty())
        list = getTextBetween(page, start, end);
    else if (!end.isEmpty())
        list = getTextBefore(page, end);
    else if (!start.isEmpty())
        list = getTextAfterLast(page, start);
    return list.isEmpty() ? page : list;
}

// A forum's board page: the thread links are the family of addresses (same path, any query) that
// most links share; user, page and board links are dropped.
void keepThreadLinks(ChapterLinks& links) {
    QHash<QString, int> counts;
    QString best;
    int bestCount = 0;
    auto family = [](const QString& url) { return url.section(u'?', 0, 0).section(u'#', 0, 0).toLower(); };
    for (const ChapterLink& link : links) {
        if (link.isDropped())
            continue;
        const QString f = family(link.url);
        const int count = ++counts[f];
        if (count > bestCount) {
            bestCount = count;
            best = f;
        }
    }
    for (ChapterLink& link : links)
        if (!link.isDropped() && family(link.url) != best)
            link.url.clear();
}

bool endsWithNew(const QString& title) {
    return title.endsWith(QLatin1String("new"), Qt::CaseInsensitive);
}

} // namespace

ChapterListReader::ChapterListReader(PageSource& source, const ChapterListOptions& options)
    : m_source(source)
    , m_options(options) {}

void ChapterListReader::status(const QString& text) const {
    if (m_status)
        m_status(text);
}

std::optional<NovelInformation> ChapterListReader::readInformation(const QString& page,
                                                                   const LinkResolver& resolver,
                                                                   const ChapterListRequest& request) {
    NovelInformation info;
    const int index = m_signs && !m_signs->isUnavailable() ? m_signs->find(getSiteRoot(request.listUrl)) : -1;
    if (index >= 0) {
        const QString folder = m_libraryFolder.isEmpty() || request.novel.novelId.isEmpty() || !m_db
                                   ? QString()
                                   : LibraryFolder(m_libraryFolder).novelDir(request.novel.novelId);
        NovelInfoReader reader(m_source, m_signs->signs().at(index), m_options.displayCharset,
                               m_options.judgePicExt, m_stop);
        info = reader.read(page, resolver, folder);
        if (reader.stopped())
            return std::nullopt;
    }
    if (info.found() && m_db && !request.novel.novelId.isEmpty()) {
        NovelStore(*m_db).updateNovelInformation(request.novel.novelId, info.author, info.brief,
                                                 info.coverFile);
        if (!info.author.isEmpty() && !m_libraryFolder.isEmpty())
            BookcaseStore(*m_db).setAuthorByPath(
                LibraryFolder(m_libraryFolder).novelListPage(request.novel.novelId), info.author);
    }
    status(info.found() ? tr("作者等信息已取得") : tr("无相关信息"));
    return info;
}

ChapterListResult ChapterListReader::readChapterList(const ChapterListRequest& request) {
    ChapterListResult result;
    const NovelRecord& novel = request.novel;
    status(tr("<<%1>>目录下载完毕，正在取出目录内容...").arg(novel.novelName));

    ListPagePreparer preparer(m_source, m_options, request.listUrl, request.pageCharset, m_stop);
    const QString page = preparer.prepare(request.page, novel.volumeStart, novel.volumeEnd);
    if (preparer.stopped() || stopped())
        return result;

    LinkResolver resolver(request.listUrl);
    resolver.setBase(LinkResolver::findBase(page));

    if (request.readInformation || request.mode == ChapterListMode::NovelInformation) {
        result.information = readInformation(page, resolver, request);
        if (!result.information || stopped())
            return ChapterListResult();
        if (request.mode == ChapterListMode::NovelInformation) {
            result.outcome = ChapterListResult::Outcome::InformationRead;
            return result;
        }
    }

    // The functions behind script links: the page's own (also those the preparation replaced by
    // what they write) and those of its script files.
    ScriptReader scripts;
    for (const QString& code : ListPagePreparer::inlineScripts(page))
        scripts.addDefinitions(code);
    if (page != request.page)
        for (const QString& code : ListPagePreparer::inlineScripts(request.page))
            scripts.addDefinitions(code);
    scripts.addDefinitions(preparer.externalScripts());

    QString list = cutList(regexRemove(kScriptBlock, page), novel.listStart, novel.listEnd);
    list = normalizeUnicodeText(list, m_options.displayCharset);
    list.remove(QLatin1String("<!---->"));
    list = regexRemove(QStringLiteral("<!--[\\s\\S]+?-->"), list);
    if (request.pageCharset.compare(QLatin1String("big5"), Qt::CaseInsensitive) == 0)
        list = convertChineseScript(list, false);

    ChapterLinks& links = result.links;
    if (isFeedText(list)) {
        result.isFeed = true;
        result.feed = readFeedItems(list);
        for (const FeedItem& item : result.feed.items)
            links.append({item.title, item.link, QString(), -1});
    } else {
        links = collectLinks(list, m_stop);
    }
    if (stopped())
        return ChapterListResult();
    if (links.isEmpty()) {
        status(noLinksText());
        result.outcome = ChapterListResult::Outcome::NoLinks;
        return result;
    }

    assignVolumes(list, links, novel.volumeStart, novel.volumeEnd);

    const QString& url = request.listUrl;
    resolver.setScripts(&scripts, ChapterListOptions::siteMatches(m_options.urlFunctionSites, url));
    const NonChapterFilter filter(m_options.filterTitles, m_options.filterUrls, m_options.excludeUrlStr,
                                  ChapterListOptions::siteMatches(m_options.folderUrlSites, url));
    for (ChapterLink& link : links) {
        if (stopped())
            return ChapterListResult();
        link.url = resolver.resolve(link.url);
        if (!link.url.isEmpty() && filter.isNonChapter(link.title, link.url))
            link.url.clear();
    }
    if (ChapterListOptions::siteMatches(m_options.forumSites, url))
        keepThreadLinks(links);

    for (ChapterLink& link : links) {
        link.title.remove(u'\r');
        link.title.remove(u'\n');
        link.title = link.title.trimmed();
    }

    if (keptCount(links) == 0) {
        status(noChaptersText());
        result.outcome = ChapterListResult::Outcome::NoChapters;
        return result;
    }

    if (result.isFeed && novel.novelName.startsWith(QStringLiteral("新小说")) &&
        !result.feed.title.isEmpty()) {
        result.newName = result.feed.title;
        if (m_db && !novel.novelId.isEmpty())
            NovelStore(*m_db).renameNovel(novel.novelId, result.newName);
    }

    if (request.mode == ChapterListMode::VolumeNames) {
        if (m_db && !novel.novelId.isEmpty()) {
            QList<QPair<QString, QString>> volumes;
            for (const ChapterLink& link : links)
                if (!link.isDropped())
                    volumes.append({link.url, link.volume});
            ChapterStore(*m_db).updateVolumesBySource(novel.novelId, volumes);
        }
        status(tr("分卷名已重新取得"));
        result.outcome = ChapterListResult::Outcome::VolumesRenamed;
        return result;
    }
    if (request.mode != ChapterListMode::Synchronisation) {
        keepNewChapters(request, result);
        if (stopped())
            return ChapterListResult();
        chooseChapters(request, result);
    }
    result.outcome = ChapterListResult::Outcome::Chapters;
    return result;
}

void ChapterListReader::keepNewChapters(const ChapterListRequest& request, ChapterListResult& result) {
    // One lookup per link: a novel of thousands of chapters renews in linear time.
    QSet<QString> stored;
    if (m_db && !request.novel.novelId.isEmpty())
        for (const QString& source : ChapterStore(*m_db).chapterSources(request.novel.novelId))
            stored.insert(source.toLower());
    const NeedDelUrl excluded(request.needDelUrl);
    result.needDelUrl = request.needDelUrl;
    result.listed = result.links;
    for (ChapterLink& link : result.links) {
        if (stopped())
            return;
        if (link.isDropped())
            continue;
        if (stored.contains(link.url.toLower())) {
            link.url.clear();
            continue;
        }
        if (endsWithNew(link.title))
            link.title.chop(3);
        if (excluded.excludes(link.url))
            link.url.clear();
    }
}

void ChapterListReader::chooseChapters(const ChapterListRequest& request, ChapterListResult& result) {
    if (!m_options.manualSelect || !m_chooser)
        return;
    ChapterLinks candidates;
    QList<qsizetype> places;
    for (qsizetype i = 0; i < result.links.size(); ++i) {
        if (!result.links.at(i).isDropped()) {
            candidates.append(result.links.at(i));
            places.append(i);
        }
    }
    if (candidates.isEmpty())
        return;
    const ChapterChoice choice = m_chooser(candidates);
    const QSet<int> chosen(choice.chosen.cbegin(), choice.chosen.cend());
    QString added;
    for (qsizetype k = 0; k < candidates.size(); ++k) {
        ChapterLink& link = result.links[places.at(k)];
        if (choice.accepted && chosen.contains(int(k))) {
            if (choice.volumes.size() == candidates.size())
                link.volume = choice.volumes.at(k);
            continue;
        }
        if (choice.accepted && choice.filterUnchosen)
            added += NeedDelUrl::entryText(link.url, link.title);
        link.url.clear();
    }
    if (!added.isEmpty()) {
        if (!result.needDelUrl.isEmpty() && !result.needDelUrl.endsWith(QLatin1String("||")))
            result.needDelUrl += QLatin1String("||");
        result.needDelUrl += added;
        if (m_db && !request.novel.novelId.isEmpty())
            NovelStore(*m_db).setNeedDelUrl(request.novel.novelId, result.needDelUrl);
    }
}
