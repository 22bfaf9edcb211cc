#pragma once

#include "fetch/pagesourcefactory.h"
#include "storage/job.h"

#include <QString>
#include <QStringList>

// Looks a chapter's address up with the general web search engine, on the job's thread: the first
// result whose text holds the chapter title and none of the excluded words.
class ChapterSearchJob : public Job {
    Q_OBJECT

public:
    ChapterSearchJob(PageSourceFactory makeSource, const QString& engineUrl, const QString& chapterTitle,
                     const QString& novelName, QObject* parent = nullptr);

    // Results naming these are some other kind of page.
    static const QStringList& exclusionWords();
    // title: (《novel》 chapter), or title: (chapter) without a novel name.
    static QString queryText(const QString& chapterTitle, const QString& novelName);
    // The engine's address with "[[Name]]" replaced by the query in GBK escapes (appended when it has
    // no placeholder); "" without an engine.
    static QString searchAddress(const QString& engineUrl, const QString& query);
    // The first result of the page fetched from engineUrl, "" when there is none.
    static QString firstResult(const QString& page, const QString& chapterTitle, const QString& engineUrl);

    // "搜索"query"失败，请查看网络连接".
    static QString failureText(const QString& query);
    static QString notFoundText() { return tr("搜索不到该章节"); }

    // After finished().
    QString query() const { return m_query; }
    bool failed() const { return m_failed; }
    QString url() const { return m_url; }

protected:
    void run() override;

private:
    PageSourceFactory m_makeSource;
    QString m_engineUrl;
    QString m_title;
    QString m_query;
    bool m_failed = false;
    QString m_url;
};
