#pragma once

#include "storage/novelrecord.h"
#include "toc/chapterlink.h"
#include "toc/chapterlistoptions.h"
#include "toc/feedreader.h"
#include "toc/linkcollector.h"
#include "toc/novelinforeader.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Database;
class PageSource;
class SiteSignTable;

enum class ChapterListMode {
    Renewal = 0,          // the chapters not yet stored, for download
    VolumeNames = 1,      // rewrite the volume names of the stored chapters
    NovelInformation = 2, // read author, brief and cover only
    Synchronisation = 3,  // every chapter the site lists, nothing written
};

struct ChapterListRequest {
    QString page;        // the decoded table-of-contents page
    QString pageCharset; // as the decoder left it; a "big5" list is read in simplified script
    QString listUrl;
    NovelRecord novel;  // NovelID, name and the list and volume markers
    QString needDelUrl; // the novel's excluded links
    ChapterListMode mode = ChapterListMode::Renewal;
    bool readInformation = false; // the one-shot information request; mode 2 reads it anyway
};

// The user's pick among the new chapters (indexes into the candidates handed over).
struct ChapterChoice {
    bool accepted = false; // false: the window was closed, nothing is downloaded
    QList<int> chosen;
    bool filterUnchosen = false; // remember the others in the novel's excluded links
    QStringList volumes;         // per candidate, when the user renamed volumes; empty otherwise
};
using ChapterChooser = std::function<ChapterChoice(const QString& novelId, const ChapterLinks& candidates)>;

struct ChapterListResult {
    enum class Outcome {
        Chapters,        // links holds the candidates (dropped ones with an empty address)
        NoLinks,         // the list had no links at all ("无目录内容")
        NoChapters,      // nothing left after filtering ("该目录页没有章节")
        VolumesRenamed,  // mode 1 done
        InformationRead, // mode 2 done
        Stopped,
    };
    Outcome outcome = Outcome::Stopped;
    ChapterLinks links;
    // Renewal: the chapters the page lists before the stored ones were dropped, for placing new
    // chapters in the site's order.
    ChapterLinks listed;
    bool isFeed = false;
    Feed feed;
    std::optional<NovelInformation> information;
    QString newName;    // the feed title a novel still called "新小说" took
    QString needDelUrl; // the novel's excluded links after the manual choice added to them
};

// Turns a table-of-contents page into the novel's chapters: the list cut out by the novel's markers,
// links collected and resolved, volumes named, everything that is not a chapter dropped, and in
// renewal the chapters already stored and the excluded ones too. Further pages (script lists, the
// brief page, the cover) come through the page source. Status texts go to the status handler.
class ChapterListReader {
    Q_DECLARE_TR_FUNCTIONS(ChapterListReader)

public:
    ChapterListReader(PageSource& source, const ChapterListOptions& options);

    // Stored chapters are read from and changes written to this database; without one every link
    // counts as new and nothing is written.
    void setDatabase(const Database* db) { m_db = db; }
    // The site signs for the novel information; without them no information is read.
    void setSiteSigns(const SiteSignTable* signs) { m_signs = signs; }
    // The library folder, for the cover picture and the novel's bookcase entry.
    void setLibraryFolder(const QString& path) { m_libraryFolder = path; }
    void setStatusHandler(std::function<void(const QString&)> handler) { m_status = std::move(handler); }
    void setStopCheck(StopCheck stop) { m_stop = std::move(stop); }
    // Asked when manual selection is on and new chapters remain; without one all are kept.
    void setChooser(ChapterChooser chooser) { m_chooser = std::move(chooser); }

    ChapterListResult readChapterList(const ChapterListRequest& request);

    // Step texts, for callers that report the same events.
    static QString noLinksText() { return tr("无目录内容"); }
    static QString noChaptersText() { return tr("该目录页没有章节"); }

private:
    // The candidate links of one reading of the page.
    struct ListReading {
        ChapterLinks links;
        qsizetype linkCount = 0; // links found before any was dropped
        bool isFeed = false;
        Feed feed;
    };

    bool stopped() const { return m_stop && m_stop(); }
    // The prepared page read with those kinds of handling into resolved, filtered candidates;
    // nullopt when stopped. guessed: the kinds were not asked for, only tried.
    std::optional<ListReading> readList(const ChapterListRequest& request, const QString& page,
                                        const QString& externalScripts, ListKinds kinds, bool guessed) const;
    void status(const QString& text) const;
    std::optional<NovelInformation> readInformation(const QString& page, const class LinkResolver& resolver,
                                                    const ChapterListRequest& request);
    void keepNewChapters(const ChapterListRequest& request, ChapterListResult& result);
    void chooseChapters(const ChapterListRequest& request, ChapterListResult& result);

    PageSource& m_source;
    ChapterListOptions m_options;
    const Database* m_db = nullptr;
    const SiteSignTable* m_signs = nullptr;
    QString m_libraryFolder;
    std::function<void(const QString&)> m_status;
    StopCheck m_stop;
    ChapterChooser m_chooser;
};
