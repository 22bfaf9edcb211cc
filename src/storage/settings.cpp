#include "storage/settings.h"

#include "storage/inifile.h"

#include <QFileInfo>

const QString Settings::kMain = QStringLiteral("Main");
const QString Settings::kChm = QStringLiteral("Chm");

const QList<Settings::Key>& Settings::mainKeys() {
    static const QList<Key> keys = {
        {"bIsNovelNewDown", "1"},
        {"bIsNovelPicDown", "1"},
        {"bIsNovelSetGood", "1"},
        {"ArticleStyle", "普通样式"},
        {"NovelConnTimeOut", "30"},
        {"NovelChmPath", nullptr}, // the library's chm folder, see defaultValue()
        {"bIsNotReadChm", "0"},
        {"bIsStartLastArticle", "1"},
        {"LastNovelID", nullptr},
        {"LastArticleID", nullptr},
        {"bIsVisibleToolBar", "1"},
        {"bIsVisibleStatusBar", "1"},
        {"bIsVisibleNav", "1"},
        {"bIsVisibleCellLine", "1"},
        {"BgColor", "#E7F4FE"},
        {"BgImg", nullptr},
        {"ScrollSpeed", "5"},
        {"LineHeight", "160%"},
        {"FontColor", "#000000"},
        {"FontSize", "12"},
        {"FontName", "宋体"},
        {"FontBold", "none"},
        {"FontItalic", "none"},
        {"TitleFontSize", "19"},
        {"TitleFontName", "宋体"},
        {"BossKey", nullptr},
        {"IntervalTime", nullptr},
        {"bIsNewMessageView", nullptr},
        {"bIsManualSelect", nullptr},
        {"ListPerLineNums", "2"},
        {"bIsNotify", nullptr},
        {"DelayTime", "0"},
        {"bIsAutoDisplayorder", nullptr},
        {"bIsJudgePicExt", "0"},
        {"bIsAutoType", "0"},
        {"Left1", nullptr},
        {"Right1", nullptr},
        {"bIsChmDefine", nullptr},
        {"chmAuthor", nullptr},
        {"TitleWidth1", "5000"},
        {"TitleWidth2", "2000"},
        {"TitleWidth3", "4000"},
        {"TitleWidth4", "2000"},
        {"TitleWidth5", "2000"},
        {"bIsOneBookMark", "0"},
        {"bIsDeleteUrl", "0"},
        {"bIsVolumeSet", "1"},
        {"bIsEntireScreen", "0"},
        {"bIsIERButton", "1"},
        {"bIsCenterPic", "0"},
        {"MultGetNums", "5"},
        {"Skin", "1"},
        {"bIsAutoShutdown", "0"},
        {"charset", "gb2312"},
        {"bIsSearchSelSite", "0"},
        {"bIsEndSearchOnce", "0"},
        {"bIsViewLyric", "0"},
        {"bIsRndPlay", "0"},
        {"LinkDepth", "1"},
        {"bIsAddMore", "0"},
        {"DownSiteStr", nullptr},
        {"bIsAutoStart", "0"},
        {"bIsOtherEditor", "0"},
        {"OtherEditor", nullptr},
        {"bIsAutoAllReNew", "0"},
        {"bIsAutoMin", "0"},
        {"tbrWebKey", nullptr},
        // Chapters served over several pages are joined; stubs a site fills in later are fetched again.
        {"bIsJoinPages", "1"},
        {"PlaceholderMinChars", "300"},
        {"PlaceholderWords", "正在手打中||请稍后刷新||本章未完||章节内容正在更新||内容更新中"},
        {"PlaceholderTries", "20"},
        // Network addresses and patterns this program adds; empty means the feature is off.
        {"JumpUrlPatterns", nullptr},
        {"JumpFeedPatterns", nullptr},
        {"JumpBodyPatterns", nullptr},
        {"NetCheckUrl", nullptr},
        {"SiteSignUpdateUrl", nullptr},
        // Table-of-contents pages that need a site's own handling, by address ("||" between entries,
        // "[[…]]" for a regular expression); none by default.
        {"ScriptListSites", nullptr},
        {"ScriptCallSites", nullptr},
        {"UrlFunctionSites", nullptr},
        {"ArrayListSites", nullptr},
        {"ForumSites", nullptr},
        {"FolderUrlSites", nullptr},
        {"ExcludeUrlStr", nullptr},
        // Chapter pages that need a site's own handling, by address (same format); none by default.
        {"ContentScriptSites", nullptr},    // the text is written by a script or text file of the page
        {"ContentRefreshSites", nullptr},   // the page only refreshes to the real one
        {"ContentUrlRepairSites", nullptr}, // addresses written without "http:" or with one slash
    };
    return keys;
}

