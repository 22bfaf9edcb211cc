#pragma once

// The fixture sites of chapter-list extraction with the exact list each must give
// (tests/data/toc/cases.json and one TSV file per case).

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

struct TocCase {
    QString name;
    QString site; // folder under tests/data/sites
    QString page; // address path of the table-of-contents page
    QString listStart;
    QString listEnd;
    QString volumeStart;
    QString volumeEnd;
    QHash<QString, QString> settings; // Main keys to set first
    QString expectedFile;

    // "position<TAB>volume<TAB>title<TAB>address" per chapter, with the site's base address put in.
    QStringList expectedLines(const QString& base) const;
};

QList<TocCase> tocCases();
// The case of that fixture site.
TocCase tocCase(const QString& site);
