#include "toc/syncplan.h"

#include "sites/needdelurl.h"
#include "text/unicodetext.h"

#include <QHash>
#include <QSet>

QString SyncPlan::siteTitle(const QString& title, const QString& titleCharset) {
    QString t = title;
    // Sites mark fresh chapters by appending "new" to the link text; it is no part of the title.
    if (t.size() >= 4 && t.endsWith(QLatin1String("new"), Qt::CaseInsensitive))
        t.chop(3);
    return normalizeUnicodeText(t, titleCharset).left(250);
}

SyncPlan SyncPlan::make(const QString& novelId, const ChapterLinks& site, const QList<SyncedChapter>& stored,
                        const QString& needDelUrl, const QString& titleCharset) {
    SyncPlan plan;
    const NeedDelUrl excluded(needDelUrl);
    const int pastTheList = int(site.size()) + 1;

    // The entries the site offers: a title, an address, not excluded. An address listed twice counts
    // once, at its first place, or every sync would add it again.
    QList<QString> titles(site.size());
    QHash<QString, int> firstIndex;
    QSet<QString> titled; // address + NUL + title of every offered entry
    for (int j = 0; j < site.size(); ++j) {
        const ChapterLink& link = site.at(j);
        if (link.url.isEmpty())
            continue;
        const QString title = siteTitle(link.title, titleCharset);
        if (title.isEmpty() || excluded.excludes(link.url))
            continue;
        titles[j] = title;
        if (!firstIndex.contains(link.url))
            firstIndex.insert(link.url, j);
        titled.insert(link.url + QChar(0) + title);
    }

    // Chapters still listed under their title stay; their address is taken.
    QSet<QString> taken;
    QList<bool> kept(stored.size(), false);
    for (int i = 0; i < stored.size(); ++i) {
        const SyncedChapter& c = stored.at(i);
        if (c.comeFrom.isEmpty() || !titled.contains(c.comeFrom + QChar(0) + c.title))
            continue;
        kept[i] = true;
        taken.insert(c.comeFrom);
        const int order = firstIndex.value(c.comeFrom) + 1;
        if (order != c.displayorder)
            plan.renumbered.append({c.id, order});
    }
    // The others: retitled when their address is listed and not yet taken, deleted otherwise (not
    // listed, excluded, written by hand, or a second row of one address).
    for (int i = 0; i < stored.size(); ++i) {
        if (kept.at(i))
            continue;
        const SyncedChapter& c = stored.at(i);
        const auto found = c.comeFrom.isEmpty() ? firstIndex.cend() : firstIndex.constFind(c.comeFrom);
        if (found != firstIndex.cend() && !taken.contains(c.comeFrom)) {
            taken.insert(c.comeFrom);
            plan.retitles.append(
                {c.id, c.title, titles.at(*found), c.comeFrom, *found + 1,
                 site.at(*found).volume.trimmed().isEmpty() ? QString() : site.at(*found).volume});
            continue;
        }
        const int keptOrder = found != firstIndex.cend() ? *found + 1 : pastTheList;
        plan.deletions.append({c.id, c.title, c.displayorder, keptOrder});
    }

    for (int j = 0; j < site.size(); ++j) {
        const QString& url = site.at(j).url;
        if (titles.at(j).isEmpty() || taken.contains(url))
            continue;
        taken.insert(url);
        ChapterRecord record;
        record.novelId = novelId;
        record.title = titles.at(j);
        record.comeFrom = url;
        if (!site.at(j).volume.trimmed().isEmpty())
            record.volume = site.at(j).volume;
        record.displayorder = j + 1;
        plan.inserts.append(record);
    }
    return plan;
}
