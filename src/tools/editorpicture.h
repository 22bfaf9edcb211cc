#pragma once

#include "storage/libraryfolder.h"

#include <QByteArray>
#include <QString>

// A picture the chapter editor inserts. Pages are read offline and moved with their novel's folder, so
// a local picture is copied into chm/<NovelID>/ and the page names it relative to itself; web
// pictures stay where they are.
struct EditorPicture {
    QString src;   // the <img src> to insert, "" on error
    QString error; // "" or the message to show
};

// address: an http(s) address (kept as given), a "file:" URL or a local path; a relative path is
// taken from the novel's folder, where the page's own pictures are. The copy is named
// "<NovelID>_<id>_<n>.<ext>" with the first free n from 1; a picture already in the folder is not
// copied again. Files whose bytes are no known picture type are refused whatever their name.
EditorPicture placeEditorPicture(const LibraryFolder& folder, const QString& novelId, qint64 chapterId,
                                 const QString& address);

// "jpg", "png", "gif", "bmp", "webp" or "svg" from a file's first bytes; "" for anything else.
QString editorPictureType(const QByteArray& head);
