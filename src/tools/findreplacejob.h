#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class PictureOcr;
struct ChapterRow;
struct StoredChapterPage;

// Searches or rewrites the chapters of one novel: plain text in the chapter text, title, volume or
// source address; the text between two markers; a regular expression; or one of the page operations
// (clearing the content, removing, centring or zooming pictures, removing small downloaded pictures,
// recognising the text of pictures, punctuation to full or half width).
//
// A search writes the novel's find.htm (escaped, hits highlighted, its charset declared). A
// replacement asks the prompter for the confirmation first; per chapter the row change and the page
// are committed together, only changed pages are written, and a page that is missing or does not
// decode cleanly is left alone and counted. A stop ends the run at the next chapter; what is written
// stays.
class FindReplaceJob : public Job {
    Q_OBJECT

public:
    // The window's optType.
    enum class Kind { Plain = 0, Between = 1, Regex = 2, Operation = 3 };
    // The plain mode's target: chkTitle, chkVolume, chkComeFrom, or none of them.
    enum class Field { Text, Title, Volume, ComeFrom };
    enum class Operation {
        None,
        ClearContent,        // cmdClearContent
        DeletePictures,      // cmdDelPic
        CenterPictures,      // cmdPicSetCenter
        ZoomPictures,        // cmdPicResize
        DeleteSmallPictures, // cmdDelSmallPic
        Ocr,                 // cmdOCR
        ToFullWidth,         // cmdHalfToAll
        ToHalfWidth,         // cmdAlltoHalf
    };

    struct Request {
        bool replace = false; // false: search (Kind Operation always replaces)
        Kind kind = Kind::Plain;
        Field field = Field::Text;
        Operation operation = Operation::None;
        QString novelId;
        // The chapters in list order; empty: every chapter of the novel in list order.
        QList<qint64> chapterIds;
        // chkAll: the confirmations say "所有" instead of "选中". Recognition works on one chapter,
        // the current one, passed as the only id; with allChapters set it first asks whether to
        // go on with that one ("图片转文字处理只能单章处理方式，是否处理本章").
        bool allChapters = false;
        QString findText;    // plain
        QString replaceText; // plain, between (txtReplText), regular expression (txtReplace)
        QString startText;   // between
        QString endText;
        QString pattern; // regular expression
    };

    // One chapter's hits: for the text, "行 <n> - <line>" per matching line; for a field, its value;
    // between and regular expression, each match.
    struct Hit {
        qint64 chapterId = 0;
        QString title;
        QStringList lines;
    };

    struct Result {
        QList<Hit> hits;    // search
        QString resultPage; // search: the find.htm written, "" when it could not be
        int changed = 0;    // replacement: chapters whose row or page changed
        int missing = 0;    // chapter pages not found
        int undecodable = 0;
        int failed = 0; // pages or rows that could not be written
        bool stopped = false;
        bool declined = false; // the confirmation was answered No
        // The message that ended the run without work: bad input, "正则表达式有误：…", no chapters,
        // recognition without its language data.
        QString error;
    };

    FindReplaceJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                   const Request& request, QObject* parent = nullptr);
    ~FindReplaceJob() override;

    // What stops a request before any chapter is read, as the window shows it: "请输入查找内容",
    // "请输入开始内容", "请输入结束内容", "请输入正则表达式", "正则表达式有误：" + the reason. "" when
    // the request can run.
    static QString inputError(const Request& request);
    // The question a replacement asks ("您是否确定将所有章节…"), for recognition the one-chapter question
    // when allChapters is set; "" for a search.
    static QString confirmation(const Request& request);

    // Read after finished().
    Result result() const { return m_result; }

Q_SIGNALS:
    // A chapter's page or row was rewritten; a view showing it reloads, the list refreshes.
    void chapterChanged(const QString& novelId, qint64 chapterId);
    // find.htm was written; the reading view shows it.
    void resultPageWritten(const QString& path);

protected:
    void run() override;

private:
    // What one chapter's replacement changes: its row column and its page.
    struct Change {
        bool rowChanged = false;
        QString rowValue;
        bool pageChanged = false;
        QString pageText;
        QStringList removeAfterCommit;
    };

    // One chapter's part of a search; chapters are searched side by side, so it touches no member
    // that changes.
    struct Found {
        enum class State { None, Hit, Missing, Undecodable } state = State::None;
        Hit hit;
        QString entry;
    };

    void search(const QList<ChapterRow>& chapters);
    Found searchChapter(const ChapterRow& chapter, const QString& regex, const QList<QByteArray>& needles,
                        const QString& charset) const;
    void replace(const QList<ChapterRow>& chapters, PictureOcr* ocr);
    // The page's new text, or the page as it is when nothing changes.
    QString editedPage(const ChapterRow& chapter, const QString& page, PictureOcr* ocr, Change& change);
    bool commit(const ChapterRow& chapter, const StoredChapterPage& page, const Change& change);
    QString displayCharset() const;

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    Request m_request;
    Result m_result;
};
