#pragma once

#include "addnovel/olddownloads.h"
#include "storage/job.h"

#include <QStringList>

class LibraryContext;

// Imports chosen old download folders one after another on a worker thread.
class OldDownloadsImportJob : public Job {
    Q_OBJECT

public:
    OldDownloadsImportJob(LibraryContext& library, const QList<OldDownloads::Entry>& entries,
                          QObject* parent = nullptr);

    // Valid after finished(): the new NovelIDs, and a line per folder that failed.
    const QStringList& novelIds() const { return m_novelIds; }
    const QStringList& errors() const { return m_errors; }

protected:
    void run() override;

private:
    LibraryContext& m_library;
    QList<OldDownloads::Entry> m_entries;
    QStringList m_novelIds;
    QStringList m_errors;
};
