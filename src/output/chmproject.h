#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Settings;

// The texts of an HTML Help project: project, contents, index and start page, and the relinking
// of chapter pages. Every line ends in "\r\n".
namespace ChmProject {

inline const QString kProjectFile = QStringLiteral("temp.hhp");
inline const QString kContentsFile = QStringLiteral("temp.hhc");
inline const QString kIndexFile = QStringLiteral("temp.hhk");
inline const QString kStartPage = QStringLiteral("tempbook.htm");
// What the compiler makes of a collection's project.
inline const QString kCollectionFile = QStringLiteral("temp.chm");

// The button flags of the viewer window for the Chm keys that are "1".
int buttonMask(const Settings& settings);
// The "Main=" line of [WINDOWS]; still holds [[TopicFileName]].
QString windowLine(const Settings& settings);

// files go first into [Files], then an empty line, then styleFiles (the pictures of a user style).
// The index is kept as a sitemap (Binary Index=No): the compiler's binary index loses Chinese
// keywords.
QString buildProjectText(const QString& title, const QString& compiledFile, const QString& windowLine,
                         const QStringList& files, const QStringList& styleFiles);

// The same for several novels in one book: no contents, no index, fewer buttons, compiled into
// kCollectionFile.
int collectionButtonMask(const Settings& settings);
QString collectionWindowLine(const Settings& settings);
QString buildCollectionProjectText(const QString& title, const QString& windowLine, const QStringList& files,
                                   const QStringList& styleFiles);
// The project as the compiler reads it: code page 936, but the [Files] lines in UTF-8 as the file
// system names them.
QByteArray encodeProject(const QString& projectText);

QString buildContentsText(const QString& entries);
QString buildIndexText(const QString& entries);
// folder is the novel folder inside the book ("chm/000001/").
QString contentsEntry(const QString& name, const QString& folder, const QString& page, bool noLink = false);
QString contentsFolderEntry(const QString& name, const QString& folder, const QString& page, bool open,
                            bool noLink = false);
QString indexEntry(const QString& keyword, const QString& folder, const QString& page);

QString startPageText(const QString& startPage);

// Points the page's "Prior.htm" and "Next.htm" links at the neighbours of position in pages
// ("List.htm" beyond either end). A page without "Next.htm" has been relinked before and is left
// alone: returns false and does not touch it. Works on the stored bytes, whatever their charset.
bool relinkPage(qsizetype position, const QStringList& pages, QByteArray& page);

} // namespace ChmProject
