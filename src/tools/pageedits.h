#pragma once

#include <QList>
#include <QMap>
#include <QString>

// Edits of a chapter page's text that the search window runs over many chapters. Pure functions:
// the caller reads and writes the page.
namespace PageEdits {

// Punctuation between full and half width, only in the text a reader sees: tags, comments and
// character references stay byte for byte. To full width first pairs ASCII double quotes into “ ”.
QString toFullWidth(const QString& html);
QString toHalfWidth(const QString& html);

// Every picture tag removed.
QString removePictures(const QString& html);
// Every picture tag inside <center>…</center>.
QString centerPictures(const QString& html);

// The picture tags of the content zoom with Ctrl and the mouse wheel, and the page gets the script
// once. A page that already zooms ("onmousewheel" anywhere) or has no picture comes back as it is.
QString zoomPictures(const QString& page);
// The script block that zoomPictures adds.
QString zoomScript();

// A picture of the chapter downloaded into the novel's folder ("<NovelID>_<id>_<n>.<ext>") that the
// page refers to in a picture tag's src.
struct PictureFile {
    QString name; // the file name
    QString path;
    qint64 size = 0;
};
// Each file once, in the order the page first refers to it; only files that exist.
QList<PictureFile> chapterPictures(const QString& page, const QString& novelDir, const QString& novelId,
                                   qint64 chapterId);
// The file name a picture tag's src names (after the last "/" or "\"), "" for a tag without src.
QString pictureFileName(const QString& tag);

// Every picture tag whose src names one of the files replaced by that file's HTML ("" removes it).
QString replacePictureTags(const QString& page, const QMap<QString, QString>& htmlByFileName);

// Recognised text as page text: escaped, each line break a "<br>".
QString ocrTextHtml(const QString& text);

} // namespace PageEdits
