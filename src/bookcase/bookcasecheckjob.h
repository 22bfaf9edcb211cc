#pragma once

#include "storage/bookcasestore.h"
#include "storage/job.h"

#include <QList>

// "检测图书是否存在": whether each listed book's file is still there. Books on slow or absent drives
// can take a while each, so it runs off the window's thread and can be stopped.
class BookcaseCheckJob : public Job {
    Q_OBJECT

public:
    explicit BookcaseCheckJob(QList<BookcaseEntry> entries, QObject* parent = nullptr);
    ~BookcaseCheckJob() override;

    // After finished(): the entries whose file is missing, in list order, and whether every entry was
    // looked at (false after a stop).
    QList<qint64> missing() const { return m_missing; }
    bool completed() const { return m_completed; }

protected:
    void run() override;

private:
    const QList<BookcaseEntry> m_entries;
    QList<qint64> m_missing;
    bool m_completed = false;
};
