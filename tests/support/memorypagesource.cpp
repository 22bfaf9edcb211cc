#include "support/memorypagesource.h"

#include "localsite/localsiterules.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

QString typeFor(const QString& fileName) {
    const QString ext = fileName.section(u'@', 0, 0).section(u'.', -1).toLower();
    static const QHash<QString, QString> types = {
        {"html", "text/html"}, {"htm", "text/html"},  {"shtml", "text/html"},
        {"php", "text/html"},  {"asp", "text/html"},  {"txt", "text/plain"},
        {"xml", "text/xml"},   {"jpg", "image/jpeg"}, {"js", "application/x-javascript"},
        {"png", "image/png"},  {"gif", "image/gif"},
    };
    return types.value(ext, QStringLiteral("application/octet-stream"));
}

} // namespace

void MemoryPageSource::addPage(const QString& url, const QByteArray& body, const QString& contentType) {
    FetchedPage page;
    page.outcome = FetchedPage::Outcome::Ok;
    page.status = 200;
    page.body = body;
    page.contentType = contentType;
    page.url = url;
    m_pages.insert(url, page);
}

void MemoryPageSource::addFailure(const QString& url) {
    FetchedPage page;
    page.outcome = FetchedPage::Outcome::Failed;
    page.status = 500;
    page.url = url;
    page.error = QStringLiteral("500");
    m_pages.insert(url, page);
}

bool MemoryPageSource::loadSite(const QString& folder, const QString& base) {
    LocalSiteRules rules;
    QFile rulesFile(QDir(folder).filePath(QString::fromLatin1(LocalSiteRules::kFileName)));
    if (rulesFile.open(QIODevice::ReadOnly))
        rules.parse(QString::fromUtf8(rulesFile.readAll()));
    bool any = false;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (relative.endsWith(QLatin1String(LocalSiteRules::kFileName)))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QString sitePath = u'/' + relative.section(u'@', 0, 0);
        const QString query = relative.contains(u'@') ? relative.section(u'@', 1) : QString();
        QString type = typeFor(relative);
        if (const auto match = rules.match(sitePath, query); match && match->rule->contentType)
            type = QString::fromLatin1(*match->rule->contentType);
        const QByteArray body = file.readAll();
        addPage(base + sitePath + (query.isEmpty() ? QString() : u'?' + query), body, type);
        // A folder address answers with its index page, as web servers do.
        if (sitePath.endsWith(QLatin1String("/index.html")))
            addPage(base + sitePath.chopped(10), body, type);
        any = true;
    }
    return any;
}

FetchedPage MemoryPageSource::fetch(const QString& url, const QString&) {
    requested.append(url);
    if (duringFetch)
        duringFetch();
    const auto found = m_pages.constFind(url);
    if (found != m_pages.constEnd())
        return found.value();
    FetchedPage missing;
    missing.status = 404;
    missing.url = url;
    missing.error = QStringLiteral("404");
    return missing;
}
