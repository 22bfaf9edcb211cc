#pragma once

#include "sites/sitesign.h"

#include <QCoreApplication>
#include <QDate>

#include <functional>

class Database;

// All site signs of the library (sitesign.xml), with the flag that the file could not be used.
class SiteSignTable {
    Q_DECLARE_TR_FUNCTIONS(SiteSignTable)

public:
    // Missing, empty or unreadable: the table is empty and unavailable, and matches nothing.
    bool load(const QString& path);
    // Writes the table; with no record left the file is removed instead.
    bool save(const QString& path, QString* error = nullptr) const;

    bool isUnavailable() const { return m_unavailable; }
    QList<SiteSign>& signs() { return m_signs; }
    const QList<SiteSign>& signs() const { return m_signs; }
    void setSigns(const QList<SiteSign>& signs);

    // The index of the sign of that site root (its url with a trailing "/" assumed), or -1.
    int find(const QString& siteRoot) const;
    // Copies the sign's markers into the novel (empty ones as Null). False without a match.
    bool applyToNovel(const Database& db, const QString& siteRoot, const QString& novelId);
    // Every novel (NovelID order) or the given ones; returns how many got a sign.
    int applyToNovels(const Database& db, const QStringList& novelIds = QStringList());

    // Merging an imported list: identical records change nothing, new ones are appended, and for a
    // differing record the decider says overwrite or keep, optionally for all that follow.
    struct Decision {
        bool overwrite = false;
        bool applyToAll = false;
    };
    using Decider = std::function<Decision(const SiteSign& existing, const SiteSign& imported)>;
    struct MergeResult {
        int added = 0;
        int overwritten = 0;
        int kept = 0;
        int identical = 0;
        QString error; // "无此文件", "文件为空或文件格式不对"
    };
    MergeResult merge(const QList<SiteSign>& imported, const Decider& decide);
    MergeResult mergeFile(const QString& path, const Decider& decide);

    static QString proposedExportName(const QDate& day = QDate::currentDate());

private:
    void normaliseUrls();

    QList<SiteSign> m_signs;
    bool m_unavailable = true;
};
