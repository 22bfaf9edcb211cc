#pragma once

#include "addnovel/olddownloads.h"

#include <QDialog>

#include <memory>

class Job;
class LibraryContext;
class QLabel;
class QTreeWidget;

// "导入以前下载的小说": the folders an earlier installation left under chm/, to import or delete.
class FrmGetDownNovel : public QDialog {
    Q_OBJECT

public:
    explicit FrmGetDownNovel(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmGetDownNovel() override;

    bool isBusy() const { return m_job != nullptr; }

Q_SIGNALS:
    // The novels were stored; the main window adds them to its tree.
    void novelsImported(const QStringList& novelIds);

private:
    void fillList();
    QList<OldDownloads::Entry> checkedEntries() const;
    void onImport();
    void importFinished();
    void removeEntries(const QList<OldDownloads::Entry>& entries, const QString& question);

    LibraryContext& m_library;
    QList<OldDownloads::Entry> m_entries;
    QTreeWidget* m_lstNovel = nullptr;
    QLabel* m_lblStatus = nullptr;
    std::unique_ptr<Job> m_job;
};
