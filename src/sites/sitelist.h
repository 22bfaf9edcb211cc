#pragma once

#include <QList>
#include <QString>

#include <array>

// A novel site that can be searched by name. The fields are addressed by position: the built-in
// table, book.dat and the site windows all agree on these numbers.
struct NovelSite {
    enum Field {
        Id = 0,         // built-in sites only
        Name = 1,       // shown after each result title
        Url = 2,        // site root, kept with a trailing "/"
        Selected = 3,   // "True"/"False"
        Type = 4,       // processing mode
        TitleStart = 5, // several results: around each title ("" end counts as "</a>")
        TitleEnd = 6,
        LinkStart = 7, // around each link
        LinkEnd = 8,
        LatestStart = 9, // around each latest-update text
        LatestEnd = 10,
        FindStr = 11, // book page → contents page: "[[id]]" stands for the book number
        ReplaceStr = 12,
        SearchUrl = 15,       // "[[Name]]" is the name
        AuthorSearchUrl = 16, // the same by author
        NameCode = 17,        // "utf-8": the name goes as UTF-8 escapes
        ResultStart = 18,     // around the result region
        ResultEnd = 19,
        OneResultMark = 20, // present when the site answered with the novel's own page
        OneLinkStart = 21,
        OneLinkEnd = 22,
        OneLatestStart = 23,
        OneLatestEnd = 24,
        OneTitleStart = 25,
        OneTitleEnd = 26,
    };
    static constexpr int kFieldCount = 30;
    std::array<QString, kFieldCount> fields;
    bool userAdded = true; // only the user's sites are saved

    QString& operator[](Field f) { return fields[f]; }
    const QString& operator[](Field f) const { return fields[f]; }
    bool isSelected() const;
    void setSelected(bool selected);

    bool operator==(const NovelSite& other) const {
        return fields == other.fields && userAdded == other.userAdded;
    }
};

// The user's sites, kept scrambled in book.dat: record document → double-byte characters
// percent-escaped → scrambled. False (list untouched) when the file is missing, empty or unreadable.
bool loadUserSites(const QString& path, QList<NovelSite>& sites);
QString userSitesText(const QList<NovelSite>& sites);
bool saveUserSites(const QString& path, const QList<NovelSite>& sites);

// The built-in table: a record document of "Site" records whose thirty children are the fields by
// position. Appended as built-in sites; false (list untouched) when the file is missing or unreadable.
bool loadBuiltInSites(const QString& path, QList<NovelSite>& sites);
