#pragma once

#include "output/outputchapter.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"
#include "storage/settings.h"

#include <QString>

class Database;
class EpubArchive;

// Makes the EPUB 3 e-book of a novel: one XHTML document per chapter (the text between the content
// markers, or the whole page's body), a title page where a volume starts, the pictures the chapters
// show, a cover, nav.xhtml and toc.ncx; written atomically and entered in the bookcase.
class EpubBuildJob : public Job {
    Q_OBJECT

public:
    EpubBuildJob(Database& db, const LibraryFolder& folder, const Settings& settings, QString novelId,
                 QObject* parent = nullptr);

    // Default: the output folder + the novel's name + ".epub"; a folder holds the book under that name.
    void setTargetPath(const QString& path) { m_targetPath = path; }
    // Also leaves the book's files unpacked in this folder.
    void setUnpackedFolder(const QString& folder) { m_unpackedFolder = folder; }

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;    // the message the user was given
        QString bookPath; // the e-book
        int pictures = 0; // pictures packed (the cover among them)
    };
    Result result() const { return m_result; }

protected:
    void run() override;

private:
    class Catalogue;
    struct Converted;
    bool convertChapters(const QList<OutputChapter>& chapters, Catalogue& catalogue,
                         QList<Converted>& converted);
    Converted convertChapter(const OutputChapter& chapter, Catalogue& catalogue) const;
    // The cover page's body; picture receives the cover picture's name in the book, pictures those
    // the page shows.
    QString coverBody(const NovelRecord& novel, Catalogue& catalogue, QString* picture,
                      QStringList* pictures) const;
    void fail(const QString& message);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QString m_novelId;
    QString m_targetPath;
    QString m_unpackedFolder;
    Result m_result;
};
