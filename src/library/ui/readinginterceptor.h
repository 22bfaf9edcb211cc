#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Holds the pages of a reading view to what they need (see ReadingAccess).
class ReadingInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    ReadingInterceptor(const QString& libraryPath, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    QString m_libraryPath;
};
