#pragma once

#include "fetch/fetchoptions.h"
#include "fetch/pagesource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUrl>

#include <curl/curl.h>

class ChapterPacing;
class CurlMulti;

// One address fetched with its retries, driven by PageFetcher's event loop on the fetcher's thread.
// It may first read the redirect target of a redirect-only address and then fetch that target.
// Redirects are followed here, one request each, so that every hop is checked for its scheme, counted,
// and takes a slot of its own host.
class PageTransfer {
    Q_DECLARE_TR_FUNCTIONS(PageTransfer)

public:
    enum class Mode {
        Page, // follow redirects, keep the body
        Jump, // read the redirect target; follow nothing
    };

    // options: the fetcher's, which outlives its transfers.
    PageTransfer(CurlMulti* multi, const FetchOptions& options, Mode mode, const QString& url,
                 const QString& referer);
    ~PageTransfer();
    PageTransfer(const PageTransfer&) = delete;
    PageTransfer& operator=(const PageTransfer&) = delete;

    // Before the page itself, read where the address redirects to; jumpBody: the target may be
    // written into the body as location="…".
    void resolveJumpFirst(bool jumpBody);
    void setJumpBody(bool jumpBody) { m_jumpBody = jumpBody; }
    // A chapter page: it waits for its host's turn and pause (DelayTime) before its first request.
    void setPacing(ChapterPacing* pacing) { m_pacing = pacing; }

    bool isDone() const { return m_state == State::Done; }
    bool isRunning() const { return m_state == State::Running; }
    // Waiting for a slot of its host only: no request open, no pause to sit out.
    bool canStartNow() const { return m_state == State::Ready && m_readyAt.hasExpired(); }
    // Sends the next request when its pause is over and its host has a free slot.
    bool tryStart();
    // The last tryStart() found every slot of the host taken; so will the others of that host. A
    // chapter waiting for its host's turn (DelayTime) is not refused a slot: the host's other pages
    // go on.
    bool slotRefused() const { return m_slotRefused; }
    const QString& hostKey() const { return m_hostKey; }
    // The host key a transfer of that address starts with, worked out without making one.
    static QString hostKeyOf(const QString& address);
    // The user stopped: ends as Stopped.
    void stop();

    const FetchedPage& result() const { return m_result; }
    // Jump mode: the Location as sent (or the body's location="…"), "" when there is none.
    QString jumpTarget() const { return m_jumpTarget; }

    // Told when a request ends (a host slot came free) and when the transfer is done. A plain
    // pointer rather than signals, which cost a renewal's thousands of transfers two connections
    // each. One listener at a time, the fetch that runs the transfer.
    class Listener {
    public:
        virtual void requestEnded() = 0;
        virtual void transferDone() = 0;

    protected:
        ~Listener() = default;
    };
    void setListener(Listener* listener) { m_listener = listener; }

private:
    enum class State { Ready, Running, Done };

    void send();
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    void requestEnded(CURLcode result);
    // The end of the running request without an answer to read: its slot and handle go.
    void closeRequest();
    QByteArray header(const char* name) const;
    void endPage(CURLcode result, int status);
    void endJump(CURLcode result, int status);
    void startPagePhase();
    void followRedirect(const QString& location);
    QString errorText(CURLcode result) const;
    // A transient failure: try again after a pause while tries are left, else fail.
    void retryOrFail(const QString& error, bool timeout, int retryAfterSeconds = -1);
    void fail(const QString& error);
    void finish(FetchedPage::Outcome outcome);
    // The slot key and address check of m_url, worked out once per address: the fetcher asks every
    // waiting transfer on every change.
    void urlChanged();

    CurlMulti* m_multi;
    ChapterPacing* m_pacing = nullptr;
    QString m_pacedHost; // the host whose turn this chapter holds, from its first request to its end
    Listener* m_listener = nullptr;
    const FetchOptions& m_options;
    Mode m_mode;
    QUrl m_url;        // of the next request
    QUrl m_startUrl;   // where a try starts: a retry goes back here
    QString m_address; // as the caller wrote it
    QString m_referer;
    bool m_jumpBody = false;
    bool m_pageAfterJump = false;

    State m_state = State::Ready;
    QDeadlineTimer m_readyAt{0};
    QDeadlineTimer m_deadline;
    bool m_hop = false; // the next request follows a redirect of the running try
    QByteArray m_sentReferer;
    CURL* m_easy = nullptr;
    char m_curlError[CURL_ERROR_SIZE] = {};
    QString m_slotHost; // the slot held by the running request
    QString m_hostKey;  // "host:port" of m_url
    bool m_webAddress = false;
    bool m_slotRefused = false;
    bool m_oversize = false;
    QByteArray m_body;
    int m_redirects = 0;
    int m_tries = 0;
    int m_timeoutTries = 0;
    FetchedPage m_result;
    QString m_jumpTarget;
};
