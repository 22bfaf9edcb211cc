#pragma once

#include <QList>
#include <QString>

// Reading what an e-book or a folder says about its chapters: the contents file of a compiled help
// book, the program's own list page, and the paths inside a book.

struct ImportEntry {
    QString title;
    QString page;   // path from the book's root, "/"-separated, no leading "/"
    QString volume; // "" for none
};

// The page a contents entry's Local value names, from the root: without "mk:@MSITStore:…::" and
// "#anchor".
QString contentsLocalPage(const QString& local);

// The entries of a contents file (its text decoded), in order. An entry with a list of its own is
// a heading: it names the volume of the entries below it and is no chapter. Entries without a page
// are left out; a page may come more than once (the importer takes it once).
QList<ImportEntry> parseContentsFile(const QString& contents);

// The chapters of one of the program's own list pages at listPath: volumes from the heading cells
// (bgcolor #F6F6F6), chapters from the links after them; "分卷阅读" links are no chapters, and the
// heading "正文" stands for chapters without a volume.
QList<ImportEntry> parseOwnListPage(const QString& page, const QString& listPath);

// Whether a page is one of those list pages.
bool isOwnListPage(const QString& page);
