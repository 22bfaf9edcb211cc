#include "sites/sitesigntable.h"

#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/recorddocument.h"

#include <QFile>
#include <QSqlQuery>

namespace {

QString withSlash(const QString& url) {
    return url.endsWith(u'/') ? url : url + u'/';
}

} // namespace

bool SiteSignTable::load(const QString& path) {
    QList<SiteSign> signs;
    m_unavailable = !readSiteSigns(readRecordFile(path), signs);
    m_signs = m_unavailable ? QList<SiteSign>() : signs;
    return !m_unavailable;
}

bool SiteSignTable::save(const QString& path, QString* error) const {
    const bool anyNamed = std::any_of(m_signs.begin(), m_signs.end(),
                                      [](const SiteSign& s) { return !s[SiteSign::Name].isEmpty(); });
    if (!anyNamed)
        return !QFile::exists(path) || QFile::remove(path);
    return writeRecordFile(path, siteSignsText(m_signs), error);
}

void SiteSignTable::setSigns(const QList<SiteSign>& signs) {
    m_signs = signs;
    m_unavailable = signs.isEmpty();
}

void SiteSignTable::normaliseUrls() {
    for (SiteSign& sign : m_signs)
        sign[SiteSign::Url] = withSlash(sign[SiteSign::Url]);
}

int SiteSignTable::find(const QString& siteRoot) const {
    if (m_unavailable || siteRoot.isEmpty())
        return -1;
    for (int i = 0; i < m_signs.size(); ++i)
        if (withSlash(m_signs.at(i)[SiteSign::Url]).compare(siteRoot, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool SiteSignTable::applyToNovel(const Database& db, const QString& siteRoot, const QString& novelId) {
    if (m_unavailable)
        return false;
    normaliseUrls();
    const int index = find(siteRoot);
    if (index < 0)
        return false;
    return NovelStore(db).updateNovelMarkers(novelId, m_signs.at(index).markers());
}

int SiteSignTable::applyToNovels(const Database& db, const QStringList& novelIds) {
    QList<QPair<QString, QString>> novels; // NovelID, ListUrl
    QSqlQuery q = db.query(QStringLiteral("SELECT NovelID, ListUrl FROM book_novel ORDER BY NovelID"));
    while (q.next())
        if (novelIds.isEmpty() || novelIds.contains(q.value(0).toString()))
            novels.append({q.value(0).toString(), q.value(1).toString()});
    int applied = 0;
    db.transaction([&] {
        for (const auto& [id, listUrl] : novels) {
            const QString root = getSiteRoot(listUrl);
            if (!root.isEmpty() && applyToNovel(db, root, id))
                ++applied;
        }
        return true;
    });
    return applied;
}

SiteSignTable::MergeResult SiteSignTable::merge(const QList<SiteSign>& imported, const Decider& decide) {
    MergeResult result;
    std::optional<bool> answerForAll;
    for (SiteSign incoming : imported) {
        incoming[SiteSign::Url] = withSlash(incoming[SiteSign::Url]);
        auto existing = std::find_if(m_signs.begin(), m_signs.end(), [&](const SiteSign& s) {
            return withSlash(s[SiteSign::Url]).compare(incoming[SiteSign::Url], Qt::CaseInsensitive) == 0;
        });
        if (existing == m_signs.end()) {
            m_signs.append(incoming);
            ++result.added;
            continue;
        }
        if (*existing == incoming) {
            ++result.identical;
            continue;
        }
        bool overwrite = false;
        if (answerForAll) {
            overwrite = *answerForAll;
        } else if (decide) {
            const Decision decision = decide(*existing, incoming);
            overwrite = decision.overwrite;
            if (decision.applyToAll)
                answerForAll = overwrite;
        }
        if (overwrite) {
            *existing = incoming;
            ++result.overwritten;
        } else {
            ++result.kept;
        }
    }
    if (!m_signs.isEmpty())
        m_unavailable = false;
    return result;
}

SiteSignTable::MergeResult SiteSignTable::mergeFile(const QString& path, const Decider& decide) {
    MergeResult result;
    if (!QFile::exists(path)) {
        result.error = tr("无此文件");
        return result;
    }
    QList<SiteSign> imported;
    if (!readSiteSigns(readRecordFile(path), imported) || imported.isEmpty()) {
        result.error = tr("文件为空或文件格式不对");
        return result;
    }
    return merge(imported, decide);
}

QString SiteSignTable::proposedExportName(const QDate& day) {
    return tr("正文标志文件-") + day.toString(QStringLiteral("yyyyMMdd")) + QLatin1String(".xml");
}
