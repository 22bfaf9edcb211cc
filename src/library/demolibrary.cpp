#include "library/demolibrary.h"

#include "sites/sitesign.h"
#include "sites/sitesigntable.h"
#include "library/demostore.h"
#include "storage/librarycontext.h"

#include <QFileInfo>
#include <QUrl>

QString DemoLibrary::siteFolder() {
    const QString shipped = LibraryFolder::shippedDataDir();
    const QString folder = shipped + QStringLiteral("/demo-site");
    return !shipped.isEmpty() && QFileInfo(folder + QStringLiteral("/book/index.html")).isFile() ? folder
                                                                                                 : QString();
}

QString DemoLibrary::listUrl(const QString& baseUrl) {
    return QUrl(baseUrl).resolved(QUrl(QStringLiteral("book/index.html"))).toString();
}

QString DemoLibrary::prepare(LibraryContext& library, const QString& baseUrl, QString* novelId) {
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
