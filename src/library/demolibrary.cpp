#include "library/demolibrary.h"

#include "library/demostore.h"
#include "sites/searchsites.h"
#include "sites/sitesign.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"
#include "storage/settings.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

QString DemoLibrary::siteFolder() {
    const QString shipped = LibraryFolder::shippedDataDir();
    const QString folder = shipped + QStringLiteral("/demo-site");
    return !shipped.isEmpty() && QFileInfo(folder + QStringLiteral("/book/index.html")).isFile() ? folder
                                                                                                 : QString();
}

QString DemoLibrary::listUrl(const QString& baseUrl) {
    return QUrl(baseUrl).resolved(QUrl(QStringLiteral("book/index.html"))).toString();
}

NovelSite DemoLibrary::searchSite(const QString& baseUrl) {
    const QString root = QUrl(baseUrl).resolved(QUrl(QStringLiteral("/"))).toString();
    NovelSite site;
    site[NovelSite::Name] = tr("演示小说站");
    site[NovelSite::Url] = root;
    site.setSelected(true);
    site[NovelSite::Type] = QStringLiteral("1");
    site[NovelSite::TitleStart] = QStringLiteral("<td class=\"odd\"><a href=");
    site[NovelSite::LinkStart] = QStringLiteral("<td class=\"odd\"><a href=");
    site[NovelSite::LinkEnd] = QStringLiteral(">");
    site[NovelSite::LatestStart] = QStringLiteral("<td class=\"even\">");
    site[NovelSite::LatestEnd] = QStringLiteral("</td>");
    site[NovelSite::SearchUrl] =
        root + QStringLiteral("search.php?searchtype=articlename&searchkey=[[Name]]");
    site[NovelSite::AuthorSearchUrl] =
        root + QStringLiteral("search.php?searchtype=author&searchkey=[[Name]]");
    site[NovelSite::NameCode] = QStringLiteral("utf-8");
    site[NovelSite::ResultStart] = QStringLiteral("<table class=\"grid\">");
    site[NovelSite::ResultEnd] = QStringLiteral("</table>");
    return site;
}

QString DemoLibrary::prepareSearchSite(LibraryContext& library, const QString& baseUrl) {
    Settings& settings = library.settings();
    const QString ticks = settings.value(QStringLiteral("DownSiteStr"));
    SearchSites sites;
    sites.load(library.folder().path(), ticks);
    NovelSite demo = searchSite(baseUrl);
    // A kept demo library from a start on another port has the site under its old address.
    const auto isDemo = [&demo](const NovelSite& site) {
        return site.userAdded && site[NovelSite::Name] == demo[NovelSite::Name] &&
               site[NovelSite::Url].startsWith(QLatin1String("http://127.0.0.1:"));
    };
    QList<NovelSite>& list = sites.sites();
    const auto found = std::find_if(list.begin(), list.end(), isDemo);
    const bool added = found == list.end();
    if (added) {
        list.append(demo);
    } else {
        demo.setSelected(found->isSelected());
        if (*found == demo)
            return {};
        *found = demo;
    }
    const QString path = library.folder().file(SearchSites::userFileName());
    if (!sites.saveUserSites(library.folder().path()))
        return tr("无法写入文件") + path;
    // Stored ticks name rows; a new row is ticked only when it is written among them.
    if (added && !ticks.trimmed().isEmpty()) {
        const QString selection = sites.selectionText();
        settings.setValue(QStringLiteral("DownSiteStr"), selection);
        if (!settings.writeIniValue(Settings::kMain, QStringLiteral("DownSiteStr"), selection))
            return tr("无法写入文件") + settings.iniPath();
    }
    return {};
}

QString DemoLibrary::prepare(LibraryContext& library, const QString& baseUrl, QString* novelId) {
    const QString problem = prepareSearchSite(library, baseUrl);
    if (!problem.isEmpty())
        return problem;
    const QString url = listUrl(baseUrl);
    const DemoStore store(library.database());
    const QString existing = store.novelIdByName(novelName());
    if (novelId)
        *novelId = existing;
    if (!existing.isEmpty()) {
        // A kept demo library from a start on another port: chapters are recognised by address.
        const QString oldBase = QUrl(store.listUrl(existing)).resolved(QUrl(QStringLiteral("/"))).toString();
        const QString newBase = QUrl(url).resolved(QUrl(QStringLiteral("/"))).toString();
        if (oldBase == newBase || !oldBase.startsWith(QLatin1String("http://127.0.0.1:")))
            return {};
        return store.moveAddresses(existing, oldBase, newBase) ? QString() : tr("无法保存小说");
    }

    NovelAddJob::Request request;
    request.name = novelName();
    request.listUrl = url;
    // On another port the shipped sign does not match the address by its site root; use its markers.
    SiteSignTable signs;
    signs.load(library.folder().file(QStringLiteral("sitesign.xml")));
    const int own = signs.find(getSiteRoot(url));
    const int shipped = signs.find(getSiteRoot(QStringLiteral("http://127.0.0.1:%1/").arg(kPort)));
    if (own < 0 && shipped >= 0)
        request.markers = signs.signs().at(shipped).markers();
    NovelAddJob job(library.database(), library.folder(), library.settings(), request);
    job.runHere();
    if (novelId)
        *novelId = job.result().novelId;
    return job.result().error;
}
