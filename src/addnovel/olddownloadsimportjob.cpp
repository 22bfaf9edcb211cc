#include "addnovel/olddownloadsimportjob.h"

#include "storage/librarycontext.h"

#include <QScopeGuard>

OldDownloadsImportJob::OldDownloadsImportJob(LibraryContext& library,
                                             const QList<OldDownloads::Entry>& entries, QObject* parent)
    : Job(parent)
    , m_library(library)
    , m_entries(entries) {}

void OldDownloadsImportJob::run() {
    const auto release = qScopeGuard([this] { m_library.database().releaseThreadConnection(); });
    const int total = int(m_entries.size());
    for (int i = 0; i < total && !stopRequested(); ++i) {
        const OldDownloads::Entry& entry = m_entries.at(i);
        setProgress(i, total);
        setStatus(tr("正在导入") + entry.name + QStringLiteral("..."));
        QString error;
        const QString id = OldDownloads::importNovel(m_library.database(), m_library.folder(),
                                                     m_library.settings(), entry, &error);
        if (id.isEmpty())
            m_errors << error;
        else
            m_novelIds << id;
    }
    setProgress(total, total);
}
