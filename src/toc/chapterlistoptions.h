#pragma once

#include <QString>

class LibraryContext;
class Settings;

// What chapter-list extraction takes from the settings and the filter files.
struct ChapterListOptions {
    bool manualSelect = false;                         // bIsManualSelect
    bool judgePicExt = false;                          // bIsJudgePicExt
    QString displayCharset = QStringLiteral("gb2312"); // charset
    QString filterTitles;                              // filter1.txt
    QString filterUrls;                                // filter2.txt

    // Sites whose lists need their own handling, each an address list ("||" between entries, an
    // entry matching when the list address contains it, ignoring case; "[[…]]" for a regular
    // expression).
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

    // True when one of the entries matches the address.
    static bool siteMatches(const QString& entries, const QString& address);
};
