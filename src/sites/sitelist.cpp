#include "sites/sitelist.h"

#include "storage/recorddocument.h"
#include "storage/scramble.h"
#include "storage/textfile.h"
#include "text/url.h"

namespace {

constexpr int kFirstRemarkField = 4;

} // namespace

bool NovelSite::isSelected() const {
    const QString& v = fields[Selected];
    return v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || v == QLatin1String("1");
}

void NovelSite::setSelected(bool selected) {
    fields[Selected] = selected ? QStringLiteral("True") : QStringLiteral("False");
}

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
        writer.add({"name", "url", "bisselect", "Remark"},
                   {site.fields[1], site.fields[2],
                    site.isSelected() ? QStringLiteral("True") : QStringLiteral("False"),
                    remark.join(QStringLiteral("||"))});
    }
    return writer.toText();
}

bool saveUserSites(const QString& path, const QList<NovelSite>& sites) {
    return writeTextFile(path, scrambleText(QStringLiteral("E"), urlEncodeDoubleByte(userSitesText(sites))));
}

bool loadBuiltInSites(const QString& path, QList<NovelSite>& sites) {
    RecordGrid grid;
    if (!parseMessageRecords(readRecordFile(path), QStringLiteral("Site"), grid))
        return false;
    for (const QList<RecordCell>& record : grid) {
        NovelSite site;
        site.userAdded = false;
        for (int i = 0; i < record.size() && i < NovelSite::kFieldCount; ++i)
            site.fields[i] = record.at(i).text;
        sites.append(site);
    }
    return true;
}
