#include "library/readingaccess.h"

#include <QDir>
#include <QFileInfo>

namespace ReadingAccess {

namespace {

QString cleanLocal(const QUrl& url) {
    return QDir::cleanPath(url.toLocalFile());
}

bool isInside(const QString& path, const QString& folder) {
    return path.startsWith(folder + u'/') && !path.mid(folder.size() + 1).contains(QLatin1String("/../"));
}

// Directly inside folder, not in a subfolder of it.
bool isDirectlyIn(const QString& path, const QString& folder) {
    return isInside(path, folder) && !path.mid(folder.size() + 1).contains(u'/');
}

} // namespace

bool allows(const QString& libraryPath, const QUrl& page, const QUrl& request, Resource kind) {
    const QString scheme = request.scheme().toLower();
    if (scheme == QLatin1String("about"))
        return kind == Resource::MainFrame || kind == Resource::SubFrame;
    if (scheme == QLatin1String("data"))
        return kind == Resource::Image || kind == Resource::Font;

    const QString library = QDir::cleanPath(libraryPath);
    const QString chm = library + QLatin1String("/chm");

    if (kind == Resource::MainFrame)
        return request.isLocalFile() && isInside(cleanLocal(request), library);

    if (!page.isLocalFile())
        return false;
    const QString pagePath = cleanLocal(page);
    if (!isInside(pagePath, library))
        return false;
    // A novel folder is chm/<NovelID>; the pages in the library folder itself (logs, lists) are ours.
    const QString pageFolder = QFileInfo(pagePath).absolutePath();
    const bool novelPage = QFileInfo(pageFolder).absolutePath() == chm;

    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return novelPage && kind == Resource::Image;
    if (!request.isLocalFile())
        return false;

    const QString path = cleanLocal(request);
    switch (kind) {
    case Resource::Script:
        return path == chm + QLatin1String("/head.js");
    case Resource::Stylesheet:
        return path == chm + QLatin1String("/style.css") || (novelPage && isDirectlyIn(path, pageFolder));
    case Resource::Image:
    case Resource::Font:
    case Resource::Media:
        return (novelPage && isDirectlyIn(path, pageFolder)) || isDirectlyIn(path, chm) ||
               isDirectlyIn(path, library + QLatin1String("/bgimage"));
    case Resource::MainFrame:
    case Resource::SubFrame:
    case Resource::Request:
    case Resource::Other:
        return false;
    }
    return false;
}

} // namespace ReadingAccess
