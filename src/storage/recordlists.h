#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The small lists kept in record files beside the database. Each loader says whether its file was
// missing, empty or unreadable ("empty"), in which case the list is left as it was.

struct Bookmark {
    QString name;
    QString url;    // as stored: usually relative to the chm folder
    QString strPos; // anchor name written into the chapter page
    QString fullAddress;
};

// bookmark.xml. A stored address that holds the library path is used as it is; any other is taken
// relative to <library>/chm/, with "\" made "/".
bool loadBookmarks(const QString& libraryPath, QList<Bookmark>& bookmarks);
QString bookmarkFullAddress(const QString& libraryPath, const QString& url);
// Bookmarks without an address are left out.
QString bookmarksText(const QList<Bookmark>& bookmarks, const QString& tag = QStringLiteral("Bookmark"));
bool saveBookmarks(const QString& libraryPath, const QList<Bookmark>& bookmarks);

// A named set of reading settings in showtype.xml; read by position.
struct ShowType {
    static constexpr int kFieldCount = 10;
    static QStringList elementNames();
    std::array<QString, kFieldCount> fields; // Name, BgColor, BgImg, FontSize, FontColor, FontName,
                                             // FontBold, FontItalic, TitleFontName, TitleFontSize
};
bool loadShowTypes(const QString& path, QList<ShowType>& showTypes);
QString showTypesText(const QList<ShowType>& showTypes, const QString& tag = QStringLiteral("ShowType"));

// Book templates: the user styles are the subfolders of <library>/usermodel.
struct BookModel {
    QString id;
    QString name;
    QString content;
};
bool listUserModels(const QString& libraryPath, QList<BookModel>& models);
QString bookModelsText(const QList<BookModel>& models, const QString& tag);

// musiclist.dat: one entry per line; blank lines skipped, the rest kept as written.
bool loadMusicList(const QString& path, QStringList& entries);
