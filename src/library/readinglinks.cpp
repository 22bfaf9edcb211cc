#include "library/readinglinks.h"

#include <QDir>
#include <QFileInfo>
#include <QUrlQuery>

ReadingLink ReadingLink::classify(const QUrl& url, const QString& chmDir) {
    ReadingLink link;
    if (QUrl::fromPercentEncoding(url.toEncoded())
            .contains(QLatin1String("bookmarkmanage.asp"), Qt::CaseInsensitive)) {
        link.kind = Kind::BookmarkManager;
        return link;
    }
    if (!url.isLocalFile() || url.query().contains(QLatin1String("op=read"), Qt::CaseInsensitive))
        return link;

    // Exactly <chm>/<NovelID>/<file>: pages further down or elsewhere are not chapter links.
    const QFileInfo target(QDir::cleanPath(url.toLocalFile()));
    const QString novelFolder = target.absolutePath();
    if (QDir::cleanPath(QFileInfo(novelFolder).absolutePath()) != QDir::cleanPath(chmDir))
        return link;

    QString name = target.fileName();
    if (name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        name.chop(4);
    else if (name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        name.chop(5);
    else
        return link;

    link.novelId = QFileInfo(novelFolder).fileName();
    link.anchor = url.fragment(QUrl::FullyDecoded);
    link.fileName = target.fileName();
    bool numeric = false;
    const qint64 id = name.toLongLong(&numeric);
    if (numeric && id > 0 && !name.startsWith(u'+')) {
        link.kind = Kind::Chapter;
        link.chapterId = id;
    } else if (name.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        link.kind = Kind::FullText;
    } else if (name.compare(QLatin1String("prior"), Qt::CaseInsensitive) == 0) {
        link.kind = Kind::Prior;
    } else if (name.compare(QLatin1String("next"), Qt::CaseInsensitive) == 0) {
        link.kind = Kind::Next;
    } else if (name.startsWith(QLatin1String("vol"), Qt::CaseInsensitive)) {
        link.kind = Kind::Volume;
    } else {
        // The contents page and anything else in the folder open normally.
        link.novelId.clear();
        link.anchor.clear();
        link.fileName.clear();
    }
    return link;
}