const QList<Settings::Key>& Settings::chmKeys() {
    static const QList<Key> keys = {
        {"chmList", "1"},        {"chmIndex", "1"},          {"chmHide", "1"},
        {"chmLocate", "0"},      {"chmPrev", "0"},           {"chmNext", "0"},
        {"chmBack", "1"},        {"chmForward", "1"},        {"chmStop", "0"},
        {"chmRefresh", "0"},     {"chmHome", "0"},           {"chmHomeUrl", nullptr},
        {"chmFont", nullptr},    {"chmPrint", "1"},          {"chmOption", "1"},
        {"chmJump1", "0"},       {"chmJump1Title", nullptr}, {"chmJump1Url", nullptr},
        {"chmJump2", "0"},       {"chmJump2Title", nullptr}, {"chmJump2Url", nullptr},
        {"chmSavePos", nullptr}, {"chmBookmark", nullptr},
    };
    return keys;
}

QStringList Settings::optionKeys() {
    return {"bIsNovelNewDown",  "bIsNovelPicDown",   "bIsNovelSetGood",     "ArticleStyle",
            "NovelConnTimeOut", "NovelChmPath",      "bIsNotReadChm",       "bIsStartLastArticle",
            "IntervalTime",     "bIsNewMessageView", "bIsManualSelect",     "ListPerLineNums",
            "bIsNotify",        "DelayTime",         "bIsAutoDisplayorder", "bIsChmDefine",
            "chmAuthor",        "bIsJudgePicExt",    "bIsAutoType",         "bIsOneBookMark",
            "bIsDeleteUrl",     "bIsVolumeSet",      "bIsEntireScreen",     "bIsIERButton",
            "bIsCenterPic",     "bIsAutoShutdown",   "MultGetNums",         "charset",
            "bIsSearchSelSite", "bIsEndSearchOnce",  "LinkDepth",           "bIsAutoStart",
            "bIsOtherEditor",   "OtherEditor",       "bIsAutoAllReNew",     "bIsAutoMin",
            "bIsJoinPages",     "PlaceholderMinChars", "PlaceholderWords",   "PlaceholderTries"};
}

QStringList Settings::windowKeys() {
    return {"DownSiteStr", "bIsVisibleToolBar", "bIsVisibleStatusBar", "bIsVisibleNav", "bIsVisibleCellLine",
            "Skin",        "TitleWidth1",       "TitleWidth2",         "TitleWidth3",   "TitleWidth4",
            "TitleWidth5", "LastNovelID",       "LastArticleID",       "Left1",         "Right1"};
}

QStringList Settings::displayKeys() {
    return {"BgColor",       "BgImg",         "ScrollSpeed", "FontColor",  "FontSize",   "FontName",
            "TitleFontSize", "TitleFontName", "FontBold",    "FontItalic", "LineHeight", "BossKey"};
}

