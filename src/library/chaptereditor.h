#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class LibraryContext;

// The commands of the chapter menu that change a novel's stored chapters. Each command is one
// transaction: pages are written (atomically) before the commit, files deleted only after it, so a
// failed command leaves rows and files as they were. After a change the novel's contents page is
// written again. Messages are the user's texts; the caller shows them.
class ChapterEditor {
    Q_DECLARE_TR_FUNCTIONS(ChapterEditor)

public:
    explicit ChapterEditor(LibraryContext& library);

    // While a download run works on a novel its chapters stay as they are; the program says which.
    using DownloadingNovel = std::function<bool(const QString& novelId)>;
    void setDownloadingNovel(DownloadingNovel downloading) { m_downloading = std::move(downloading); }

    struct Result {
        QString error;        // the message for the user; empty on success
        QList<qint64> ids;    // the chapters made or changed (new ids first to last)
        QStringList novelIds; // the novels whose chapters changed
        bool ok() const { return error.isEmpty(); }
    };

    // "第N章" after the most recent chapter titled so, "第一章" for a novel without chapters, "" when
    // nothing can be proposed.
    QString proposeTitle(const QString& novelId) const;
    // "新章节<n>": one past the largest number among the novel's "新章节…" titles.
    QString defaultTitle(const QString& novelId) const;

    // Appends a chapter, or inserts it before beforeId, in that volume ("" for none). An empty title
    // becomes defaultTitle(). Errors: "请输入章节标题或者章节网址". The address is not fetched here
    // (AddressCheckJob does).
    Result add(const QString& novelId, const QString& title, const QString& url, qint64 beforeId = 0,
               const QString& volume = QString());
    // Title and address of a chapter; the page's title element follows. "章节标题不能为空".
    Result editProperties(qint64 id, const QString& title, const QString& url);

    // Deletes the chapters with their pages and pictures; with rememberAddresses (bIsDeleteUrl "1")
    // their addresses join the novel's NeedDelUrl. All or none: "当前章节正在下载，不能删除".
    Result remove(const QList<qint64>& ids, bool rememberAddresses);
    // Merges the chapters (in the order given) into the first. "至少选中两个章节进行合并。"
    Result merge(const QList<qint64>& ids);

    // A split worked out before it is confirmed.
    struct Split {
        QString error; // "拆分字符不能为空", "字数必须为数字", "字数不能小于50", "字数大于章节总字数",
                       // "没有符合条件的章节", or the regular expression's message
        qint64 chapterId = 0;
        QStringList pieces; // the non-empty pieces, in order
        QStringList titles; // one per piece
        int parts = 0;      // what the confirmation names (matches + 1, or the number of pieces)
        bool ok() const { return error.isEmpty(); }
    };
    Split planSplitByPattern(qint64 id, const QString& pattern) const;
    Split planSplitBySize(qint64 id, const QString& size) const;
    // The pieces become chapters after the split one, which stays as it is.
    Result split(const Split& plan);

    enum class Direction { Up, Down };
    // The chapter changes places with its neighbour; false at either end.
    bool moveOne(qint64 id, Direction direction);
    // Moves (or copies) the chapters before the chapter beforeId, or to the end of targetNovelId when
    // beforeId is 0. Pictures go along. "您没有选择具体项".
    Result move(const QList<qint64>& ids, qint64 beforeId, const QString& targetNovelId, bool copy);

    // "分卷名称不能为空".
    Result setVolume(const QList<qint64>& ids, const QString& volume);
    // The volume of the novel's last chapter that has one; "" when none ("该小说尚未分卷").
    QString lastVolume(const QString& novelId) const;

    // What a command would refuse before anything is asked: no or unknown chapters ("请选择具体项"),
    // chapters of a novel being downloaded. "" when the chapters can be changed.
    QString checkChapters(const QList<qint64>& ids) const;

    struct Chapter {
        qint64 id = 0;
        QString novelId;
        QString title;
        int order = 0;
        QString volume;
        QString comeFrom;
    };
    std::optional<Chapter> chapter(qint64 id) const;

private:
    // The chapters in the order given, each once; error set when one is unknown or being downloaded.
    QList<Chapter> chapters(const QList<qint64>& ids, QString* error) const;
    bool isDownloading(const QString& novelId) const;
    // The chapter's text: what its page holds between the content markers, else the whole page.
    QString chapterText(const Chapter& chapter) const;
    // The novel's chapter ids in list order.
    QList<qint64> chapterIds(const QString& novelId) const;
    // Gives the chapters the orders 1..n as listed, writing only the rows whose order changes.
    bool renumber(const QList<qint64>& ids, const QString& novelId) const;
    void writeListPages(const QStringList& novelIds) const;

    LibraryContext& m_library;
    DownloadingNovel m_downloading;
};
