#pragma once

#include <QHash>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Pages the program shows from memory as if they lay in the library folder, so that their relative
// pictures and style sheets resolve: "quiveral-page://library/chm/<NovelID>/<id>.htm" stands for that
// file. A page set in memory is served from there (any size: setHtml stops at 2 MB); every other
// address is the library's file, which the profile's interceptor has already judged.
namespace MemoryPages {

// Before the application object is made.
void registerScheme();
QByteArray schemeName();

QUrl urlOf(const QString& libraryPath, const QString& filePath, const QString& query = QString());
// The file an address of the scheme stands for; other addresses come back unchanged.
QUrl fileUrl(const QString& libraryPath, const QUrl& url);

} // namespace MemoryPages

class MemoryPageHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

public:
    MemoryPageHandler(const QString& libraryPath, QObject* parent = nullptr);

    // The page at url (query included) is html until replaced.
    void setPage(const QUrl& url, const QString& html);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString m_libraryPath;
    QHash<QUrl, QByteArray> m_pages;
};
