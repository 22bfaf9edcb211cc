#include "sites/sitesignupdatejob.h"

#include "fetch/pagefetcher.h"
#include "storage/prompter.h"

SiteSignUpdateJob::SiteSignUpdateJob(const SiteSignTable& table, const QString& endpoint,
                                     const QString& libraryFolder, const FetchOptions& options,
                                     QObject* parent)
    : Job(parent)
    , m_table(table)
    , m_endpoint(endpoint)
    , m_folder(libraryFolder)
    , m_options(options) {}

QString SiteSignUpdateJob::compareText(const SiteSign& existing, const SiteSign& imported) {
    const QStringList before(existing.fields.begin(), existing.fields.end());
    const QStringList after(imported.fields.begin(), imported.fields.end());
    return before.join(QLatin1String("\r\n")) + QLatin1String("^^^^") + after.join(QLatin1String("\r\n"));
}

void SiteSignUpdateJob::run() {
    // Made here, on the worker thread, where its network manager must live.
    PageFetcher fetcher(m_options, [this] { return stopRequested(); });
    const auto decide = [this](const SiteSign& existing, const SiteSign& imported) {
        Prompter::Question question;
        question.text = compareText(existing, imported);
        question.buttons = {tr("覆盖"), tr("取消")};
        question.applyToAllText = tr("全部照此处理");
        const Prompter::Answer answer = prompter().ask(question);
        return SiteSignTable::Decision{answer.button == 0, answer.applyToAll};
    };
    const auto status = [this](const QString& text) {
        setStatus(text);
        prompter().information(text);
    };
    m_result = SiteSignUpdate::updateFromServer(fetcher, m_table, m_endpoint, m_folder, decide, status);
    if (!m_result.ok && !m_result.stopped)
        prompter().warning(m_result.message);
}
