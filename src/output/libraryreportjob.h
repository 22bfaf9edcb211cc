#pragma once

#include "storage/job.h"
#include "storage/libraryfolder.h"

#include <QString>

class Database;

// The library report "小说总览" (totalview.htm in the library folder): every novel by category
// with author, chapters, state, words and the size of its folder.
class LibraryReportJob : public Job {
    Q_OBJECT

public:
    LibraryReportJob(Database& db, const LibraryFolder& folder, QObject* parent = nullptr);

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error;
        QString path;
    };
    Result result() const { return m_result; }

    // "12,345": thousands grouped.
    static QString formatWords(qint64 words);
    // "512 B", "3.5 KB", "1.25 MB".
    static QString formatSize(qint64 bytes);

protected:
    void run() override;

private:
    QString novelRows(const QString& lb, int& number);

    Database& m_db;
    LibraryFolder m_folder;
    Result m_result;
};
