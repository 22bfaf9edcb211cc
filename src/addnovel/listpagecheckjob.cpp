#include "addnovel/listpagecheckjob.h"

#include "addnovel/addnovelrules.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "toc/linkresolver.h"

ListPageCheckJob::ListPageCheckJob(PageSourceFactory makeSource, const QString& listUrl,
                                   const QString& displayCharset, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_listUrl(listUrl.trimmed())
    , m_displayCharset(displayCharset) {}

ListPageCheckJob::Facts ListPageCheckJob::check(PageSource& source, const QString& listUrl,
                                                const QString& displayCharset,
                                                const InformationRequest* information,
                                                const StopCheck& stop) {
    Facts facts;
    const QString address = listUrl.trimmed();
    if (AddNovelRules::isLocalPath(address))
        return facts;
    QByteArray bytes;
    QString contentType;
    const QString problem = AddNovelRules::checkListUrl(source, address, &bytes, &contentType);
    if (stop && stop()) {
        facts.stopped = true;
        return facts;
    }
    if (!problem.isEmpty()) {
        facts.failed = true;
        return facts;
    }
    PageDecoder decoder(displayCharset);
    decoder.takeContentType(contentType);
    const QString page = decoder.decode(bytes);
    facts.pageName = AddNovelRules::nameFromPage(page);
    if (!information)
        return facts;
    const int index = information->signs.find(getSiteRoot(address));
    if (index < 0)
        return facts;
    LinkResolver resolver(address);
    resolver.setBase(LinkResolver::findBase(page));
    NovelInfoReader reader(source, information->signs.signs().at(index), displayCharset,
                           information->judgePicExt, stop);
    facts.information = reader.read(page, resolver, information->coverFolder);
    facts.stopped = reader.stopped();
    return facts;
}

void ListPageCheckJob::run() {
    const StopCheck stop = [this] { return stopRequested(); };
    const std::unique_ptr<PageSource> source = m_makeSource(stop);
    m_facts = check(*source, m_listUrl, m_displayCharset, m_information ? &*m_information : nullptr, stop);
}
