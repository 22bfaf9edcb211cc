#pragma once

#include "output/chmcompiler.h"
#include "output/outputchapter.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"
#include "storage/settings.h"

#include <QString>

class Database;

// Makes the CHM e-book of a novel: links the chapter pages in reading order, writes the list page,
// cover, contents, index and project into a work folder of its own under the library's temp folder,
// compiles with chmcmd, puts the e-book in place and enters the novel in the bookcase.
class ChmBuildJob : public Job {
    Q_OBJECT

public:
    ChmBuildJob(Database& db, const LibraryFolder& folder, const Settings& settings, QString novelId,
                QObject* parent = nullptr);

    // Default: the output folder + the novel's name + ".chm"; a folder holds the book under that name.
    void setTargetPath(const QString& path) { m_targetPath = path; }
    void setCompiler(const ChmCompiler& compiler) { m_compiler = compiler; }
    // Leaves the work folder behind (to compile its project again).
    void setKeepWorkFolder(bool keep) { m_keepWorkFolder = keep; }

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;      // the message the user was given
        QString chmPath;    // the e-book, to be opened with the desktop's program
        QString workFolder; // only with setKeepWorkFolder
    };
    Result result() const { return m_result; }

protected:
    void run() override;

private:
    bool buildChm(const NovelRecord& novel, const QList<OutputChapter>& chapters, const QString& target);
    bool writeCover(const NovelRecord& novel);
    bool writeListChm(const NovelRecord& novel, const QList<OutputChapter>& chapters, QString* error);
    void fail(const QString& message);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QString m_novelId;
    QString m_targetPath;
    ChmCompiler m_compiler;
    bool m_keepWorkFolder = false;
    Result m_result;
};
