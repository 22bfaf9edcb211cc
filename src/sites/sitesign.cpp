#include "sites/sitesign.h"

#include "text/markers.h"
#include "storage/recorddocument.h"

QStringList SiteSign::elementNames() {
    return {"name",       "url",         "ListStart", "ListEnd",         "ContentStart", "ContentEnd",
            "NeedDelStr", "VolumeStart", "VolumeEnd", "BriefUrlStart",   "BriefUrlEnd",  "AuthorStart",
            "AuthorEnd",  "BriefStart",  "BriefEnd",  "BookImgUrlStart", "BookImgUrlEnd"};
}

QStringList SiteSign::captions() {
    return {"网站名称",         "网站网址",        "目录开始标志", "目录结束标志", "章节开始标志",
            "章节结束标志",     "需去除的字符",    "分卷开始标志", "分卷结束标志", "简介链接开始标志",
            "简介链接结束标志", "作者开始标志",    "作者结束标志", "简介开始标志", "简介结束标志",
            "封面链接开始标志", "封面链接结束标志"};
}

NovelMarkers SiteSign::markers() const {
    return {fields[ListStart],    fields[ListEnd],    fields[VolumeStart], fields[VolumeEnd],
            fields[ContentStart], fields[ContentEnd], fields[NeedDelStr]};
}

QString getSiteRoot(const QString& address) {
    const QString trimmed = address.trimmed();
    for (const QString& scheme : {QStringLiteral("http://"), QStringLiteral("https://")}) {
        if (trimmed.indexOf(scheme, 0, Qt::CaseInsensitive) < 0)
            continue;
        const QString host = getTextBetween(trimmed, scheme, QStringLiteral("/"));
        return host.isEmpty() ? QString() : QStringLiteral("http://") + host + u'/';
    }
    return {};
}

bool readSiteSigns(const QString& text, QList<SiteSign>& signs) {
    RecordGrid grid;
    if (!parseMessageRecords(text, QStringLiteral("SiteSign"), grid))
        return false;
    QList<SiteSign> read;
    for (const QList<RecordCell>& record : grid) {
        const qsizetype count = record.size();
        // Older files carry fewer fields; what they lack stays empty.
        const qsizetype usable = count >= 17  ? 17
                                 : count >= 9 ? 9
                                 : count >= 7 ? 7
                                              : qMin<qsizetype>(count, 6);
        SiteSign sign;
        for (qsizetype i = 0; i < usable; ++i)
            sign.fields[i] = record.at(i).text;
        read.append(sign);
    }
    signs = read;
    return true;
}

QString siteSignsText(const QList<SiteSign>& signs) {
    RecordWriter writer(QStringLiteral("SiteSign"));
    const QStringList names = SiteSign::elementNames();
    for (const SiteSign& sign : signs) {
        if (sign[SiteSign::Name].isEmpty())
            continue;
        writer.add(names, QStringList(sign.fields.begin(), sign.fields.end()));
    }
    return writer.toText();
}
