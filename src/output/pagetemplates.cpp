#include "output/pagetemplates.h"

#include "storage/libraryfolder.h"
#include "storage/textfile.h"
#include "text/html.h"

#include <QFileInfo>

namespace PageTemplates {

namespace {

QString readWithShippedFallback(const QString& path, const QString& shippedName) {
    if (QFileInfo::exists(path))
        return readTextFile(path);
    const QString shipped = LibraryFolder::shippedDataDir();
    return shipped.isEmpty() ? QString() : readTextFile(shipped + QLatin1String("/model/") + shippedName);
}

} // namespace

const QStringList& builtInStyles() {
    static const QStringList styles = {QStringLiteral("普通样式"), QStringLiteral("简洁样式"),
                                       QStringLiteral("外框样式")};
    return styles;
}

bool isBuiltInStyle(const QString& style) {
    return builtInStyles().contains(style);
}

QString effectiveStyle(const LibraryFolder& folder, const QString& style) {
    if (isBuiltInStyle(style))
        return style;
    if (!style.isEmpty() && QFileInfo(folder.file(QStringLiteral("usermodel/") + style)).isDir())
        return style;
    return builtInStyles().first();
}

QString chapterTemplatePath(const LibraryFolder& folder, const QString& style) {
    const QString s = effectiveStyle(folder, style);
    const qsizetype index = builtInStyles().indexOf(s);
    if (index >= 0)
        return folder.file(QStringLiteral("model/vbArticle%1.htm").arg(index + 1));
    return folder.file(QStringLiteral("usermodel/") + s + QLatin1String("/chaptermodel.htm"));
}

QString listTemplatePath(const LibraryFolder& folder, const QString& style) {
    const QString s = effectiveStyle(folder, style);
    if (isBuiltInStyle(s))
        return folder.file(QStringLiteral("model/vbarticlelist.htm"));
    return folder.file(QStringLiteral("usermodel/") + s + QLatin1String("/listmodel.htm"));
}

QString readModelTemplate(const LibraryFolder& folder, const QString& name) {
    return readWithShippedFallback(folder.file(QStringLiteral("model/") + name), name);
}

QString readChapterTemplate(const LibraryFolder& folder, const QString& style) {
    const QString path = chapterTemplatePath(folder, style);
    QString page;
    if (isBuiltInStyle(effectiveStyle(folder, style)))
        page = readWithShippedFallback(path, QFileInfo(path).fileName());
    else
        page = QFileInfo::exists(path) ? readTextFile(path)
                                       : readModelTemplate(folder, QStringLiteral("vbArticle1.htm"));
    // The program knows its own pages by the style comment; copies in older libraries and user
    // styles written by hand may lack it.
    const qsizetype content = page.indexOf(kBookContentStart);
    if (content >= 0 && !hasStyledPageComment(page))
        page.insert(content, kStyledPageComment);
    return page;
}

QString readListTemplate(const LibraryFolder& folder, const QString& style) {
    const QString path = listTemplatePath(folder, style);
    // A user style without its list page falls back to the built-in one.
    return QFileInfo::exists(path) ? readTextFile(path)
                                   : readModelTemplate(folder, QStringLiteral("vbarticlelist.htm"));
}

} // namespace PageTemplates
