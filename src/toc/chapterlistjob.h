#pragma once

#include "toc/chapterlistreader.h"
#include "storage/job.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

class PageSource;

// Fetches a table-of-contents page and reads its chapters on the job's thread: what the site-sign
// check of the command line and the windows run. The page source is made on that thread (its
// network connections belong to it) and sees the job's stop request.
class ChapterListJob : public Job {
    Q_OBJECT

public:
    using SourceFactory = std::function<std::unique_ptr<PageSource>(std::function<bool()> stopRequested)>;

    // request.page and pageCharset are filled from the fetched page at request.listUrl.
    ChapterListJob(SourceFactory makeSource, const ChapterListOptions& options,
                   const ChapterListRequest& request, QObject* parent = nullptr);

    // Read after finished().
    ChapterListResult result() const { return m_result; }
    // Why the page could not be read; "" when it was.
    QString error() const { return m_error; }
    bool fetchFailed() const { return !m_error.isEmpty(); }

protected:
    void run() override;

private:
    SourceFactory m_makeSource;
    ChapterListOptions m_options;
    ChapterListRequest m_request;
    ChapterListResult m_result;
    QString m_error;
};
