#pragma once

#include "fetch/fetchoptions.h"
#include "sites/sitesignupdate.h"
#include "storage/job.h"

// The update of the site-sign list from the maker's server, on a worker thread. It works on a copy of
// the list; the window takes table() when the job has finished and saves it when the user agrees.
// Each differing record is asked through the prompter: the question text is the existing record's
// fields joined by "\r\n", "^^^^", then the new record's; buttons "覆盖" and "取消", with the
// check box "全部照此处理".
class SiteSignUpdateJob : public Job {
    Q_OBJECT

public:
    SiteSignUpdateJob(const SiteSignTable& table, const QString& endpoint, const QString& libraryFolder,
                      const FetchOptions& options, QObject* parent = nullptr);

    // Valid once finished has been emitted.
    const SiteSignTable& table() const { return m_table; }
    const SiteSignUpdate::Result& result() const { return m_result; }

    static QString compareText(const SiteSign& existing, const SiteSign& imported);

protected:
    void run() override;

private:
    SiteSignTable m_table;
    QString m_endpoint;
    QString m_folder;
    FetchOptions m_options;
    SiteSignUpdate::Result m_result;
};
