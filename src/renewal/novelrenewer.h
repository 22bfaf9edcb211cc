#pragma once

#include "renewal/chapterprocessor.h"
#include "renewal/concurrentredownload.h"
#include "renewal/renewstore.h"
#include "toc/chapterlistreader.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QThread>

#include <memory>

struct DownloadContext;
class SiteSignTable;

// The download of one novel: its renewal from the table of contents, the re-download of chosen
// chapters, and the re-reading of volume names and novel information. Runs on the thread of its
// context's fetcher; reports through the context's events.
class NovelRenewer {
    Q_DECLARE_TR_FUNCTIONS(NovelRenewer)

public:
    explicit NovelRenewer(DownloadContext& context);
    // Waits for the last checkpoint (checkpointMeanwhile).
    ~NovelRenewer();
    NovelRenewer(const NovelRenewer&) = delete;
    NovelRenewer& operator=(const NovelRenewer&) = delete;

    void setSiteSigns(const SiteSignTable* signs) { m_signs = signs; }
    DownloadContext& context() { return m_context; }
    // Asked for the new chapters when bIsManualSelect is on.
    void setChooser(ChapterChooser chooser) { m_chooser = std::move(chooser); }

    struct Outcome {
        int stored = 0;         // chapters that got their text
        int failedChapters = 0; // chapters that could not be fetched or stored, or came without text
        bool failed = false;    // the table of contents (or the novel) could not be read
        bool stopped = false;
        Outcome& operator+=(const Outcome& other);
    };

    // The contents pages of these novels are fetched ahead (MultGetNums 2 or more) while the ones
    // before them are renewed; renewNovel takes each in its turn. What is stored, in which order, and
    // what is said stays as without: a page only counts once its novel's turn has come.
    void fetchListsAhead(const QStringList& novelIds);
    // Lets go of the pages fetched ahead (the end of the run, or a stop).
    void dropListsAhead();

    // New chapters of the novel, then the waiting ones a stopped or killed run left. readInformation:
    // author, brief and cover are read along (the one-shot request of a novel just added).
    Outcome renewNovel(const QString& novelId, bool readInformation = false);
    // The chapters again; new to the library when their ids are in announced.
    Outcome redownloadChapters(const NovelRecord& novel, const QList<StoredChapter>& chapters,
                               const QSet<qint64>& announced = {});
    // Mode VolumeNames or NovelInformation of the chapter list reader; false when the table of
    // contents could not be read or nothing was found.
    bool rereadList(const QString& novelId, ChapterListMode mode, Outcome* outcome = nullptr);

    // Every chapter the table of contents lists now (mode Synchronisation: no stored or excluded
    // chapter left out, dropped links keep their place with an empty address); empty when the page
    // could not be read or lists no chapter.
    ChapterLinks readSiteList(const NovelRecord& novel, Outcome* outcome = nullptr);

    // Chapters whose page refers to their own pictures (all of them, or only those with a missing
    // picture file).
    QList<StoredChapter> chaptersWithPictures(const QString& novelId, bool missingOnly) const;

    static QString failedNovelText(const QString& name);

private:
    // Whether the novel's list page misses chapters stored since it was written: a run killed
    // between its last chapter and the list page leaves it so, and the next finds nothing new.
    bool listPageBehind(const QString& novelId) const;
    Outcome renewSequentially(ChapterProcessor& processor, const NovelRecord& novel,
                              const ChapterLinks& links);
    Outcome renewConcurrently(const NovelRecord& novel, const ChapterLinks& links,
                              const ChapterLinks& listed);
    // The new rows inserted while the first pages are fetched (new rows that go after all others).
    Outcome renewInsertingMeanwhile(const NovelRecord& novel, const QList<ChapterRecord>& records);
    Outcome redownloadSequentially(ChapterProcessor& processor, const NovelRecord& novel,
                                   const QList<StoredChapter>& chapters, const QSet<qint64>& announced);
    using Inserting = ConcurrentRedownload::Inserting;
    Outcome redownloadConcurrently(ChapterProcessor& processor, const NovelRecord& novel,
                                   const QList<StoredChapter>& chapters, const QSet<qint64>& announced,
                                   Inserting* inserting = nullptr);
    // One fetched answer into the library.
    ChapterOutcome store(ChapterProcessor& processor, const FetchedPage& answer, const ChapterItem& item);
    Outcome followDeeperLinks(ChapterProcessor& processor, const ChapterLinks& links);
    // The reader of this renewal's lists: its database, signs, folder, status and stop.
    void prepareListReader(ChapterListReader& reader);
    bool fetchList(const NovelRecord& novel, ChapterListRequest& request);
    void status(const QString& text) const;
    // Counts a chapter as stored or failed; whether it got its text.
    static bool tally(const ChapterOutcome& chapter, Outcome& outcome);
    // Folds the write-ahead log into the database file on a thread of its own while the renewal
    // goes on (the list page, the next novel), one at a time: the library then closes without
    // that wait, and a copy of the file alone holds the chapters.
    void checkpointMeanwhile();
    // The stubs marked at earlier renewals, fetched again while they have tries left.
    Outcome renewPlaceholders(const NovelRecord& novel, const QList<StoredChapter>& stubs);

    DownloadContext& m_context;
    const SiteSignTable* m_signs = nullptr;
    ChapterChooser m_chooser;
    QString m_pageCharset;     // of the novel's table of contents, for chapter answers without one
    QSet<QString> m_handled;   // lower-case addresses stored in this renewal
    QSet<QString> m_scheduled; // lower-case addresses of the new chapters still to come
    ChapterLinks m_listed;     // the chapters of the contents list of this renewal, never a next page
    std::unique_ptr<QThread> m_checkpoint;
    struct Ahead {
        int index = 0;   // in the fetcher's list
        QString listUrl; // as it was asked for: a novel changed meanwhile is fetched anew
    };
    QHash<QString, Ahead> m_ahead; // by NovelID
};
