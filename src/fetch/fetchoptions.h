#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class Settings;

// How pages are fetched: one set of values for every request a job makes.
struct FetchOptions {
    int timeoutMs = 30000; // one request, from sending to the last byte
    // Transient failures are tried again after a pause that doubles each time. A time-out has
    // already cost a whole wait, so it gets fewer tries than a refused connection or a 503.
    int retries = 2;        // for connection errors, 429 and 5xx
    int timeoutRetries = 1; // for time-outs
    int retryDelayMs = 500; // first pause; a Retry-After up to maxRetryDelayMs is honoured
    int maxRetryDelayMs = 10000;
    int perHostLimit = 4; // requests open at once to one host (host and port), process-wide
    int concurrency = 5;  // MultGetNums: requests of fetchAll open at once
    // DelayTime: the chapter pages of one host are fetched one at a time, each this long after the
    // one before it ended (other hosts go on meanwhile). 0: no pause.
    int chapterPauseMs = 0;
    int maxRedirects = 10;
    qint64 maxBodyBytes = qint64(32) * 1024 * 1024;
    QByteArray userAgent = defaultUserAgent();

    // Addresses that only redirect to the real file ("||" list, "[[regex]]" entries allowed): pages
    // and pictures, feeds (resolved for pictures only) and sites that write the target into the body.
    QString jumpUrlPatterns;
    QString jumpFeedPatterns;
    QString jumpBodyPatterns;

    QString displayCharset = QStringLiteral("gb2312"); // "big5" keeps text as it is
    bool judgePicExt = false;                          // correct picture extensions from content
    // Certificates trusted instead of the system's: only for the loopback test site, whose tests and
    // benchmarks name it (fromSettings takes QUIVERAL_TEST_CA); certificates are always checked.
    QString caFile;

    static FetchOptions fromSettings(const Settings& settings);
    static QByteArray defaultUserAgent();
};
