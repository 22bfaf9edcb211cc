#include "addnovel/noveladdjob.h"

#include "addnovel/addnovelrules.h"
#include "addnovel/noveladder.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "sites/sitesigntable.h"
#include "storage/database.h"
#include "storage/settings.h"

#include <QScopeGuard>

NovelAddJob::NovelAddJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                         const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_charset(settings.value(QStringLiteral("charset")))
    , m_signFile(folder.file(QStringLiteral("sitesign.xml")))
    , m_fetch(FetchOptions::fromSettings(settings))
    , m_request(request) {
    // The user waits for the answer: one try is enough to tell a wrong address.
    m_fetch.timeoutRetries = 0;
}

NovelAddJob::~NovelAddJob() {
    stopAndWait();
}

void NovelAddJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    SiteSignTable signs;
    signs.load(m_signFile);
    NovelAdder adder(m_db, m_folder, &signs);
    QString name = m_request.name.trimmed();
    if (!name.isEmpty()) {
        m_result.error = AddNovelRules::checkName(m_db, name, true, m_folder.tempDir());
        if (!m_result.error.isEmpty())
            return;
    }
    if (m_request.listUrl.trimmed().isEmpty()) {
        m_result.error = AddNovelRules::namePrompt();
        return;
    }

    PageFetcher fetcher(m_fetch, [this] { return stopRequested(); });
    QByteArray page;
    QString contentType;
    m_result.error = AddNovelRules::checkListUrl(fetcher, m_request.listUrl, &page, &contentType);
    if (!m_result.error.isEmpty() || stopRequested())
        return;
    if (name.isEmpty()) {
        PageDecoder decoder(m_charset);
        decoder.takeContentType(contentType);
        name = AddNovelRules::nameFromPage(decoder.decode(page));
        if (name.isEmpty())
            name = AddNovelRules::defaultName();
        m_result.error = AddNovelRules::checkName(m_db, name, true, m_folder.tempDir());
        if (!m_result.error.isEmpty())
            return;
    }

    NovelAdder::NewNovel novel;
    novel.name = name;
    novel.listUrl = m_request.listUrl;
    novel.categoryName = m_request.categoryName;
    novel.markers = m_request.markers;
    const NovelAdder::Result stored = adder.storeNewNovel(novel);
    m_result.error = stored.error;
    m_result.novelId = stored.novelId;
    m_result.name = name;
}
