#include "library/bookmarkbook.h"

#include "library/readingpages.h"
#include "text/charset.h"
#include "text/html.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool readPage(const QString& path, QString& html, QString& charset) {
    return ReadingPages::readPageText(path, html, &charset);
}

bool writePage(const QString& path, const QString& html, const QString& charset) {
    return writeBytesAtomically(path, encodeHtmlForCharset(html, charset));
}

int entityLength(const QString& entity) {
    // "&#x20000;" is two UTF-16 units in the view, like any character outside the BMP.
    if (entity.startsWith(QLatin1String("&#"))) {
        bool ok = false;
        const QString digits = entity.mid(2, entity.size() - 3);
        const uint code = digits.startsWith(u'x', Qt::CaseInsensitive) ? digits.mid(1).toUInt(&ok, 16)
                                                                       : digits.toUInt(&ok, 10);
        return ok && code > 0xFFFF ? 2 : 1;
    }
    return 1;
}

} // namespace

BookmarkBook::BookmarkBook(const QString& libraryPath)
    : m_libraryPath(QDir::cleanPath(libraryPath)) {}

bool BookmarkBook::acceptsPage(const QString& pageTitle) {
    static const QStringList others{QStringLiteral("书签列表"), QStringLiteral("下载日志"),
                                    QStringLiteral("Quiveral下载列表"), QStringLiteral("目录"),
                                    QStringLiteral("搜索结果")};
    return !others.contains(pageTitle.trimmed());
}

QString BookmarkBook::checkSelection(const QString& selected) {
    if (selected.toUcs4().size() > kMaxChars)
        return tr("您选择作为书签的字符数不能超过20个，请重新选择。");
    return {};
}

QString BookmarkBook::nextAnchorName(const QString& html) {
    static const QRegularExpression re(QStringLiteral("<a\\s+name\\s*=\\s*[\"']?(\\d+)[\"']?"),
                                       QRegularExpression::CaseInsensitiveOption);
    int highest = 0;
    for (auto it = re.globalMatch(html); it.hasNext();)
        highest = std::max(highest, it.next().captured(1).toInt());
    return QStringLiteral("%1").arg(highest + 1, 3, 10, QLatin1Char('0'));
}

QString BookmarkBook::anchorHtml(const QString& name) {
    return QLatin1String("<a name=") + name + QLatin1String("></a><img src=\"../bookmark.gif\"></img>");
}

int BookmarkBook::sourceIndexOfTextOffset(const QString& html, int textOffset) {
    static const QRegularExpression bodyTag(QStringLiteral("<body[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[A-Za-z][A-Za-z0-9]*);"));
    const QRegularExpressionMatch body = bodyTag.match(html);
    qsizetype i = body.hasMatch() ? body.capturedEnd() : 0;
    if (textOffset < 0)
        return -1;
    int counted = 0;
    const qsizetype n = html.size();
    while (i < n) {
        if (counted >= textOffset)
            return int(i);
        const QChar c = html.at(i);
        if (c == u'<') {
            // Comments, and script and style blocks, hold no text the reader sees.
            const QStringView rest = QStringView(html).mid(i);
            qsizetype end;
            if (rest.startsWith(QLatin1String("<!--"))) {
                end = html.indexOf(QLatin1String("-->"), i + 4);
                end = end < 0 ? n : end + 3;
            } else if (rest.startsWith(QLatin1String("<script"), Qt::CaseInsensitive) ||
                       rest.startsWith(QLatin1String("<style"), Qt::CaseInsensitive)) {
                const QString close = rest.startsWith(QLatin1String("<script"), Qt::CaseInsensitive)
                                          ? QStringLiteral("</script>")
                                          : QStringLiteral("</style>");
                end = html.indexOf(close, i, Qt::CaseInsensitive);
                end = end < 0 ? n : end + close.size();
            } else {
                end = html.indexOf(u'>', i);
                end = end < 0 ? n : end + 1;
            }
            i = end;
            continue;
        }
        if (c == u'&') {
            const QRegularExpressionMatch m = entity.match(html, i, QRegularExpression::NormalMatch,
                                                           QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch()) {
                counted += entityLength(m.captured(0));
                i = m.capturedEnd();
                continue;
            }
        }
        if (c == u'\r' && i + 1 < n && html.at(i + 1) == u'\n') {
            ++counted;
            i += 2;
            continue;
        }
        ++counted;
        ++i;
    }
    return counted >= textOffset ? int(n) : -1;
}

