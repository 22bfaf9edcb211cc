#include "tools/findreplacejob.h"

FindReplaceJob::FindReplaceJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                               const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_request(request) {}

FindReplaceJob::~FindReplaceJob() = default;

void FindReplaceJob::run() {
    m_result = Result();
    m_result.error = QStringLiteral("查找/替换尚未完成"); // in progress
}
