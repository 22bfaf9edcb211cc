#pragma once

#include "fetch/pagesourcefactory.h"
#include "storage/job.h"

#include <QString>

// The list-page address of a novel being stored: asked once, so that a typing error is caught before
// the novel exists, and read for the book's name when the user gave none. A local file is not asked.
class ListPageCheckJob : public Job {
    Q_OBJECT

public:
    ListPageCheckJob(PageSourceFactory makeSource, const QString& listUrl,
                     const QString& displayCharset = QStringLiteral("gb2312"), QObject* parent = nullptr);

    // Valid after finished().
    bool failed() const { return m_failed; }
    bool stopped() const { return m_stopped; }
    // The name the page's title gives ("" for a local file or a page without a title).
    QString pageName() const { return m_pageName; }

protected:
    void run() override;

private:
    PageSourceFactory m_makeSource;
    QString m_listUrl;
    QString m_displayCharset;
    bool m_failed = false;
    bool m_stopped = false;
    QString m_pageName;
};
