#pragma once

#include "storage/recordlists.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

// Bookmarks: an anchor written into the chapter page before the chosen words, and a record in
// bookmark.xml with the page and the anchor.
class BookmarkBook {
    Q_DECLARE_TR_FUNCTIONS(BookmarkBook)

public:
    static constexpr int kMaxChars = 20;

    explicit BookmarkBook(const QString& libraryPath);

    // Pages that are not chapter, full-text or volume pages (logs, lists, contents) take none.
    static bool acceptsPage(const QString& pageTitle);
    // "" when the words may be a bookmark, else the message for the user.
    static QString checkSelection(const QString& selected);

    // The next anchor name of the page, "001" upward.
    static QString nextAnchorName(const QString& html);
    static QString anchorHtml(const QString& name);
    // Where in the page source the text position lies: the count of characters of the body's text
    // before it, as the view counts them (entities one character, CR LF one, tags and comments none).
    // -1 when the page has less text than that.
    static int sourceIndexOfTextOffset(const QString& html, int textOffset);
    // The page without its bookmark anchors: all of them, or only the one named.
    static QString removeAnchors(const QString& html, const QString& onlyName = QString());

    struct Request {
        QString pagePath;
        int textOffset = -1; // where the words begin; -1: at the top of the chapter text
        QString selected;
        QString novelId;
        QString novelName;
        QString chapterTitle;
        bool oneBookmark = false; // bIsOneBookMark: the novel's earlier bookmarks go first
    };
    struct Result {
        QString error; // for the user; empty on success
        QString anchor;
    };
    Result add(const Request& request);

    QList<Bookmark> list() const;
    std::optional<Bookmark> firstOfNovel(const QString& novelId) const;
    // Writes the kept list and takes the anchors of the removed ones out of their pages.
    bool save(const QList<Bookmark>& kept, const QList<Bookmark>& removed);

    // The address as stored in bookmark.xml: relative to the chm folder.
    QString storedAddress(const QString& pagePath) const;

private:
    bool stripAnchorFromPage(const QString& path, const QString& name);

    QString m_libraryPath;
};
