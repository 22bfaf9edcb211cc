#pragma once

#include <QString>
#include <QStringList>

class LibraryFolder;

// The page templates of the display styles: model/ for the built-in ones, usermodel/<style>/ for
// the user's.
namespace PageTemplates {

// "普通样式", "简洁样式", "外框样式".
const QStringList& builtInStyles();
bool isBuiltInStyle(const QString& style);
// A user style counts only while its folder exists; otherwise the first built-in style is used.
QString effectiveStyle(const LibraryFolder& folder, const QString& style);

QString chapterTemplatePath(const LibraryFolder& folder, const QString& style);
QString listTemplatePath(const LibraryFolder& folder, const QString& style);

// The text of model/<name>; the shipped copy when the library has none.
QString readModelTemplate(const LibraryFolder& folder, const QString& name);
// A chapter template with content comments carries the style comment too.
QString readChapterTemplate(const LibraryFolder& folder, const QString& style);
QString readListTemplate(const LibraryFolder& folder, const QString& style);

} // namespace PageTemplates
