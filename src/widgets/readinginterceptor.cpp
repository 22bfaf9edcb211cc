#include "widgets/readinginterceptor.h"

#include "library/readingaccess.h"

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
