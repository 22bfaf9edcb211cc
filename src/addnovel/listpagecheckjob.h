#pragma once

#include "fetch/pagesourcefactory.h"
#include "sites/sitesigntable.h"
#include "storage/job.h"
#include "toc/novelinforeader.h"

#include <QString>

#include <optional>

// The list-page address of a novel being stored: asked once, so that a typing error is caught before
// the novel exists, and read for the book's name when the user gave none. With "读取其他信息" the
// author, brief and cover the sign of the page's site points at are read along. A local file is not
// asked.
class ListPageCheckJob : public Job {
    Q_OBJECT

public:
    // What reading the novel information needs.
    struct InformationRequest {
        SiteSignTable signs;
        bool judgePicExt = false;
        QString coverFolder; // where the cover picture is saved; "" reads no cover
    };

    // What the page told.
    struct Facts {
        bool failed = false; // the address did not answer
        bool stopped = false;
        QString pageName; // the name the page's title gives ("" for a local file or no title)
        NovelInformation information;
    };

    ListPageCheckJob(PageSourceFactory makeSource, const QString& listUrl,
                     const QString& displayCharset = QStringLiteral("gb2312"), QObject* parent = nullptr);

    void setInformationRequest(const InformationRequest& request) { m_information = request; }

    // Valid after finished().
    const Facts& facts() const { return m_facts; }
    bool failed() const { return m_facts.failed; }
    bool stopped() const { return m_facts.stopped; }
    QString pageName() const { return m_facts.pageName; }

    // The work itself, for callers that run on a worker thread already.
    static Facts check(PageSource& source, const QString& listUrl, const QString& displayCharset,
                       const InformationRequest* information, const StopCheck& stop);

protected:
    void run() override;

private:
    PageSourceFactory m_makeSource;
    QString m_listUrl;
    QString m_displayCharset;
    std::optional<InformationRequest> m_information;
    Facts m_facts;
};
