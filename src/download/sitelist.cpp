#include "download/sitelist.h"

#include "storage/recorddocument.h"
#include "storage/scramble.h"
#include "storage/textfile.h"
#include "storage/url.h"

namespace {

constexpr int kFirstRemarkField = 4;

} // namespace

bool loadUserSites(const QString& path, QList<NovelSite>& sites) {
    const QString stored = readTextFile(path).trimmed();
    if (stored.isEmpty())
        return false;
    RecordGrid grid;
    if (!parseMessageRecords(urlDecodeAnsi(scrambleText(QStringLiteral("D"), stored)), QStringLiteral("Site"),
                             grid))
        return false;
    QList<NovelSite> loaded;
    for (const QList<RecordCell>& record : grid) {
        NovelSite site;
        site.fields[1] = record.value(0).text;
        site.fields[2] = record.value(1).text;
        site.fields[3] = record.value(2).text;
        const QStringList remark = record.value(3).text.split(QStringLiteral("||"));
        for (int i = 0; i < remark.size() && kFirstRemarkField + i < NovelSite::kFieldCount; ++i)
            site.fields[kFirstRemarkField + i] = remark.at(i);
        loaded.append(site);
    }
    sites.append(loaded);
    return true;
}

QString userSitesText(const QList<NovelSite>& sites) {
    RecordWriter writer(QStringLiteral("Site"));
    for (const NovelSite& site : sites) {
        if (!site.userAdded)
            continue;
        QStringList remark;
        for (int i = kFirstRemarkField; i < NovelSite::kFieldCount; ++i)
            remark << site.fields[i];
        const bool selected = site.fields[3].compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                              site.fields[3] == QLatin1String("1");
        writer.add({"name", "url", "bisselect", "Remark"},
                   {site.fields[1], site.fields[2],
                    selected ? QStringLiteral("True") : QStringLiteral("False"),
                    remark.join(QStringLiteral("||"))});
    }
    return writer.toText();
}

bool saveUserSites(const QString& path, const QList<NovelSite>& sites) {
    return writeTextFile(path, scrambleText(QStringLiteral("E"), urlEncodeDoubleByte(userSitesText(sites))));
}
