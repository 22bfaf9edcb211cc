#include "toc/nonchapterfilter.h"

#include "toc/navigationlabels.h"
#include "text/markers.h"
#include "text/regex.h"


namespace {

const char* const kFourCharEndings[] = {".rar", ".zip", ".chm", ".txt", ".exe", ".wmv", ".mid", ".com",
                                        ".mp3", ".mp4", ".wav", ".mpg", ".pdf", ".doc", ".xls", ".mdb",
                                        ".bin", ".dll", ".ppt", ".mp2", ".ram", ".m3u", ".aif", ".swf"};
const char* const kThreeCharEndings[] = {".rm", ".ra", ".cn"};

const char* const kTitleWords[] = {"http://",    "收藏到书签", "客服qq号码",     "快捷阅读", "立即下载",
                                   "电子书下载", "点击下载",   "点击阅读",       "注意事项", "读书搜",
                                   "全文下载",   "分卷阅读",   "加入我的藏书架", "留言板",   "全文阅读",
                                   "所有的书评", "评论版",     "一本起印",       "退出登录"};

const char* const kAddressWords[] = {"aboutus", "mailto:",   "viewcomment.", "userinfo.",
                                     "about",   "/comment.", "/booklist.",   "search.php?"};

const char* const kIndexPages[] = {"index.php",   "index.html",  "index.asp",   "index.htm",
                                   "index.aspx",  "index.cgi",   "bbs",         "job.htm",
                                   "default.asp", "default.htm", "default1.htm"};

QStringList wordList(const char* const* words, size_t count) {
    QStringList list;
    for (size_t i = 0; i < count; ++i)
        list.append(QString::fromUtf8(words[i]));
    return list;
}

} // namespace

NonChapterFilter::NonChapterFilter(const QString& filterTitles, const QString& filterUrls,
                                   const QString& siteAddressWords, bool folderChapters)
    : m_titles(parseEntries(filterTitles))
    , m_urls(parseEntries(filterUrls))
    , m_siteWords(parseEntries(siteAddressWords))
    , m_folderChapters(folderChapters) {}

NonChapterFilter::Entries NonChapterFilter::parseEntries(const QString& text) {
    Entries entries;
    for (const QString& raw : text.split(QLatin1String("||"))) {
        const QString entry = raw.trimmed();
        // An empty entry (the one after the last "||") would drop every link without a title.
        if (entry.isEmpty())
            continue;
        if (entry.startsWith(QLatin1String("[[")) && entry.endsWith(QLatin1String("]]")) &&
            entry.size() > 4) {
            entries.patterns.append(entry.mid(2, entry.size() - 4));
        } else {
            entries.plain.insert(entry.toLower());
            entries.words.append(entry.toLower());
        }
    }
    return entries;
}

bool NonChapterFilter::matchesPattern(const QStringList& patterns, const QString& text) {
    for (const QString& pattern : patterns)
        if (!regexMatches(text, pattern).isEmpty())
            return true;
    return false;
}

bool NonChapterFilter::hasFileExtension(const QString& url) {
    const QString four = url.right(4).toLower();
    for (const char* ending : kFourCharEndings)
        if (four == QLatin1String(ending))
            return true;
    const QString three = url.right(3).toLower();
    for (const char* ending : kThreeCharEndings)
        if (three == QLatin1String(ending))
            return true;
    return false;
}

bool NonChapterFilter::isIndexPage(const QString& url) {
    const QString last = url.mid(url.lastIndexOf(u'/') + 1).toLower();
    for (const char* page : kIndexPages)
        if (last == QLatin1String(page))
            return true;
    return false;
}

bool NonChapterFilter::isNonChapter(const QString& title, const QString& url) const {
    if (url.endsWith(u'/') && !m_folderChapters)
        return true;
    if (hasFileExtension(url) || isIndexPage(url))
        return true;

    const QString trimmed = title.trimmed();
    if (isNavigationLabel(trimmed))
        return true;
    if (trimmed.startsWith(QStringLiteral("搜索")) &&
        (trimmed.endsWith(QStringLiteral("最新章节")) || trimmed.endsWith(QStringLiteral("最新更新"))))
        return true;
    static const NeedlesIgnoringCase titleWords(wordList(kTitleWords, std::size(kTitleWords)));
    static const NeedlesIgnoringCase addressWords(wordList(kAddressWords, std::size(kAddressWords)));
    if (titleWords.foundIn(title))
        return true;
    if (title.contains(QStringLiteral("查看")) && title.contains(QStringLiteral("评论")))
        return true;

    if (addressWords.foundIn(url))
        return true;
    if ((title.contains(QStringLiteral("退出")) || title.contains(QStringLiteral("注销"))) &&
        url.contains(QLatin1String("log"), Qt::CaseInsensitive) &&
        url.contains(QLatin1String("out"), Qt::CaseInsensitive))
        return true;
    const QString lowerUrl = url.toLower();
    for (const QString& word : m_siteWords.words)
        if (lowerUrl.contains(word))
            return true;
    if (matchesPattern(m_siteWords.patterns, url))
        return true;

    if (m_titles.plain.contains(title.toLower()) || matchesPattern(m_titles.patterns, title))
        return true;
    if (m_urls.plain.contains(lowerUrl) || matchesPattern(m_urls.patterns, url))
        return true;
    return false;
}
