#include "toc/chapterlistreader.h"

#include "sites/needdelurl.h"
#include "sites/sitehost.h"
#include "sites/sitesigntable.h"
#include "storage/bookcasestore.h"
#include "storage/chapterstore.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"
#include "text/chinese.h"
#include "text/markers.h"
#include "text/regex.h"
#include "text/unicodetext.h"
#include "toc/linkresolver.h"
#include "toc/listpagepreparer.h"
#include "toc/nonchapterfilter.h"
#include "toc/scriptreader.h"
#include "toc/volumes.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

const QString kScriptBlock = QStringLiteral("<script[\\s\\S]+?</script>");

// The ways tried, in this order, on a page whose plain reading gives no chapter. Forum pages are
// known by their marks instead: read plainly, a board gives user and page links as chapters.
constexpr ListKind kGuessedKinds[] = {ListKind::ScriptList, ListKind::ScriptCall, ListKind::UrlFunction,
                                      ListKind::ArrayList, ListKind::FolderUrl};

// Address parts of thread pages of the common forum programs.
const QStringList kThreadAddressParts = {
    QStringLiteral("viewthread"), QStringLiteral("showthread"), QStringLiteral("showtopic"),
    QStringLiteral("dispbbs"),    QStringLiteral("thread.php"), QStringLiteral("thread.asp"),
    QStringLiteral("/thread-"),   QStringLiteral("?tid="),      QStringLiteral("&tid="),
    QStringLiteral("topicid="),   QStringLiteral("threadid=")};
// Marks forum programs put in their pages.
const QStringList kForumMarks = {QStringLiteral("content=\"dvbbs\""), QStringLiteral("class=TBBGbody"),
                                 QStringLiteral("leadbbs(")};
// Address parts of board and thread pages: a contents page with such an address is a forum's.
const QStringList kForumAddressParts = {QStringLiteral("forumdisplay"), QStringLiteral("showforum"),
                                        QStringLiteral("/forum-"), QStringLiteral("fid="),
                                        QStringLiteral("boardid=")};

// The list between the novel's markers; the whole page when they cut out nothing (marked false).
QString cutList(const QString& page, const QString& start, const QString& end, bool* marked) {
    QString list;
    if (!start.isEmpty() && !end.isEmpty())
        list = getTextBetween(page, start, end);
    else if (!end.isEmpty())
        list = getTextBefore(page, end);
    else if (!start.isEmpty())
        list = getTextAfterLast(page, start);
    *marked = !list.isEmpty();
    return list.isEmpty() ? page : list;
}

bool containsAny(const QString& text, const QStringList& parts) {
    return std::any_of(parts.cbegin(), parts.cend(),
                       [&text](const QString& part) { return text.contains(part, Qt::CaseInsensitive); });
}

bool isThreadAddress(const QString& url) {
    return containsAny(url, kThreadAddressParts);
}

// A forum's page by its program's marks; or by thread links, on a board or thread address, or
// making up a quarter of the links at least (a novel page may link a few threads of its forum).
bool isForumPage(const QString& page, const QString& listUrl, const ChapterLinks& links) {
    if (containsAny(page, kForumMarks))
        return true;
    const qsizetype threads = std::count_if(links.cbegin(), links.cend(), [](const ChapterLink& link) {
        return !link.isDropped() && isThreadAddress(link.url);
    });
    if (threads > 0 && (containsAny(listUrl, kForumAddressParts) || isThreadAddress(listUrl)))
        return true;
    return threads >= 3 && threads * 4 >= keptCount(links);
}

