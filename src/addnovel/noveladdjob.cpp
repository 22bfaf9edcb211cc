#include "addnovel/noveladdjob.h"

#include "addnovel/addnovelrules.h"
#include "addnovel/listpagecheckjob.h"
#include "addnovel/noveladder.h"
#include "fetch/pagefetcher.h"
#include "sites/sitesigntable.h"
#include "storage/database.h"
#include "storage/settings.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

NovelAddJob::NovelAddJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                         const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_charset(settings.value(QStringLiteral("charset")))
    , m_judgePicExt(settings.isOn(QStringLiteral("bIsJudgePicExt")))
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

    const StopCheck stop = [this] { return stopRequested(); };
    PageFetcher fetcher(m_fetch, stop);
    // The novel has no folder yet: its cover waits here.
    QDir().mkpath(m_folder.tempDir());
    const QTemporaryDir coverFolder(m_folder.tempDir() + QStringLiteral("/coverXXXXXX"));
    ListPageCheckJob::InformationRequest information{signs, m_judgePicExt, coverFolder.path()};
    const ListPageCheckJob::Facts facts = ListPageCheckJob::check(
        fetcher, m_request.listUrl, m_charset, m_request.readInformation ? &information : nullptr, stop);
    if (facts.stopped || stopRequested())
        return;
    if (facts.failed) {
        m_result.error = AddNovelRules::badListUrlText();
        return;
    }
    if (name.isEmpty()) {
        name = facts.pageName.isEmpty() ? AddNovelRules::defaultName() : facts.pageName;
        m_result.error = AddNovelRules::checkName(m_db, name, true, m_folder.tempDir());
        if (!m_result.error.isEmpty())
            return;
    }

    NovelAdder::NewNovel novel;
    novel.name = name;
    novel.listUrl = m_request.listUrl;
    novel.categoryName = m_request.categoryName;
    novel.markers = m_request.markers;
    novel.author = facts.information.author;
    novel.brief = facts.information.brief;
    if (!facts.information.coverFile.isEmpty())
        novel.coverFile = coverFolder.filePath(facts.information.coverFile);
    const NovelAdder::Result stored = adder.storeNewNovel(novel);
    m_result.error = stored.error;
    m_result.novelId = stored.novelId;
    m_result.name = name;
}
