#include "widgets/memorypages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace {

const QByteArray kScheme = QByteArrayLiteral("quiveral-page");
const QString kHost = QStringLiteral("library");

QUrl withoutQuery(const QUrl& url) {
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

} // namespace

namespace MemoryPages {

void registerScheme() {
    QWebEngineUrlScheme scheme(kScheme);
    // A host makes the scheme hierarchical, so relative addresses resolve as under http.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setDefaultPort(QWebEngineUrlScheme::PortUnspecified);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QByteArray schemeName() {
    return kScheme;
}

QUrl urlOf(const QString& libraryPath, const QString& filePath, const QString& query) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    url.setHost(kHost);
    url.setPath(u'/' + QDir(libraryPath).relativeFilePath(filePath));
    if (!query.isEmpty())
        url.setQuery(query);
    return url;
}

QUrl fileUrl(const QString& libraryPath, const QUrl& url) {
    if (url.scheme() != QLatin1String(kScheme))
        return url;
    // Outside the library (host or "..") it stands for nothing the access rules let through.
    const QString path = QDir::cleanPath(libraryPath + url.path());
    if (url.host() != kHost || !path.startsWith(QDir::cleanPath(libraryPath) + u'/'))
        return QUrl(QStringLiteral("about:invalid"));
    return QUrl::fromLocalFile(path);
}

} // namespace MemoryPages

MemoryPageHandler::MemoryPageHandler(const QString& libraryPath, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
    , m_libraryPath(libraryPath) {}

void MemoryPageHandler::setPage(const QUrl& url, const QString& html) {
    // The byte-order mark outranks any charset the page declares: the text is already decoded.
    m_pages.insert(url.adjusted(QUrl::RemoveFragment), QByteArrayLiteral("\xEF\xBB\xBF") + html.toUtf8());
}

void MemoryPageHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl().adjusted(QUrl::RemoveFragment);
    QByteArray bytes;
    QByteArray type = QByteArrayLiteral("text/html");
    if (const auto page = m_pages.constFind(url); page != m_pages.constEnd()) {
        bytes = *page;
    } else {
        const QUrl file = MemoryPages::fileUrl(m_libraryPath, withoutQuery(url));
        QFile in(file.toLocalFile());
        if (!file.isLocalFile() || !in.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        bytes = in.readAll();
        type = QMimeDatabase().mimeTypeForFileNameAndData(in.fileName(), bytes).name().toLatin1();
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(bytes);
    job->reply(type, buffer);
}
