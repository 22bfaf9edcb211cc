#pragma once

#include "output/chmcompiler.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class LibraryFolder;
class Settings;

// The work folder of one e-book build, under the library's temp folder, so that two builds never
// share work files. The library's folders the book takes files from are reached through links inside
// it; the links go before the folder does, so that removing it can never reach into the library.
class ChmWorkFolder {
    Q_DECLARE_TR_FUNCTIONS(ChmWorkFolder)

public:
    // keep leaves the folder behind (to compile its project again).
    ChmWorkFolder(const LibraryFolder& folder, bool keep);
    ~ChmWorkFolder();
    ChmWorkFolder(const ChmWorkFolder&) = delete;
    ChmWorkFolder& operator=(const ChmWorkFolder&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    // "无法建立临时文件夹：…"
    QString errorMessage() const;
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + u'/' + name; }

    // name (relative, its folder existing) becomes a link to target.
    bool link(const QString& name, const QString& target);

    // The background picture of the settings as the project lists it, or nothing.
    QStringList backgroundFiles(const Settings& settings);
    // The pictures of the user's display style, listed after the others.
    QStringList styleFiles(const Settings& settings);

private:
    const LibraryFolder& m_folder;
    QTemporaryDir m_dir;
    QStringList m_links;
    bool m_keep = false;
};

// The steps every e-book build shares.
namespace ChmBookWork {

enum class Outcome { Done, Stopped, Failed };

// The book's pages and sitemaps are written as GBK: what GBK lacks goes in as character references.
bool writeGbkPage(const QString& path, const QString& page, QString* error);

// Links the novel's chapter pages (names in pages, in reading order) to their neighbours, several at
// a time; progress gets the number done now and then. Pages relinked before are left alone.
Outcome relinkPages(const QString& novelDir, const QStringList& pages,
                    const std::function<bool()>& stopRequested, const std::function<void(int)>& progress,
                    QString* error);

// Every file of a novel folder as the book names it (prefix + relative path), e-books left out, sorted.
QStringList novelFiles(const QString& novelDir, const QString& prefix);
// The files all novel pages share (style.css, head.js, bookmark.gif) that the chm folder holds.
QStringList sharedFiles(const QString& chmDir, const QString& prefix);

// Compiles the project of the work folder and puts the book at target, replacing the old one only
// once the new one exists ("请先关闭原先打开的电子书" when it cannot go).
Outcome compileInto(const ChmCompiler& compiler, const QString& workDir, const QString& projectFile,
                    const QString& outputName, const QString& target,
                    const std::function<bool()>& stopRequested, QString* error);

} // namespace ChmBookWork
