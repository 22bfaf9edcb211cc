#pragma once

#include "storage/bookcasestore.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class LibraryContext;

// The bookcase's commands without a window: the book dialog's checks, adding one book or a batch,
// deleting books or a category (with their files when asked), moving books to a category. Messages
// are the user's texts; the caller shows them.
class Bookcase {
    Q_DECLARE_TR_FUNCTIONS(Bookcase)

public:
    explicit Bookcase(LibraryContext& library);

    // What became of the files of deleted entries. A library novel's contents page stays (the novel
    // only loses its entry); a file that is not there is ignored.
    struct Files {
        QStringList kept;    // contents pages of library novels
        QStringList trashed; // moved to the trash
        QStringList removed; // deleted outright: there was no trash to take them
        QStringList failed;  // could be neither
    };

    struct Result {
        QString error;     // the message for the user; empty on success
        QList<qint64> ids; // the entries added, changed, moved or deleted
        Files files;
        bool ok() const { return error.isEmpty(); }
    };

    // The name a chosen file suggests: its file name up to the first ".".
    static QString nameFromFile(const QString& path);
    // "全部：12本".
    static QString statusText(const QString& nodeText, int count);
    // The file check's answer: "图书和存放路径完全一致", or how many are missing and whether to delete them.
    static QString checkMessage(int missing);
    static QString deleteQuestion() { return tr("您确定要删除所有选中的图书吗？"); }

    // The dialog's fields trimmed, as they are stored.
    static BookcaseEntry trimmed(BookcaseEntry entry);
    // "" or the first fault of the trimmed fields: "请在书名处输入内容", "请在文件路径处输入内容",
    // "已有此文件路径的图书" (another entry's path), or a category that does not exist.
    QString check(const BookcaseEntry& entry) const;
    // A new entry (its id is ignored), or the changed fields of entry.id.
    Result add(const BookcaseEntry& entry) const;
    Result edit(const BookcaseEntry& entry) const;

    struct BatchRow {
        QString name;
        QString path;
        std::optional<QString> code = {}; // the row's own category ("" for none), else the batch's
    };
    // Every row into the category code (or its own), all in one transaction: "没有新增的图书。" for no
    // rows, "图书名称不能为空。" for a row without a name. A path that is already an entry (or came in an
    // earlier row) is skipped.
    Result addBatch(const QList<BatchRow>& rows, const QString& code) const;

    // The entries, and with deleteFiles their files; the rows go in one transaction, the files after it.
    Result remove(const QList<qint64>& ids, bool deleteFiles) const;
    // The category goes from the bookcase and the library, which share it, in one transaction: its
    // library novels (with their entries) go to the end of the novels without a category, its other
    // entries are deleted, with deleteFiles also their files.
    Result removeCategory(const QString& code, bool deleteFiles) const;
    // The entries into the category; the root is no category to move into ("请拖到相应的分类处").
    Result move(const QList<qint64>& ids, const QString& code) const;

private:
    QString categoryProblem(const QString& code) const;
    // Whether the path is the contents page of a novel still in the library.
    bool isNovelPage(const QString& path) const;
    Files disposeFiles(const QStringList& paths) const;

    LibraryContext& m_library;
};
