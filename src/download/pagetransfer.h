#pragma once

#include "download/fetchoptions.h"
#include "download/pagesource.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// One address fetched with its retries, driven by PageFetcher's event loop on the fetcher's thread.
// It may first read the redirect target of a redirect-only address and then fetch that target.
class PageTransfer : public QObject {
    Q_OBJECT

public:
    enum class Mode {
        Page, // follow redirects, keep the body
        Jump, // read the redirect target; follow nothing
    };

    // options: the fetcher's, which outlives its transfers.
    PageTransfer(QNetworkAccessManager* nam, const FetchOptions& options, Mode mode, const QString& url,
                 const QString& referer, QObject* parent = nullptr);
    ~PageTransfer() override;

    // Before the page itself, read where the address redirects to; jumpBody: the target may be
    // written into the body as location="…".
    void resolveJumpFirst(bool jumpBody);
    void setJumpBody(bool jumpBody) { m_jumpBody = jumpBody; }

    bool isDone() const { return m_state == State::Done; }
    bool isRunning() const { return m_state == State::Running; }
    // Waiting for a slot of its host only: no request open, no pause to sit out.
    bool canStartNow() const { return m_state == State::Ready && m_readyAt.hasExpired(); }
    // Sends the next request when its pause is over and its host has a free slot.
    bool tryStart();
    // The last tryStart() found every slot of the host taken; so will the others of that host.
    bool slotRefused() const { return m_slotRefused; }
    const QString& hostKey() const { return m_hostKey; }
    // The host key a transfer of that address starts with, worked out without making one.
    static QString hostKeyOf(const QString& address);
    // Called every few ten milliseconds: ends a request that ran out of time.
    void checkTime();
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
    enum class Abort { None, Stop, Timeout, Oversize };

    void send();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void abortRequest(Abort reason);
    void endPage(QNetworkReply* reply, int status);
    void endJump(QNetworkReply* reply, int status);
    void startPagePhase();
    void followRedirect(const QString& location);
    static QString networkErrorText(const QNetworkReply* reply);
    // A transient failure: try again after a pause while tries are left, else fail.
    void retryOrFail(const QString& error, bool timeout, int retryAfterSeconds = -1);
    void fail(const QString& error);
    void finish(FetchedPage::Outcome outcome);
    // The slot key and address check of m_url, worked out once per address: the fetcher asks every
    // waiting transfer on every change.
    void urlChanged();

    QNetworkAccessManager* m_nam;
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
    QPointer<QNetworkReply> m_reply;
    QString m_slotHost; // the slot held by the running request
    QString m_hostKey;  // "host:port" of m_url
    bool m_webAddress = false;
    bool m_slotRefused = false;
    Abort m_abort = Abort::None;
    QByteArray m_body;
    int m_redirects = 0;
    int m_tries = 0;
    int m_timeoutTries = 0;
    FetchedPage m_result;
    QString m_jumpTarget;
};
