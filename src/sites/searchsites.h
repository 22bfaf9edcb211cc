#pragma once

#include "sites/sitelist.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The sites a novel is searched on: the built-in table first, then the user's sites, with the user's
// ticks. The ticks are kept in DownSiteStr as the row numbers (from 1) of the ticked rows, each
// followed by ",".
class SearchSites {
    Q_DECLARE_TR_FUNCTIONS(SearchSites)

public:
    static QString builtInFileName() { return QStringLiteral("searchsites.xml"); }
    static QString userFileName() { return QStringLiteral("book.dat"); }

    // The built-in table and book.dat of the library folder. A malformed book.dat leaves the
    // built-in sites alone. Without a DownSiteStr, every site keeps the tick its file gives.
    void load(const QString& libraryFolder, const QString& downSiteStr);
    void loadFiles(const QString& builtInPath, const QString& userPath, const QString& downSiteStr);

    QList<NovelSite>& sites() { return m_sites; }
    const QList<NovelSite>& sites() const { return m_sites; }
    int userSiteCount() const;

    // DownSiteStr of the current ticks.
    QString selectionText() const;
    void applySelection(const QString& downSiteStr);

    // The sites a search goes through, in list order: the ticked ones, or all.
    QList<NovelSite> sitesToSearch(bool selectedOnly) const;

    // Writes the user's sites (with their ticks) to book.dat.
    bool saveUserSites(const QString& libraryFolder) const;

    // Why a row cannot be edited or deleted, "" when it can.
    QString editProblem(int row) const;
    QString deleteProblem(int row) const;

    // "自定义搜索网站-YYYYMMDD.dat"
    static QString proposedExportName(const QDate& day);
    // Replaces book.dat by the chosen file after checking that it reads as a site list; the
    // message is "无此文件", "文件格式有误" or "" on success.
    static QString importUserFile(const QString& source, const QString& libraryFolder);

private:
    QList<NovelSite> m_sites;
};
