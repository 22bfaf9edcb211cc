#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <functional>

class QWebEngineProfile;
class QWebEngineSettings;

// Holds the pages of a reading view to what they need (see ReadingAccess).
class ReadingInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    // Pages shown from memory under an address of their own are judged as the files they stand for:
    // toFile gives the file address of such an address (others pass unchanged).
    using ToFile = std::function<QUrl(const QUrl&)>;
    ReadingInterceptor(const QString& libraryPath, QObject* parent = nullptr, ToFile toFile = {});

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    QString m_libraryPath;
    ToFile m_toFile;
};

// A profile for reading pages: nothing on disk (cache, cookies), no spell check, every request judged
// by a ReadingInterceptor.
QWebEngineProfile* newReadingProfile(const QString& libraryPath, QObject* parent,
                                     ReadingInterceptor::ToFile toFile = {});
// What a reading page may do: no windows, clipboard, storage, plugins or remote loads from local
// pages; scripts only where the page needs its own (head.js scrolls the page).
void restrictReadingPage(QWebEngineSettings* settings, bool scripts);