namespace {

const QList<Settings::Key>& keysOf(const QString& section) {
    return section.compare(Settings::kChm, Qt::CaseInsensitive) == 0 ? Settings::chmKeys()
                                                                     : Settings::mainKeys();
}

const Settings::Key* findKey(const QString& section, const QString& key) {
    if (section.compare(Settings::kMain, Qt::CaseInsensitive) != 0 &&
        section.compare(Settings::kChm, Qt::CaseInsensitive) != 0)
        return nullptr;
    for (const Settings::Key& k : keysOf(section))
        if (key.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

bool isNumber(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

Settings::Settings(const QString& libraryFolder)
    : m_folder(libraryFolder)
    , m_iniPath(libraryFolder.isEmpty() ? QString() : libraryFolder + QLatin1String("/book.ini")) {
    for (const Key& k : mainKeys())
        m_main.insert(QString::fromLatin1(k.name), defaultValue(kMain, QString::fromLatin1(k.name)));
    for (const Key& k : chmKeys())
        m_chm.insert(QString::fromLatin1(k.name), defaultValue(kChm, QString::fromLatin1(k.name)));
}

bool Settings::isKnown(const QString& section, const QString& key) {
    return findKey(section, key) != nullptr;
}

QString Settings::defaultValue(const QString& section, const QString& key) const {
    if (section == kMain && key == QLatin1String("NovelChmPath"))
        return m_folder.isEmpty() ? QString() : m_folder + QLatin1String("/chm");
    const Key* k = findKey(section, key);
    return k && k->defaultValue ? QString::fromUtf8(k->defaultValue) : QString();
}

QString Settings::effective(const QString& section, const QString& key, const QString& raw) const {
    if (raw.isEmpty())
        return defaultValue(section, key);
    if (section == kMain && (key.startsWith(QLatin1String("TitleWidth")) || key == QLatin1String("Skin")) &&
        !isNumber(raw))
        return defaultValue(section, key);
    return raw;
}

bool Settings::startUp() {
    if (QFileInfo::exists(m_iniPath)) {
        loadSettings();
        return true;
    }
    // No file and no older storage to migrate from: the defaults are in force already.
    saveMainSettings();
    saveChmSettings();
    return false;
}

void Settings::loadSettings() {
    IniFile ini;
    ini.load(m_iniPath);
    for (const Key& k : mainKeys()) {
        const QString name = QString::fromLatin1(k.name);
        m_main.insert(name, effective(kMain, name, ini.value(kMain, name)));
    }
    for (const Key& k : chmKeys()) {
        const QString name = QString::fromLatin1(k.name);
        m_chm.insert(name, effective(kChm, name, ini.value(kChm, name)));
    }
}

QString Settings::value(const QString& section, const QString& key) const {
    const Key* k = findKey(section, key);
    const QString name = k ? QString::fromLatin1(k->name) : key;
    if (section.compare(kChm, Qt::CaseInsensitive) == 0)
        return m_chm.value(name);
    return m_main.value(name);
}

void Settings::setValue(const QString& section, const QString& key, const QString& value) {
    if (section.compare(kChm, Qt::CaseInsensitive) == 0)
        m_chm.insert(key, value);
    else
        m_main.insert(key, value);
}

int Settings::intValue(const QString& key, int fallback) const {
    bool ok = false;
    const int n = value(key).trimmed().toInt(&ok);
    return ok ? n : fallback;
}

bool Settings::writeKeys(const QString& section, const QStringList& keys) {
    IniFile ini;
    ini.load(m_iniPath); // merge with what is on disk: unknown keys and comments survive
    for (const QString& key : keys)
        ini.setValue(section, key, value(section, key));
    m_lastError.clear();
    return ini.save(m_iniPath, &m_lastError);
}

bool Settings::saveOptionSettings() {
    return writeKeys(kMain, optionKeys());
}

bool Settings::saveMainSettings() {
    return writeKeys(kMain, optionKeys() + windowKeys());
}

bool Settings::saveDisplaySettings() {
    return writeKeys(kMain, displayKeys());
}

bool Settings::saveChmSettings() {
    QStringList keys;
    for (const Key& k : chmKeys())
        keys << QString::fromLatin1(k.name);
    return writeKeys(kChm, keys);
}

QString Settings::readIniValue(const QString& section, const QString& key) const {
    IniFile ini;
    ini.load(m_iniPath);
    return ini.value(section, key);
}

bool Settings::writeIniValue(const QString& section, const QString& key, const QString& value) {
    QString fileSection = section;
    QString fileKey = key;
    if (const Key* k = findKey(section, key)) {
        fileSection = section.compare(kChm, Qt::CaseInsensitive) == 0 ? kChm : kMain;
        fileKey = QString::fromLatin1(k->name);
        setValue(fileSection, fileKey, effective(fileSection, fileKey, value));
    }
    IniFile ini;
    ini.load(m_iniPath);
    ini.setValue(fileSection, fileKey, value);
    m_lastError.clear();
    return ini.save(m_iniPath, &m_lastError);
}
