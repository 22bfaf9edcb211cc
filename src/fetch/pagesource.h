#pragma once

#include <QByteArray>
#include <QString>

// One answer of a web server, as the download engine sees it.
struct FetchedPage {
    enum class Outcome { Ok, Failed, Stopped };

    Outcome outcome = Outcome::Failed;
    QByteArray body;
    int status = 0;      // HTTP status of the last answer, 0 without one
    QString contentType; // the Content-Type header as sent
    QString url;         // the address that finally answered (after redirects)
    QString error;       // why it failed, for the log and messages

    bool ok() const { return outcome == Outcome::Ok; }
    bool stopped() const { return outcome == Outcome::Stopped; }
    // A stop is not a failure of the fetch: the caller tells them apart.
    bool failed() const { return outcome == Outcome::Failed; }
};

// Where pages come from. The network fetcher implements it; tests may serve pages from memory.
// Called on the thread of the job that owns it.
class PageSource {
public:
    virtual ~PageSource() = default;
    // The referer is the address itself when empty.
    virtual FetchedPage fetch(const QString& url, const QString& referer = QString()) = 0;
};
