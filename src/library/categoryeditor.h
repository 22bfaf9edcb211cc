#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class LibraryContext;

// A novel as the category dialogs list it.
struct CategoryNovel {
    QString novelId;
    QString name;
};

// The category commands: new, rename, move, delete, and placing a novel in a category. Each command
// is one transaction over the categories, the novels and the bookcase; folders are deleted only
// after the commit. Messages are the user's texts; the caller shows them.
class CategoryEditor {
    Q_DECLARE_TR_FUNCTIONS(CategoryEditor)

public:
    explicit CategoryEditor(LibraryContext& library);

    // While a download run works on a novel, its category is not deleted.
    using DownloadingNovel = std::function<bool(const QString& novelId)>;
    void setDownloadingNovel(DownloadingNovel downloading) { m_downloading = std::move(downloading); }

    struct Result {
        QString error;        // the message for the user; empty on success
        QString code;         // the category's code afterwards
        QStringList novelIds; // the novels deleted or moved
        bool ok() const { return error.isEmpty(); }
    };

    // "分类名称不能为空", "已有同名的分类名称，请重新输入".
    Result add(const QString& name) const;
    Result rename(const QString& code, const QString& name) const;

    // The category takes the place of the category at target ("" stands for "01"): the codes from
    // the target up to the first free one move up by one. When no code above is free, those below
    // the target move down instead, so that no code passes "99".
    Result moveTo(const QString& code, const QString& target) const;

    bool hasDownloadingNovel(const QString& code) const;
    // The category with its novels, their chapters and bookcase entries; with deleteFiles their
    // folders too. "此分类下小说正在下载中，不能删除。".
    Result remove(const QString& code, bool deleteFiles) const;

    // The novel moves into the category (an empty code: no category) before the novel beforeId, or to
    // the end of it when beforeId is empty; its bookcase entry follows. The end of the novel's own
    // category leaves it where it is.
    Result moveNovel(const QString& novelId, const QString& code, const QString& beforeId = QString()) const;

    // The category's novels other than exceptId by display order, their names containing nameFilter
    // as literal text.
    QList<CategoryNovel> novelsOf(const QString& code, const QString& exceptId = QString(),
                                  const QString& nameFilter = QString()) const;
    // The novel's category code; "" for none (or a category that is gone).
    QString categoryOf(const QString& novelId) const;

private:
    bool categoryExists(const QString& code) const;

    LibraryContext& m_library;
    DownloadingNovel m_downloading;
};
