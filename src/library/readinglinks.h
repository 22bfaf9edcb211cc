#pragma once

#include <QString>
#include <QUrl>

// What a link followed inside the reading view means. Chapter pages link to each other by file names
// inside the novel's folder ("12.htm", "Prior.htm", "Next.htm", "all.htm", "vol2.htm"); the window
// shows those itself instead of letting the browser open them, so that the list, the read marks
// and the tree follow.
struct ReadingLink {
    enum class Kind {
        Navigate,        // not ours: let the view go there
        BookmarkManager, // "bookmarkmanage.asp"
        Chapter,         // a chapter page by its id
        FullText,        // "all"
        Prior,
        Next,
        Volume, // "vol" + number
    };

    Kind kind = Kind::Navigate;
    QString novelId;
    qint64 chapterId = 0;
    QString anchor;
    QString fileName; // the target file inside the novel folder, e.g. "vol2.htm"

    // Pages the program opens for reading carry "?op=read" and pass untouched.
    static ReadingLink classify(const QUrl& url, const QString& chmDir);
};
