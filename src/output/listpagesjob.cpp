#include "output/listpagesjob.h"

#include "output/listpage.h"
#include "storage/database.h"
#include "storage/prompter.h"

#include <QScopeGuard>

ListPagesJob::ListPagesJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                           QStringList novelIds, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelIds(std::move(novelIds)) {}

void ListPagesJob::run() {
    m_errors.clear();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    for (qsizetype i = 0; i < m_novelIds.size(); ++i) {
        if (stopRequested())
            return;
        setProgress(int(i), int(m_novelIds.size()));
        QString error;
        if (!writeListPage(m_db, m_folder, m_settings, m_novelIds.at(i), &error))
            m_errors << error;
    }
    setProgress(int(m_novelIds.size()), int(m_novelIds.size()));
    // One novel's trouble does not hold up the others; what went wrong is said at the end.
    for (const QString& error : std::as_const(m_errors))
        prompter().warning(error);
    prompter().information(tr("目录页生成完成"));
}
