#include "library/addresscheckjob.h"

#include "fetch/pagefetcher.h"
#include "sites/sitesignupdate.h"
#include "sites/websearch.h"
#include "storage/settings.h"

AddressCheckJob::AddressCheckJob(const Settings& settings, Kind kind, const QString& value, QObject* parent)
    : Job(parent)
    , m_options(quickOptions(settings))
    , m_address(addressToFetch(kind, value)) {}

AddressCheckJob::~AddressCheckJob() {
    stopAndWait();
}

QString AddressCheckJob::addressToFetch(Kind kind, const QString& value) {
    const QString address = value.trimmed();
    if (address.isEmpty())
        return {};
    switch (kind) {
    case Kind::Page:
        return address;
    case Kind::SearchEngine:
        return WebSearch::searchAddress(address, tr("小说"), false);
    case Kind::SiteSignUpdate:
        return SiteSignUpdate::updateAddress(address, 0);
    }
    return address;
}

FetchOptions AddressCheckJob::quickOptions(const Settings& settings) {
    FetchOptions options = FetchOptions::fromSettings(settings);
    options.retries = 0;
    options.timeoutRetries = 0;
    return options;
}

void AddressCheckJob::run() {
    if (m_address.isEmpty()) {
        m_text = emptyText();
        return;
    }
    PageFetcher fetcher(m_options, [this] { return stopRequested(); });
    const FetchedPage page = fetcher.fetch(m_address);
    if (page.stopped())
        return;
    m_answered = page.ok();
    m_text = m_answered ? tr("网址可以连接") : tr("网址连接不上：") + page.error;
}
