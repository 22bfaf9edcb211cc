#include "library/readingpages.h"

#include "text/charset.h"
#include "text/html.h"
#include "text/innertext.h"
#include "storage/libraryfolder.h"
#include "storage/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace ReadingPages {

namespace {

// Names and titles come from novel sites: they are text, never markup.
QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString endText(const QString& bIsEnd) {
    return bIsEnd == QLatin1String("1") ? QStringLiteral("已全本") : QStringLiteral("连载中");
}

} // namespace

QString fileUrl(const QString& path, const QString& anchor) {
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url.toString(QUrl::FullyEncoded);
}

QString recentDownRows(const QList<ChapterRow>& rows, const LibraryFolder& folder) {
    if (rows.isEmpty())
        return QStringLiteral("<tr><td align=center colspan=4>无内容</td></tr>");
    QString out;
    for (const ChapterRow& r : rows) {
        const QString volume = r.volume.trimmed();
        out += r.read ? QLatin1String("<tr bgcolor=#e0f3fe>") : QLatin1String("<tr>");
        out += QLatin1String("<td><a href=\"") + esc(fileUrl(folder.chapterPage(r.novelId, r.id))) +
               QLatin1String("\"><font color=") + (r.read ? QLatin1String("brown") : QLatin1String("blue")) +
               QStringLiteral(">《") + esc(r.novelName) + QStringLiteral("》</font>") +
               (volume.isEmpty() ? QString() : esc(volume) + u'-') + esc(r.title) +
               QLatin1String("</a></td>");
        out += r.read ? QStringLiteral("<td class=read>已读</td>") : QStringLiteral("<td class=read></td>");
        out += QLatin1String("<td class=time>") + esc(r.downDate) + QLatin1String("</td><td class=time>") +
               esc(r.downTime) + QLatin1String("</td></tr>\r\n");
    }
    return out;
}

QString bookmarkRows(const QList<Bookmark>& bookmarks) {
    if (bookmarks.isEmpty())
        return QStringLiteral("<tr><td align=center>尚无书签</td></tr>");
    QString out;
    for (int i = 0; i < bookmarks.size(); ++i) {
        const Bookmark& b = bookmarks.at(i);
        out += i % 2 == 0 ? QLatin1String("<tr>") : QLatin1String("<tr bgcolor=#F6F6F6>");
        out += QLatin1String("<td><a href=\"") + esc(fileUrl(b.fullAddress, b.strPos)) +
               QLatin1String("\">") + esc(b.name) + QLatin1String("</a></td></tr>\r\n");
    }
    return out;
}

QString bookListRows(const QList<NovelRow>& novels, const LibraryFolder& folder) {
    if (novels.isEmpty())
        return QStringLiteral("<tr><td align=center colspan=4>无内容</td></tr>");
    QString out;
    for (const NovelRow& n : novels) {
        out += QLatin1String("<tr><td><a href=\"") + esc(fileUrl(folder.novelListPage(n.novelId))) +
               QLatin1String("\"><font color=blue>") + esc(n.name) + QLatin1String("</font></a></td><td>") +
               esc(n.categoryName) + QLatin1String("</td><td>") + esc(n.author) + QLatin1String("</td><td>") +
               endText(n.bIsEnd) + QLatin1String("</td></tr>\r\n");
    }
    return out;
}

QString writePage(const LibraryFolder& folder, const QString& templateName, const QString& rows,
                  const QString& fileName, QString* error) {
    QString page = readTextFile(folder.file(QLatin1String("model/") + templateName));
    page.replace(QLatin1String("[[Content]]"), rows);
    const QString path = folder.file(fileName);
    if (!writeBytesAtomically(path, encodeHtmlForCharset(page, QStringLiteral("gb2312")), error))
        return {};
    return path;
}

QString writeRecentDown(const LibraryFolder& folder, const QList<ChapterRow>& rows, QString* error) {
    return writePage(folder, QStringLiteral("vbrecentdown.htm"), recentDownRows(rows, folder),
                     QStringLiteral("recentdown.htm"), error);
}

QString writeBookmarkList(const LibraryFolder& folder, const QList<Bookmark>& bookmarks, QString* error) {
    return writePage(folder, QStringLiteral("vbbookmark.htm"), bookmarkRows(bookmarks),
                     QStringLiteral("bookmark.htm"), error);
}

QString writeBookList(const LibraryFolder& folder, const QList<NovelRow>& novels, QString* error) {
    return writePage(folder, QStringLiteral("vbbooklist.htm"), bookListRows(novels, folder),
                     QStringLiteral("booklist.htm"), error);
}

bool readPageText(const QString& path, QString& text, QString* charset) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    static const QRegularExpression re(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_-]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(bytes.left(4096)));
    QString name = m.hasMatch() ? m.captured(1) : QStringLiteral("gb2312");
    text = bytesToText(bytes, name);
    if (charset)
        *charset = name;
    return true;
}

bool ensureChapterPage(const QString& path) {
    if (QFileInfo::exists(path))
        return true;
    return writeTextFile(path,
                         QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                        "content=\"text/html; charset=gb2312\"></head><body></body></html>"));
}

bool chapterPageMissingOrEmpty(const QString& path) {
    QString page;
    if (!readPageText(path, page))
        return true;
    const qsizetype start = page.indexOf(kBookContentStart);
    const qsizetype end = start < 0 ? -1 : page.indexOf(kBookContentEnd, start);
    const QString body =
        end < 0 ? page : page.mid(start + kBookContentStart.size(), end - start - kBookContentStart.size());
    return !body.contains(QLatin1String("<img"), Qt::CaseInsensitive) &&
           htmlInnerText(body).trimmed().isEmpty();
}

} // namespace ReadingPages