QString BookmarkBook::removeAnchors(const QString& html, const QString& onlyName) {
    const QString name = onlyName.isEmpty() ? QStringLiteral("\\d+") : QRegularExpression::escape(onlyName);
    const QRegularExpression re(
        QStringLiteral("<a\\s+name\\s*=\\s*[\"']?") + name +
            QStringLiteral("[\"']?\\s*>\\s*</a>\\s*<img[^>]*bookmark\\.gif[^>]*>(\\s*</img>)?"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = html;
    out.remove(re);
    return out;
}

QString BookmarkBook::storedAddress(const QString& pagePath) const {
    const QString chm = m_libraryPath + QLatin1String("/chm/");
    const QString clean = QDir::cleanPath(pagePath);
    return clean.startsWith(chm) ? clean.mid(chm.size()) : clean;
}

QList<Bookmark> BookmarkBook::list() const {
    QList<Bookmark> bookmarks;
    loadBookmarks(m_libraryPath, bookmarks);
    return bookmarks;
}

std::optional<Bookmark> BookmarkBook::firstOfNovel(const QString& novelId) const {
    for (const Bookmark& b : list())
        if (b.fullAddress.contains(u'/' + novelId + u'/'))
            return b;
    return std::nullopt;
}

bool BookmarkBook::stripAnchorFromPage(const QString& path, const QString& name) {
    QString html;
    QString charset;
    if (!readPage(path, html, charset))
        return false;
    const QString stripped = removeAnchors(html, name);
    return stripped == html || writePage(path, stripped, charset);
}

BookmarkBook::Result BookmarkBook::add(const Request& request) {
    Result result;
    result.error = checkSelection(request.selected);
    if (!result.error.isEmpty())
        return result;

    QList<Bookmark> bookmarks = list();
    if (request.oneBookmark) {
        QList<Bookmark> earlier;
        bookmarks.removeIf([&](const Bookmark& b) {
            const bool ofNovel = b.fullAddress.contains(u'/' + request.novelId + u'/');
            if (ofNovel)
                earlier << b;
            return ofNovel;
        });
        for (const Bookmark& b : earlier)
            stripAnchorFromPage(b.fullAddress, b.strPos);
    }

    QString html;
    QString charset;
    if (!readPage(request.pagePath, html, charset)) {
        result.error = tr("无此文件");
        return result;
    }
    qsizetype at = request.textOffset >= 0 ? sourceIndexOfTextOffset(html, request.textOffset) : -1;
    if (at < 0) {
        // No usable position: the top of the chapter text.
        at = html.indexOf(kBookContentStart);
        at = at < 0 ? sourceIndexOfTextOffset(html, 0) : at + kBookContentStart.size();
    }
    result.anchor = nextAnchorName(html);
    html.insert(at, anchorHtml(result.anchor));
    if (!writePage(request.pagePath, html, charset)) {
        result.error = tr("书签无法写入文件：") + request.pagePath;
        return result;
    }

    Bookmark b;
    b.name = QStringLiteral("《") + request.novelName + QStringLiteral("》 - ") + request.chapterTitle;
    b.url = storedAddress(request.pagePath);
    b.strPos = result.anchor;
    b.fullAddress = bookmarkFullAddress(m_libraryPath, b.url);
    bookmarks << b;
    if (!saveBookmarks(m_libraryPath, bookmarks))
        result.error = tr("书签无法写入文件：") + m_libraryPath + QLatin1String("/bookmark.xml");
    return result;
}

bool BookmarkBook::save(const QList<Bookmark>& kept, const QList<Bookmark>& removed) {
    if (!saveBookmarks(m_libraryPath, kept))
        return false;
    bool ok = true;
    for (const Bookmark& b : removed)
        if (QFileInfo::exists(b.fullAddress))
            ok = stripAnchorFromPage(b.fullAddress, b.strPos) && ok;
    return ok;
}
