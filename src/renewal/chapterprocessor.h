#pragma once

#include "toc/chapterlink.h"
#include "storage/novelrecord.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

struct DownloadContext;
struct StoredChapter;
class NovelFileWriter;
struct DownloadOptions;
struct FetchedPage;
class PageDecoder;

// One chapter to store: a new one, or a row to fill again.
struct ChapterItem {
    QString url;
    QString title;
    QString volume;
    qint64 chapterId = 0;  // the row to fill; 0: a new chapter gets a row
    bool announce = false; // new to the library even though its row exists (waiting rows of this run)
    bool hadText = false;  // its row has text already: a stub never takes its place
};

// A chapter page's text cut out and cleaned, not stored yet.
struct ChapterDraft {
    QString url; // the page the text was cut from
    QString text;
    QStringList styleSheets; // absolute addresses of the page's style sheets
    QString nextPage;        // the chapter's next page, still to fetch and append (bIsJoinPages)
    int pages = 1;
    bool stub = false; // a stub the site fills in later (PlaceholderMinChars, PlaceholderWords)
};

// A chapter page ready to be written, and the length its row gets once it is on disk.
struct ChapterPage {
    qint64 chapterId = 0;
    int wordNums = 0;
    QString path;
    QString text; // cleaned, paragraphs not marked yet
    QString title;
    bool markParagraphs = false;
    bool stub = false;

    // The bytes on disk: paragraphs marked, the template filled, encoded. Safe on any thread, so
    // that this costly step runs beside the fetching.
    QByteArray bytes(const NovelFileWriter& writer) const;
    // Renders and writes the page atomically; the error, "" when written.
    QString write(const NovelFileWriter& writer) const;
};

struct ChapterOutcome {
    // Kept: the page came as a stub and the text stored before stays.
    enum class Kind { Stored, Stopped, Failed, Kept };
    Kind kind = Kind::Failed;
    qint64 chapterId = 0;
    int wordNums = 0;
    ChapterLinks deeperLinks; // with LinkDepth 2: the chapter page's own links
    QString error;
    bool stored() const { return kind == Kind::Stored; }
    // Stored with text: a page without any is kept (WordNums 0) but counts as failed, and the next
    // renewal tries it again.
    bool gotText() const { return stored() && wordNums > 0; }
};

// Turns fetched chapter pages of one novel into stored chapters: the text cut out with the novel's
// markers and cleaned, its pictures fetched, the page written and the row filled.
//
// A new chapter's row is inserted as waiting before its pictures and page are written and gets its
// length last, each step committed on its own: a run killed in between leaves a waiting row, which
// the next renewal fetches again, never half a page or a chapter twice.
class ChapterProcessor {
    Q_DECLARE_TR_FUNCTIONS(ChapterProcessor)

public:
    ChapterProcessor(DownloadContext& context, const NovelRecord& novel);

    // The chapters the site lists, stored ones included, in the site's order: a new chapter is
    // placed right after the one before it there (bIsAutoDisplayorder).
    void setSiteList(const ChapterLinks& listed);
    // The chapters of the contents list, which a chapter's next page never is (bIsJoinPages); the
    // stored chapters count as well.
    void setListedChapters(const ChapterLinks& listed);
    bool joinsPages() const { return m_joinPages; }
    // The draft's next page from its first page's HTML; safe on any thread.
    void findNextPage(ChapterDraft& draft, const QString& page) const;
    // The draft's further pages fetched one after the other, cut with the same markers and appended,
    // then judged whole as a stub or not. Failed when a page fails: nothing of the chapter is stored,
    // its row stays waiting for the next run.
    enum class Joined { Whole, Failed, Stopped };
    Joined joinPages(ChapterDraft& draft, const QString& title, const QString& pageCharset);
    // What a draft that is a stub makes of a chapter that has text already.
    static ChapterOutcome keptOutcome(const ChapterItem& item);
    // Whether a stored chapter's text is kept from a stub (ChapterItem::hadText): a stub marked
    // before, or text long enough to be no stub itself; a short one of old may take any new text.
    static bool guardsText(const StoredChapter& chapter, const DownloadOptions& options);

    ChapterOutcome processChapterPage(const QString& page, const ChapterItem& item, PageDecoder& decoder);

    // Whether a page can be drafted away from the fetcher's thread: sites that deliver the text by
    // script or refresh, and LinkDepth 2, need the fetcher and the stored addresses.
    bool draftsAnywhere() const;
    // The text steps that need neither the network nor the library (cut, NeedDelStr, cleaning,
    // absolute references); safe on any thread.
    static ChapterDraft draftChapter(const QString& page, const QString& url, const NovelRecord& novel,
                                     const DownloadOptions& options);
    // The rest: the row, the pictures, the page and the length.
    ChapterOutcome storeDraft(const ChapterDraft& draft, const ChapterItem& item);
    // storeDraft in two halves, so that pages can be written on other threads: the row, the
    // pictures and the page to write (none on failure or a stop among the pictures, told in
    // failure); then, once the page was written and its row got its length (ChapterRows; error ""
    // then), the outcome and the events. Page first, length last: a chapter with a length always
    // has its page.
    std::optional<ChapterPage> composePage(const ChapterDraft& draft, const ChapterItem& item,
                                           ChapterOutcome* failure);
    // composePage for several chapters, their pictures fetched together: the connections stay full,
    // where the few pictures of one chapter at a time would leave them waiting. One page or failure
    // per chapter, in order.
    struct Composed {
        std::optional<ChapterPage> page;
        ChapterOutcome failure; // when there is no page
    };
    QList<Composed> composePages(const QList<std::pair<ChapterDraft, ChapterItem>>& chapters);
    ChapterOutcome completePage(const ChapterPage& page, const ChapterItem& item, const QString& error);
    // What composePage makes of a draft that needs neither the network nor the library (no
    // pictures, no style sheet, its row already there); nothing for any other. Safe on any thread.
    std::optional<ChapterPage> plainPage(const ChapterDraft& draft, const ChapterItem& item) const;
    // A chapter that is one picture.
    ChapterOutcome storePictureChapter(const FetchedPage& answer, const ChapterItem& item);

    // Whether a fetched answer is a picture chapter: an image Content-Type, or a picture address that
    // answered with picture bytes.
    static bool isPictureAnswer(const FetchedPage& answer, const QString& url);
    // The text of the announcement of a new chapter.
    static QString announcementText(const QString& novelName, const QString& title);

private:
    // The row of the item, inserted as waiting for a new chapter; -1 on failure.
    qint64 rowFor(const ChapterItem& item);
    ChapterOutcome finish(const ChapterItem& item, qint64 id, const QString& text);
    ChapterPage pageFor(const ChapterItem& item, qint64 id, const QString& text, bool stub = false) const;
    // Writes the page, then gives its row the length; "" or the error.
    QString storePage(const ChapterPage& page) const;
    QSet<QString>& storedSources();
    void saveStyleSheet(const QString& address, const QString& referer);

    DownloadContext& m_context;
    NovelRecord m_novel;
    QString m_novelFolder;
    QHash<QString, QString> m_previousInList; // lower-case address → the one before it
    QSet<QString> m_storedSources;            // lower case; loaded on first use
    bool m_storedLoaded = false;
    bool m_styleSheetSaved = false;
    bool m_joinPages = false;
    QSet<QString> m_notPages; // lower case: chapters of the list and the library, never a next page
};
