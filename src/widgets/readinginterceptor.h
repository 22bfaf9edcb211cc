#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <functional>

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
