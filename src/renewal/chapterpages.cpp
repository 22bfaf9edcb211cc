#include "renewal/chapterpages.h"

#include "renewal/chaptertext.h"
#include "text/regex.h"
#include "toc/linkcollector.h"

#include <QUrl>

namespace ChapterPages {

namespace {

const QStringList kPageKeys = {QStringLiteral("page"), QStringLiteral("p"), QStringLiteral("pn"),
                               QStringLiteral("pg"), QStringLiteral("pageno")};
const QStringList kNextLabels = {QStringLiteral("下一页"), QStringLiteral("下页"), QStringLiteral("下一頁")};

QString withoutFragment(const QString& url) {
    const qsizetype hash = url.indexOf(u'#');
    return hash < 0 ? url : url.left(hash);
}

struct Parts {
    QString path; // scheme, host and path, lower case
    QString query;
};

Parts partsOf(const QString& url) {
    const QString plain = withoutFragment(url).toLower();
    const qsizetype mark = plain.indexOf(u'?');
    return mark < 0 ? Parts{plain, {}} : Parts{plain.left(mark), plain.mid(mark + 1)};
}

int pageNumber(QStringView digits) {
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok && n >= 2 && n <= kMaxPages ? n : 0;
}

QString hostOf(const QString& url) {
    return QUrl(url).host().toLower();
}

// A cheap look before the links are read: most chapter pages name no further page at all.
// Case-sensitive searches only: this runs on every chapter page, and ignoring case costs several times as
// much; sites write the links of a chapter as its own address is written.
bool mayLinkPages(const QString& page, const QString& chapterUrl) {
    QString stem = withoutFragment(chapterUrl).section(u'?', 0, 0).section(u'/', -1);
    const qsizetype dot = stem.lastIndexOf(u'.');
    if (dot > 0)
        stem.truncate(dot);
    if (!stem.isEmpty() && (page.contains(stem + u'_') || page.contains(stem + u'-')))
        return true;
    for (const QString& label : kNextLabels)
        if (page.contains(label))
            return true;
    return page.contains(QLatin1String("p=")) || page.contains(QLatin1String("page="));
}

} // namespace

int continuedPageNumber(const QString& url, const QString& chapterUrl) {
    const Parts own = partsOf(chapterUrl);
    const Parts other = partsOf(url);
    if (other.query == own.query) {
        // stem_N.ext or stem-N.ext beside stem.ext
        const qsizetype slash = own.path.lastIndexOf(u'/');
        const qsizetype dot = own.path.indexOf(u'.', slash + 1);
        const QString stem = dot < 0 ? own.path : own.path.left(dot);
        const QString ext = dot < 0 ? QString() : own.path.mid(dot);
        if (stem.size() <= slash + 1 || !other.path.startsWith(stem) || !other.path.endsWith(ext))
            return 0;
        const QStringView middle =
            QStringView(other.path).mid(stem.size(), other.path.size() - stem.size() - ext.size());
        if (middle.size() < 2 || (middle.front() != u'_' && middle.front() != u'-'))
            return 0;
        return pageNumber(middle.mid(1));
    }
    if (other.path != own.path)
        return 0;
    // The chapter's query with one page item more, before or after it.
    QString item;
    if (own.query.isEmpty())
        item = other.query;
    else if (other.query.startsWith(own.query + u'&'))
        item = other.query.mid(own.query.size() + 1);
    else if (other.query.endsWith(u'&' + own.query))
        item = other.query.left(other.query.size() - own.query.size() - 1);
    const qsizetype equals = item.indexOf(u'=');
    if (equals <= 0 || !kPageKeys.contains(item.left(equals)))
        return 0;
    return pageNumber(QStringView(item).mid(equals + 1));
}

QString nextPageUrl(const QString& page, const QString& pageUrl, const QString& chapterUrl, int pageNumber,
                    const QSet<QString>& notPages, const QSet<QString>& seen) {
    if (pageNumber >= kMaxPages || !mayLinkPages(page, chapterUrl))
        return {};
    const QString host = hostOf(chapterUrl);
    QString labelled;
    for (const ChapterLink& link : getLinks(page)) {
        if (link.isDropped() || link.url.startsWith(u'#'))
            continue;
        const QString url = withoutFragment(absoluteAddress(link.url, pageUrl));
        const QString key = url.toLower();
        if (seen.contains(key) || notPages.contains(key))
            continue;
        const int number = continuedPageNumber(url, chapterUrl);
        if (number == pageNumber + 1)
            return url;
        if (labelled.isEmpty() && number == 0 && hostOf(url) == host) {
            const QString title = link.title.trimmed();
            for (const QString& label : kNextLabels)
                if (title.size() <= label.size() + 4 && title.contains(label)) {
                    labelled = url;
                    break;
                }
        }
    }
    return labelled;
}

StubRule::StubRule(int minChars, const QString& words)
    : m_minChars(qMax(0, minChars)) {
    for (const QString& entry : words.split(QStringLiteral("||"), Qt::SkipEmptyParts)) {
        if (entry.size() > 4 && entry.startsWith(QLatin1String("[[")) && entry.endsWith(QLatin1String("]]")))
            m_patterns << entry.mid(2, entry.size() - 4);
        else if (!entry.trimmed().isEmpty())
            m_words << entry.trimmed();
    }
}

StubRule StubRule::fromSettings(const Settings& settings) {
    return StubRule(settings.intValue(QStringLiteral("PlaceholderMinChars"), 300),
                    settings.value(QStringLiteral("PlaceholderWords")));
}

bool StubRule::isStub(const QString& text, const QString& wordsIn) const {
    if (!isOn())
        return false;
    const QString& searched = wordsIn.isNull() ? text : wordsIn;
    for (const QString& word : m_words)
        if (searched.contains(word))
            return true;
    for (const QString& pattern : m_patterns)
        if (!regexMatchValues(searched, pattern).isEmpty())
            return true;
    if (m_minChars == 0 || mayHoldPictures(text))
        return false;
    // Characters a reader sees, tags and white space left out, counted only as far as needed.
    int seen = 0;
    bool inTag = false;
    for (const QChar c : text) {
        if (inTag) {
            inTag = c != u'>';
        } else if (c == u'<') {
            inTag = true;
        } else if (!c.isSpace() && ++seen >= m_minChars) {
            return false;
        }
    }
    return true;
}

} // namespace ChapterPages
