#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"

#include <QString>

class Database;

// The novel overview page totalview.htm: one table per category (then "未分类") with each novel's
// number, name linked to its contents page, author, state, chapter count, text length and folder
// size. Counting the folders of a large library takes a while, so it runs as a job; the status
// names the category being counted.
class TotalViewJob : public Job {
    Q_OBJECT

public:
    TotalViewJob(Database& db, const LibraryFolder& folder, QObject* parent = nullptr);

    // The page written, valid once finished; "" when stopped or failed (then error says why).
    QString pagePath() const { return m_pagePath; }
    QString error() const { return m_error; }

    // The tables of the page; an empty text when stopped.
    QString contentRows();

    // Numbers as the page shows them: at least four digits, grouped by thousands ("0,015").
    static QString formatCount(qint64 value);
    static QString formatSize(qint64 bytes);
    static qint64 folderSize(const QString& path);

protected:
    void run() override;

private:
    Database& m_db;
    LibraryFolder m_folder;
    QString m_pagePath;
    QString m_error;
};
