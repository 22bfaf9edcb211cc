#pragma once

#include <QFlags>
#include <QList>
#include <QString>

class LibraryContext;
class Settings;

// The ways of reading a contents page whose list is not plain links.
enum class ListKind {
    ScriptList = 0x01,  // the list is written by a script file of the page
    ScriptCall = 0x02,  // links are script calls of functions in script files
    UrlFunction = 0x04, // link functions choose the address with if/else
    ArrayList = 0x08,   // the list is held in script arrays
    Forum = 0x10,       // the list is a forum's thread list
    FolderUrl = 0x20,   // chapter addresses end in "/"
};
Q_DECLARE_FLAGS(ListKinds, ListKind)
Q_DECLARE_OPERATORS_FOR_FLAGS(ListKinds)

// What chapter-list extraction takes from the settings and the filter files.
struct ChapterListOptions {
    bool manualSelect = false;                         // bIsManualSelect
    bool judgePicExt = false;                          // bIsJudgePicExt
    QString displayCharset = QStringLiteral("gb2312"); // charset
    QString filterTitles;                              // filter1.txt
    QString filterUrls;                                // filter2.txt

    // Sites whose lists need their own handling, each an address list ("||" between entries, an
    // entry matching when the list address contains it, ignoring case; "[[…]]" for a regular
    // expression). A page that reads as plain links without chapters tries every kind anyway; these
    // lists force a kind on a site from the start.
    QString scriptListSites;  // ScriptListSites: the list is written by a script file of the page
    QString scriptCallSites;  // ScriptCallSites: links are script calls of functions in script files
    QString urlFunctionSites; // UrlFunctionSites: link functions choose the address with if/else
    QString arrayListSites;   // ArrayListSites: the list is held in script arrays
    QString forumSites;       // ForumSites: the list is a forum's thread list
    QString folderUrlSites;   // FolderUrlSites: chapter addresses end in "/"
    QString excludeUrlStr;    // ExcludeUrlStr: address parts that are never chapters (same format)

    static ChapterListOptions fromSettings(const Settings& settings, const QString& filterTitles = QString(),
                                           const QString& filterUrls = QString());
    static ChapterListOptions fromLibrary(const LibraryContext& library);

    // The kinds whose site lists match the list address.
    ListKinds kindsFor(const QString& listUrl) const;

    // True when one of the entries matches the address.
    static bool siteMatches(const QString& entries, const QString& address);
};
