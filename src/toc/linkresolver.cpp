#include "toc/linkresolver.h"

#include "toc/scriptreader.h"
#include "text/regex.h"
#include "text/url.h"

namespace {

QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool isAbsolute(const QString& address) {
    return address.startsWith(QLatin1String("http"), Qt::CaseInsensitive);
}

} // namespace

LinkResolver::LinkResolver(const QString& pageUrl)
    : m_pageUrl(pageUrl) {
    setBase(pageUrl);
}

void LinkResolver::setBase(const QString& baseUrl) {
    if (baseUrl.isEmpty())
        return;
    // A relative base is read against the page itself.
    const QString absolute = isAbsolute(baseUrl) || m_root.isEmpty() ? baseUrl : resolvePlain(baseUrl);
    const UrlBase base = splitUrlBase(absolute);
    m_root = base.siteRoot;
    m_folder = withSlash(base.folder);
}

void LinkResolver::setScripts(const ScriptReader* scripts, bool chooseBranches) {
    m_scripts = scripts;
    m_chooseBranches = chooseBranches;
}

QString LinkResolver::findBase(const QString& page) {
    const QStringList found = regexMatchValues(page, QStringLiteral("<base href=[\\s\\S]+?>"));
    if (found.isEmpty())
        return {};
    QString base = found.first();
    base.remove(QLatin1String("<base href="), Qt::CaseInsensitive);
    for (const char* drop : {"/>", ">", "\"", "'", " "})
        base.remove(QLatin1String(drop));
    return base;
}

QString LinkResolver::resolve(const QString& address) const {
    const QString a = address.trimmed();
    if (a.isEmpty() || isAbsolute(a))
        return a;
    const bool scheme = a.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
    const std::optional<ScriptCall> call = parseScriptCall(a);
    if (scheme || call) {
        // A call the page's scripts do not explain leads nowhere we can fetch.
        if (!call || !m_scripts)
            return {};
        const std::optional<QString> target =
            m_scripts->callAddress(call->name, call->args, m_chooseBranches);
        if (!target || target->trimmed().isEmpty() || parseScriptCall(*target) ||
            target->startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive))
            return {};
        return isAbsolute(target->trimmed()) ? target->trimmed() : resolvePlain(target->trimmed());
    }
    return resolvePlain(a);
}

QString LinkResolver::resolvePlain(const QString& a) const {
    if (a.startsWith(QLatin1String("//")))
        return m_root.section(u':', 0, 0) + u':' + a;
    if (a.startsWith(u'/'))
        return m_root + a.mid(1);
    if (a.startsWith(QLatin1String("../"))) {
        QString folder = m_folder;
        QString rest = a;
        while (rest.startsWith(QLatin1String("../"))) {
            rest = rest.mid(3);
            // Never above the site root.
            if (folder.size() > m_root.size()) {
                folder.chop(1);
                folder = folder.left(folder.lastIndexOf(u'/') + 1);
            }
        }
        return folder + rest;
    }
    if (a.startsWith(u'?')) {
        // A query alone replaces the query of the page, it does not name a folder.
        const QString page = m_pageUrl.section(u'?', 0, 0);
        return page + a;
    }
    return m_folder + a;
}
