#include "addnovel/listpagecheckjob.h"

#include "addnovel/addnovelrules.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"

ListPageCheckJob::ListPageCheckJob(PageSourceFactory makeSource, const QString& listUrl,
                                   const QString& displayCharset, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_listUrl(listUrl.trimmed())
    , m_displayCharset(displayCharset) {}

void ListPageCheckJob::run() {
    if (AddNovelRules::isLocalPath(m_listUrl))
        return;
    const std::unique_ptr<PageSource> source = m_makeSource([this] { return stopRequested(); });
    QByteArray page;
    QString contentType;
    const QString problem = AddNovelRules::checkListUrl(*source, m_listUrl, &page, &contentType);
    if (stopRequested()) {
        m_stopped = true;
        return;
    }
    if (!problem.isEmpty()) {
        m_failed = true;
        return;
    }
    PageDecoder decoder(m_displayCharset);
    decoder.takeContentType(contentType);
    m_pageName = AddNovelRules::nameFromPage(decoder.decode(page));
}
