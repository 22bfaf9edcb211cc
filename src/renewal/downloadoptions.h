#pragma once

#include "fetch/fetchoptions.h"
#include "renewal/chapterpagepreparer.h"
#include "renewal/chapterpages.h"
#include "storage/settings.h"
#include "toc/chapterlistoptions.h"

class LibraryContext;

// The settings a download run works with, read once when it starts.
struct DownloadOptions {
    bool picDown = true;           // bIsNovelPicDown
    bool setGood = true;           // bIsNovelSetGood: clean the chapter HTML
    bool centerPic = false;        // bIsCenterPic
    bool autoType = false;         // bIsAutoType: paragraph the text
    bool autoDisplayorder = false; // bIsAutoDisplayorder
    bool newMessageView = false;   // bIsNewMessageView
    bool autoShutdown = false;     // bIsAutoShutdown
    int multGetNums = 5;           // MultGetNums
    int linkDepth = 1;             // LinkDepth
    bool joinPages = true;         // bIsJoinPages, unless the novel says otherwise
    ChapterPages::StubRule stubs;  // PlaceholderMinChars, PlaceholderWords
    int placeholderTries = 20;     // PlaceholderTries
    QString charset = QStringLiteral("gb2312");
    FetchOptions fetch;
    ChapterListOptions list;
    ChapterPagePreparer::Sites sites;
    Settings settings; // for the list page and the chapter template

    static DownloadOptions fromSettings(const Settings& settings, const QString& filterTitles = QString(),
                                        const QString& filterUrls = QString());
    static DownloadOptions fromLibrary(const LibraryContext& library);
    bool concurrent() const { return multGetNums >= 2; }
};
