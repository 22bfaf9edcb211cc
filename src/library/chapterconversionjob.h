#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class NovelFileWriter;

// Rewrites stored chapter pages in place: the current display style, the other Chinese script, a new
// paragraph layout, or another code page. A page that is missing or does not decode cleanly is
// skipped and counted, never rewritten; a stop ends the run at the next chapter and what is written
// stays.
class ChapterConversionJob : public Job {
    Q_OBJECT

public:
    // The values the menu commands pass.
    enum class Mode {
        Style = 1,       // mnuSetGood, mnuAllSetGood, extContentSetGood
        Traditional = 2, // mnubig5
        Simplified = 3,  // mnuGB2312
        Typeset = 4,     // mnuAutoTypeset
        Big5 = 12,       // mnubig5charset
        Gb2312 = 13,     // mnugb2312charset
    };

    struct Request {
        Mode mode = Mode::Style;
        // The chosen chapters of one novel (in list order); empty: every chapter of the novels.
        QList<qint64> chapterIds;
        QStringList novelIds;
        // mnuAllSetGood: a page that already refers to the library's own "/css/style.css" stays.
        bool keepStyledPages = false;
    };

    struct Result {
        int converted = 0;
        int missing = 0;     // chapter pages not found
        int undecodable = 0; // pages that did not decode cleanly
        int failed = 0;      // pages that could not be written
        bool stopped = false;
        QString error; // why nothing was done: the novel is being downloaded or rewritten already
    };

    ChapterConversionJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                         const Request& request, QObject* parent = nullptr);
    ~ChapterConversionJob() override;

    // Read after finished().
    Result result() const { return m_result; }

Q_SIGNALS:
    // The page was written; a window showing it reloads.
    void chapterConverted(const QString& novelId, qint64 chapterId);

protected:
    void run() override;

private:
    void convertChapter(const NovelFileWriter& writer, const QString& novelId, qint64 chapterId,
                        const QString& title);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    Request m_request;
    Result m_result;
};
