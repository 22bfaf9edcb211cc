#include "renewal/downloadoptions.h"

#include "storage/librarycontext.h"

DownloadOptions DownloadOptions::fromSettings(const Settings& settings, const QString& filterTitles,
                                              const QString& filterUrls) {
    DownloadOptions o;
    o.picDown = settings.isOn(QStringLiteral("bIsNovelPicDown"));
    const QString setGood = settings.value(QStringLiteral("bIsNovelSetGood"));
    o.setGood = !setGood.isEmpty() && setGood != QLatin1String("0");
    o.centerPic = settings.isOn(QStringLiteral("bIsCenterPic"));
    o.autoType = settings.isOn(QStringLiteral("bIsAutoType"));
    o.autoDisplayorder = settings.isOn(QStringLiteral("bIsAutoDisplayorder"));
    o.newMessageView = settings.isOn(QStringLiteral("bIsNewMessageView"));
    o.autoShutdown = settings.isOn(QStringLiteral("bIsAutoShutdown"));
    o.multGetNums = settings.intValue(QStringLiteral("MultGetNums"), 1);
    o.linkDepth = settings.intValue(QStringLiteral("LinkDepth"), 1);
    o.joinPages = settings.value(QStringLiteral("bIsJoinPages")) != QLatin1String("0");
    o.stubs = ChapterPages::StubRule::fromSettings(settings);
    o.placeholderTries = qMax(0, settings.intValue(QStringLiteral("PlaceholderTries"), 20));
    const QString charset = settings.value(QStringLiteral("charset")).trimmed().toLower();
    if (!charset.isEmpty())
        o.charset = charset;
    o.fetch = FetchOptions::fromSettings(settings);
    o.list = ChapterListOptions::fromSettings(settings, filterTitles, filterUrls);
    o.sites = ChapterPagePreparer::Sites::fromSettings(settings);
    o.settings = settings;
    return o;
}

DownloadOptions DownloadOptions::fromLibrary(const LibraryContext& library) {
    return fromSettings(library.settings(), library.filterTitles(), library.filterUrls());
}
