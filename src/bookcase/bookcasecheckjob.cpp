#include "bookcase/bookcasecheckjob.h"

#include <QFileInfo>

BookcaseCheckJob::BookcaseCheckJob(QList<BookcaseEntry> entries, QObject* parent)
    : Job(parent)
    , m_entries(std::move(entries)) {}

BookcaseCheckJob::~BookcaseCheckJob() {
    stopAndWait();
}

void BookcaseCheckJob::run() {
    const int total = int(m_entries.size());
    setProgress(0, total);
    for (int i = 0; i < total; ++i) {
        if (stopRequested())
            return;
        const BookcaseEntry& entry = m_entries.at(i);
        if (entry.wjlj.isEmpty() || !QFileInfo::exists(entry.wjlj))
            m_missing << entry.id;
        setProgress(i + 1, total);
    }
    m_completed = true;
}