// A forum's board page: its thread links; user, page and board links are dropped. Without a known
// thread address the threads are the family of addresses (same path, any query) most links share.
void keepThreadLinks(ChapterLinks& links) {
    const bool known = std::any_of(links.cbegin(), links.cend(), [](const ChapterLink& link) {
        return !link.isDropped() && isThreadAddress(link.url);
    });
    if (known) {
        for (ChapterLink& link : links)
            if (!link.isDropped() && !isThreadAddress(link.url))
                link.url.clear();
        return;
    }
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

    const ListKinds chosen = m_options.kindsFor(request.listUrl);
    ListPagePreparer::ScriptCache scripts;
    ListPagePreparer preparer(m_source, m_options, request.listUrl, request.pageCharset, chosen, m_stop);
    preparer.setScriptCache(&scripts);
    const QString page = preparer.prepare(request.page, novel.volumeStart, novel.volumeEnd);
    if (preparer.stopped() || stopped())
        return result;

    if (request.readInformation || request.mode == ChapterListMode::NovelInformation) {
        LinkResolver resolver(request.listUrl);
        resolver.setBase(LinkResolver::findBase(page));
        result.information = readInformation(page, resolver, request);
        if (!result.information || stopped())
            return ChapterListResult();
        if (request.mode == ChapterListMode::NovelInformation) {
            result.outcome = ChapterListResult::Outcome::InformationRead;
            return result;
        }
    }

    std::optional<ListReading> reading = readList(request, page, preparer.externalScripts(), chosen, false);
    if (!reading)
        return ChapterListResult();
    // A page whose list is not plain links reads as one without chapters: try each other way.
    for (const ListKind kind : kGuessedKinds) {
        if (reading->isFeed || keptCount(reading->links) > 0)
            break;
        if (chosen & kind)
            continue;
        ListPagePreparer trial(m_source, m_options, request.listUrl, request.pageCharset, chosen | kind,
                               m_stop);
        trial.setScriptCache(&scripts);
        const QString trialPage = trial.prepare(request.page, novel.volumeStart, novel.volumeEnd);
        if (trial.stopped() || stopped())
            return ChapterListResult();
        std::optional<ListReading> other =
            readList(request, trialPage, trial.externalScripts(), chosen | kind, true);
        if (!other)
            return ChapterListResult();
        if (keptCount(other->links) > 0)
            reading = std::move(other);
    }

    result.isFeed = reading->isFeed;
    result.feed = std::move(reading->feed);
    result.links = std::move(reading->links);
    ChapterLinks& links = result.links;
    if (reading->linkCount == 0) {
        status(noLinksText());
        result.outcome = ChapterListResult::Outcome::NoLinks;
        return result;
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

std::optional<ChapterListReader::ListReading>
ChapterListReader::readList(const ChapterListRequest& request, const QString& page,
                            const QString& externalScripts, ListKinds kinds, bool guessed) const {
    const NovelRecord& novel = request.novel;
    // The functions behind script links: the page's own (also those the preparation replaced by
    // what they write) and those of its script files.
    ScriptReader scripts;
    for (const QString& code : ListPagePreparer::inlineScripts(page))
        scripts.addDefinitions(code);
    if (page != request.page)
        for (const QString& code : ListPagePreparer::inlineScripts(request.page))
            scripts.addDefinitions(code);
    scripts.addDefinitions(externalScripts);

    bool marked = false;
    QString list = cutList(regexRemove(kScriptBlock, page), novel.listStart, novel.listEnd, &marked);
    list = normalizeUnicodeText(list, m_options.displayCharset);
    list.remove(QLatin1String("<!---->"));
    list = regexRemove(QStringLiteral("<!--[\\s\\S]+?-->"), list);
    if (request.pageCharset.compare(QLatin1String("big5"), Qt::CaseInsensitive) == 0)
        list = convertChineseScript(list, false);

    ListReading reading;
    ChapterLinks& links = reading.links;
    if (isFeedText(list)) {
        reading.isFeed = true;
        reading.feed = readFeedItems(list);
        for (const FeedItem& item : reading.feed.items)
            links.append({item.title, item.link, QString(), -1});
    } else {
        links = collectLinks(list, m_stop);
    }
    if (stopped())
        return std::nullopt;
    reading.linkCount = links.size();
    if (links.isEmpty())
        return reading;

    assignVolumes(list, links, novel.volumeStart, novel.volumeEnd);

    LinkResolver resolver(request.listUrl);
    resolver.setBase(LinkResolver::findBase(page));
    resolver.setScripts(&scripts, kinds.testFlag(ListKind::UrlFunction));
    const bool folders = kinds.testFlag(ListKind::FolderUrl);
    const NonChapterFilter filter(m_options.filterTitles, m_options.filterUrls, m_options.excludeUrlStr,
                                  folders);
    // Guessed, a folder is a chapter only below the contents page: the site's sections are folders too.
    const QString pageFolder = resolver.pageFolder();
    // Without markers the whole page is read: links to other sites are advertising, not chapters.
    const bool ownSiteOnly = !marked && !reading.isFeed;
    for (ChapterLink& link : links) {
        if (stopped())
            return std::nullopt;
        link.url = resolver.resolve(link.url);
        if (link.url.isEmpty())
            continue;
        if (filter.isNonChapter(link.title, link.url) ||
            (ownSiteOnly && !isSameSite(link.url, request.listUrl)))
            link.url.clear();
        else if (folders && guessed && link.url.endsWith(u'/') &&
                 (link.url.size() <= pageFolder.size() ||
                  !link.url.startsWith(pageFolder, Qt::CaseInsensitive)))
            link.url.clear();
    }
    if (kinds.testFlag(ListKind::Forum) || (!reading.isFeed && isForumPage(page, request.listUrl, links)))
        keepThreadLinks(links);

    for (ChapterLink& link : links) {
        link.title.remove(u'\r');
        link.title.remove(u'\n');
        link.title = link.title.trimmed();
    }
    return reading;
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
    const ChapterChoice choice = m_chooser(request.novel.novelId, candidates);
    // The user may have edited the excluded links ("过滤列表") while choosing.
    if (m_db && !request.novel.novelId.isEmpty())
        result.needDelUrl = NovelStore(*m_db).needDelUrl(request.novel.novelId);
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
