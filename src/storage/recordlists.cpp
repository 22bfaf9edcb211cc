#include "storage/recordlists.h"

#include "storage/recorddocument.h"
#include "storage/textfile.h"

#include <QDir>

bool loadBookmarks(const QString& libraryPath, QList<Bookmark>& bookmarks) {
    RecordGrid grid;
    if (!parseMessageRecords(readRecordFile(libraryPath + QLatin1String("/bookmark.xml")),
                             QStringLiteral("Bookmark"), grid))
        return false;
    QList<Bookmark> loaded;
    for (const QList<RecordCell>& record : grid) {
        Bookmark b;
        b.name = record.value(0).text;
        b.url = record.value(1).text;
        if (record.size() >= 3)
            b.strPos = record.at(2).text;
        b.fullAddress = bookmarkFullAddress(libraryPath, b.url);
        loaded.append(b);
    }
    bookmarks = loaded;
    return true;
}

QString bookmarkFullAddress(const QString& libraryPath, const QString& url) {
    const QString library = QString(libraryPath).replace(u'\\', u'/');
    if (url.contains(library))
        return url;
    return QString(library + QLatin1String("/chm/") + url).replace(u'\\', u'/');
}

QString bookmarksText(const QList<Bookmark>& bookmarks, const QString& tag) {
    RecordWriter writer(tag);
    for (const Bookmark& b : bookmarks)
        if (!b.url.isEmpty())
            writer.add({"name", "url", "strPos"}, {b.name, b.url, b.strPos});
    return writer.toText();
}

bool saveBookmarks(const QString& libraryPath, const QList<Bookmark>& bookmarks) {
    return writeRecordFile(libraryPath + QLatin1String("/bookmark.xml"), bookmarksText(bookmarks));
}

QStringList ShowType::elementNames() {
    return {"Name",     "BgColor",  "BgImg",      "FontSize",      "FontColor",
            "FontName", "FontBold", "FontItalic", "TitleFontName", "TitleFontSize"};
}

bool loadShowTypes(const QString& path, QList<ShowType>& showTypes) {
    RecordGrid grid;
    if (!parseMessageRecords(readRecordFile(path), QStringLiteral("ShowType"), grid))
        return false;
    QList<ShowType> loaded;
    for (const QList<RecordCell>& record : grid) {
        ShowType type;
        // By position, as always: a file with its elements in another order fills the wrong settings.
        for (int i = 0; i < ShowType::kFieldCount; ++i)
            type.fields[i] = record.value(i).text;
        loaded.append(type);
    }
    showTypes = loaded;
    return true;
}

QString showTypesText(const QList<ShowType>& showTypes, const QString& tag) {
    RecordWriter writer(tag);
    for (const ShowType& type : showTypes)
        writer.add(ShowType::elementNames(), QStringList(type.fields.begin(), type.fields.end()));
    return writer.toText();
}

bool listUserModels(const QString& libraryPath, QList<BookModel>& models) {
    const QStringList folders = QDir(libraryPath + QLatin1String("/usermodel"))
                                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (folders.isEmpty())
        return false;
    QList<BookModel> listed;
    for (const QString& folder : folders)
        listed.append({QString(), folder, QString()});
    models = listed;
    return true;
}

QString bookModelsText(const QList<BookModel>& models, const QString& tag) {
    RecordWriter writer(tag);
    for (const BookModel& m : models)
        writer.add({"ID", "Name", "Content"}, {m.id, m.name, m.content});
    return writer.toText();
}

bool loadMusicList(const QString& path, QStringList& entries) {
    const QString text = readTextFile(path);
    QStringList loaded;
    // Files edited here may end their lines with "\n" only.
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            loaded << line;
    }
    if (loaded.isEmpty())
        return false;
    entries = loaded;
    return true;
}
