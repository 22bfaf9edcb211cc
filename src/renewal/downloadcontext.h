#pragma once

#include "renewal/downloadevents.h"
#include "renewal/downloadlistpage.h"
#include "renewal/downloadoptions.h"
#include "toc/linkcollector.h"
#include "renewal/novelfilewriter.h"
#include "storage/libraryfolder.h"

class Database;
class PageFetcher;

// What every step of a download run shares: the library, the settings of the run, the fetcher of
// the run's thread, where events go and the stop check.
struct DownloadContext {
    DownloadContext(const Database& database, const LibraryFolder& libraryFolder,
                    const DownloadOptions& runOptions, PageFetcher& pageFetcher, DownloadEvents& runEvents,
                    StopCheck stopCheck)
        : db(database)
        , folder(libraryFolder)
        , options(runOptions)
        , fetcher(pageFetcher)
        , events(runEvents)
        , stop(std::move(stopCheck))
        , writer(libraryFolder, runOptions.settings) {}

    bool stopped() const { return stop && stop(); }
    // DelayTime: the status says why the next chapter waits.
    void sayPause() const {
        const QString text = DownloadListPage::pauseStatus(options.fetch.chapterPauseMs);
        if (!text.isEmpty())
            events.status(text);
    }

    const Database& db;
    LibraryFolder folder;
    const DownloadOptions& options;
    PageFetcher& fetcher;
    DownloadEvents& events;
    StopCheck stop;
    NovelFileWriter writer;
};
