#include "widgets/readinginterceptor.h"

#include "library/readingaccess.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

ReadingAccess::Resource resourceOf(QWebEngineUrlRequestInfo::ResourceType type) {
    using R = ReadingAccess::Resource;
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return R::MainFrame;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
        return R::SubFrame;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        return R::Stylesheet;
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
    case QWebEngineUrlRequestInfo::ResourceTypeWorker:
    case QWebEngineUrlRequestInfo::ResourceTypeSharedWorker:
    case QWebEngineUrlRequestInfo::ResourceTypeServiceWorker:
        return R::Script;
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        return R::Image;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        return R::Font;
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        return R::Media;
    case QWebEngineUrlRequestInfo::ResourceTypeXhr:
    case QWebEngineUrlRequestInfo::ResourceTypePing:
    case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
    case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadMainFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadSubFrame:
        return R::Request;
    default:
        return R::Other;
    }
}

} // namespace

ReadingInterceptor::ReadingInterceptor(const QString& libraryPath, QObject* parent, ToFile toFile)
    : QWebEngineUrlRequestInterceptor(parent)
    , m_libraryPath(libraryPath)
    , m_toFile(std::move(toFile)) {}

void ReadingInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const auto file = [this](const QUrl& url) { return m_toFile ? m_toFile(url) : url; };
    const QUrl request = file(info.requestUrl());
    const QUrl page = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame
                          ? request
                          : file(info.firstPartyUrl());
    if (!ReadingAccess::allows(m_libraryPath, page, request, resourceOf(info.resourceType())))
        info.block(true);
}

QWebEngineProfile* newReadingProfile(const QString& libraryPath, QObject* parent,
                                     ReadingInterceptor::ToFile toFile) {
    // Off the record: no cache, cookies or history of downloaded pages on disk.
    auto* profile = new QWebEngineProfile(parent);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    profile->setUrlRequestInterceptor(new ReadingInterceptor(libraryPath, profile, std::move(toFile)));
    return profile;
}

void restrictReadingPage(QWebEngineSettings* s, bool scripts) {
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, scripts);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Without this a local page loads none of its pictures, style sheet or script; which files it
    // may load is decided by the interceptor instead.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
}
