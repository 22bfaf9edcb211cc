#include "renewal/chapterpagepreparer.h"

#include "toc/chapterlistoptions.h"
#include "renewal/chaptertext.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "toc/scriptreader.h"
#include "text/regex.h"
#include "storage/settings.h"

namespace {

const QString kScriptElement =
    QStringLiteral("<script[^<>]*?src\\s*=\\s*[\"']?([^\"'\\s>]+)[^<>]*>\\s*(?:</script>)?");

bool isTextFile(const QString& address) {
    const QString path = address.section(u'?', 0, 0).toLower();
    return path.endsWith(QLatin1String(".js")) || path.endsWith(QLatin1String(".txt")) ||
           path.endsWith(QLatin1String(".hl"));
}

} // namespace

ChapterPagePreparer::Sites ChapterPagePreparer::Sites::fromSettings(const Settings& settings) {
    return {settings.value(QStringLiteral("ContentScriptSites")),
            settings.value(QStringLiteral("ContentRefreshSites")),
            settings.value(QStringLiteral("ContentUrlRepairSites"))};
}

ChapterPagePreparer::ChapterPagePreparer(PageSource& source, PageDecoder& decoder, const Sites& sites,
                                         StopCheck stop)
    : m_source(source)
    , m_decoder(decoder)
    , m_sites(sites)
    , m_stop(std::move(stop)) {}

QString ChapterPagePreparer::repairAddresses(const QString& page) {
    QString out = regexReplace(QStringLiteral("http:\\\\\\\\"), page, QStringLiteral("http://"));
    out = regexReplace(QStringLiteral("http:/(?!/)"), out, QStringLiteral("http://"));
    return regexReplace(QStringLiteral("((?:src|href|background)\\s*=\\s*[\"']?)//"), out,
                        QStringLiteral("$1http://"));
}

QString ChapterPagePreparer::refreshTarget(const QString& page) {
    const QList<RegexMatch> meta =
        regexMatches(page, QStringLiteral("<meta[^<>]+?http-equiv\\s*=\\s*[\"']?refresh[^<>]*>"));
    if (meta.isEmpty())
        return {};
    const QList<RegexMatch> url =
        regexMatches(meta.first().captures.at(0), QStringLiteral(";\\s*url\\s*=\\s*['\"]?([^'\"\\s>]+)"));
    return url.isEmpty() ? QString() : url.first().captures.value(1);
}

QString ChapterPagePreparer::fetchText(const QString& address, const QString& referer) {
    if (m_stopped || (m_stop && m_stop())) {
        m_stopped = true;
        return {};
    }
    const FetchedPage answer = m_source.fetch(address, referer);
    if (answer.stopped() || (m_stop && m_stop())) {
        m_stopped = true;
        return {};
    }
    if (!answer.ok() || answer.body.isEmpty()) {
        m_failed.append(address);
        return {};
    }
    // A script or text file without a charset of its own is in the page's.
    m_decoder.takeContentType(answer.contentType);
    return m_decoder.decode(answer.body);
}

QString ChapterPagePreparer::writeScriptFiles(const QString& page, const QString& pageUrl) {
    const QList<RegexMatch> elements = regexMatches(page, kScriptElement);
    QString out;
    qsizetype from = 0;
    for (const RegexMatch& element : elements) {
        out += QStringView(page).mid(from, element.start - from);
        from = element.start + element.length;
        const QString address = absoluteAddress(element.captures.value(1), pageUrl);
        if (!isTextFile(address)) {
            out += element.captures.at(0);
            continue;
        }
        const QString code = fetchText(address, pageUrl);
        if (m_stopped)
            return page;
        if (code.isEmpty()) {
            out += element.captures.at(0);
            continue;
        }
        // A script writes the text; a text file is the text.
        const bool writes = code.contains(QLatin1String("document.write"), Qt::CaseInsensitive);
        out += writes ? ScriptReader(code).writtenHtml() : code;
    }
    out += QStringView(page).mid(from);
    return out;
}

QString ChapterPagePreparer::prepare(const QString& page, QString& pageUrl) {
    QString out = page;
    if (ChapterListOptions::siteMatches(m_sites.urlRepairSites, pageUrl))
        out = repairAddresses(out);
    if (ChapterListOptions::siteMatches(m_sites.refreshSites, pageUrl)) {
        const QString target = refreshTarget(out);
        if (!target.isEmpty()) {
            const QString address = absoluteAddress(target, pageUrl);
            const QString text = fetchText(address, pageUrl);
            if (m_stopped)
                return page;
            if (!text.isEmpty()) {
                out = text;
                pageUrl = address;
                if (ChapterListOptions::siteMatches(m_sites.urlRepairSites, pageUrl))
                    out = repairAddresses(out);
            }
        }
    }
    if (ChapterListOptions::siteMatches(m_sites.scriptSites, pageUrl))
        out = writeScriptFiles(out, pageUrl);
    return out;
}
