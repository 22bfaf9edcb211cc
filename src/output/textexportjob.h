#pragma once

#include "output/outputchapter.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"
#include "storage/settings.h"

#include <QString>
#include <QStringList>

class Database;

// A novel as plain text: one text file, one word-processor document (HTML that a word processor
// opens), one text file per chapter, or the full-text reading page all.htm.
class TextExportJob : public Job {
    Q_OBJECT

public:
    enum class Mode {
        Text,         // <output folder>/<name>.txt
        Document,     // <output folder>/<name>.doc
        ChapterFiles, // <folder>/001_<title>.txt ...
        FullTextPage, // chm/<NovelID>/all.htm from the chapter template
    };

    // folder: where ChapterFiles go; unused otherwise.
    TextExportJob(Database& db, const LibraryFolder& folder, const Settings& settings, QString novelId,
                  Mode mode, QString exportFolder = QString(), QObject* parent = nullptr);

    // Text and Document: write here instead of the output folder; a folder holds the file under the
    // novel's name.
    void setTargetPath(const QString& path) { m_targetPath = path; }

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;
        QString path;      // the file or folder written
        QStringList files; // ChapterFiles: every file written
        QString openPath;  // what to open with the desktop's program now; "" for nothing
    };
    Result result() const { return m_result; }

    // The text of the whole novel as one file has it: name and author first, volume headings.
    // Exposed for the full-text page and the tests; stops early (returning "") on a stop request.
    QString wholeText(const NovelRecord& novel, const QList<OutputChapter>& chapters);

protected:
    void run() override;

private:
    bool exportChapterFiles(const QList<OutputChapter>& chapters);
    bool writeFullTextPage(const NovelRecord& novel, const QList<OutputChapter>& chapters);
    QString chapterText(const OutputChapter& chapter) const;
    void showProgress(qsizetype index, qsizetype total, const QString& title);
    void fail(const QString& message);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QString m_novelId;
    Mode m_mode;
    QString m_chapterFolder;
    QString m_targetPath;
    Result m_result;
};
