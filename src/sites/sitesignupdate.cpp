#include "sites/sitesignupdate.h"

#include "fetch/pagesource.h"
#include "storage/textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

QString SiteSignUpdate::updateAddress(const QString& endpoint, int random) {
    QString address = endpoint.trimmed();
    if (!address.endsWith(u'/'))
        address += u'/';
    return address + QLatin1String("sitesign.xml?temp7afd=") + QString::number(random);
}

SiteSignUpdate::Result SiteSignUpdate::updateFromServer(PageSource& source, SiteSignTable& table,
                                                        const QString& endpoint, const QString& libraryFolder,
                                                        const SiteSignTable::Decider& decide,
                                                        const Status& status) {
    Result result;
    if (endpoint.trimmed().isEmpty()) {
        result.message = tr("尚未设置正文标志的更新网址（book.ini 的 SiteSignUpdateUrl）");
        return result;
    }
    const FetchedPage page =
        source.fetch(updateAddress(endpoint, int(QRandomGenerator::global()->bounded(101))));
    if (page.stopped()) {
        result.stopped = true;
        return result;
    }
    if (!page.ok() || page.body.isEmpty()) {
        result.message = tr("更新失败，请查看网络连接");
        return result;
    }

    // Kept as served: the reader decodes by the file's declaration (gb2312 unless it says otherwise),
    // so a file the server holds in UTF-8 arrives intact too.
    const QString tempPath =
        QDir(libraryFolder)
            .filePath(QLatin1String("tmp") +
                      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")) +
                      QLatin1String(".xml"));
    QString error;
    if (!writeBytesAtomically(tempPath, page.body, &error)) {
        result.message = error;
        return result;
    }
    if (status)
        status(tr("在线信息下载完毕"));
    result.merge = table.mergeFile(tempPath, decide);
    QFile::remove(tempPath);
    result.message = result.merge.error;
    result.ok = result.merge.error.isEmpty();
    return result;
}
