#pragma once

// The loopback test site: an HTTP/1.1 server on 127.0.0.1 that serves a folder, scripted by rules files
// (see localsiterules.cpp) and by rules set from code. Tests, the demo and the benchmarks fetch from it
// instead of the internet. In https mode it answers over TLS with a certificate signed by a CA made for
// this process (localcertificates.h); clients trust that CA through caFile().
//
// listen() and close() belong to the thread the object lives in; everything marked "any thread" may be
// called while the site answers on its own thread (LocalSiteThread).

#include "localsite/localsiterules.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <atomic>

class QTcpServer;
struct LocalSiteAnswer;

struct LocalSiteRequest {
    int connection = 0; // which connection carried it, counted from 1
    QByteArray method;
    QByteArray target; // as sent
    QString path;      // percent-decoded and normalised, without the query
    QString query;     // percent-decoded; empty when the address has none
    QList<QPair<QByteArray, QByteArray>> headers;
    int status = 0; // the answer's status; 0 for one that is never given

    bool isValid() const { return connection > 0; }
    // The first header of that name (case-insensitive), or a null array.
    QByteArray header(const QByteArray& name) const;
};

class LocalSite : public QObject {
    Q_OBJECT

public:
    explicit LocalSite(const QString& folder, QObject* parent = nullptr);
    ~LocalSite() override;

    bool listen(quint16 port = 0, bool https = false);
    void close();
    QString errorString() const { return m_error; }

    // Any thread.
    QString folder() const { return m_root; }
    bool isListening() const { return m_port.load() != 0; }
    quint16 port() const { return m_port.load(); }
    bool isHttps() const { return m_https.load(); }
    QString baseUrl() const; // "http://127.0.0.1:PORT/", or "https://…" in https mode
    QString url(const QString& path) const;

    // The CA that signs every https site of this process, as PEM, and written once to a temporary file
    // that goes when the process ends (empty when the certificates cannot be made).
    static QByteArray caPem();
    static QString caFile();

    // Rules set from code win over the rules files; a pattern set again replaces its rule.
    void setRule(const QString& pattern, const LocalSiteRule& rule);
    bool setRules(const QString& rulesText, QStringList* errors = nullptr);
    void removeRule(const QString& pattern);
    void clearRules();
    // Problems found in the rules files read so far, as "FILE line N: …".
    QStringList ruleErrors() const;

    // Requests whose path (or path and query, for a pattern holding '?') matches the pattern.
    int requestCount(const QString& pattern) const;
    int totalRequests() const;
    // The latest requests (at most kLogLimit), oldest first.
    QList<LocalSiteRequest> requests(const QString& pattern = QStringLiteral("*")) const;
    LocalSiteRequest lastRequest(const QString& pattern = QStringLiteral("*")) const;
    void resetStatistics();

    static constexpr int kLogLimit = 10000;

Q_SIGNALS:
    // Emitted on the site's thread once the answer to a request is decided.
    void requestReceived(const LocalSiteRequest& request);

private:
    friend class LocalSiteConnection;

    struct RulesFile {
        QByteArray content;
        LocalSiteRules rules;
        QStringList errors;
    };
    struct FoundRule {
        LocalSiteRule rule; // a default rule when none matches
        QStringList captures;
        QString folder;    // where the rules file lies: its "file:" names are relative to it
        QString folderUrl; // the same as an address, for {dir}
    };
    struct Counter {
        QString path;
        QString query;
        int count = 0;
    };

    // Decides the answer and records the request; called by the connections.
    LocalSiteAnswer answer(LocalSiteRequest& request, bool headOnly);
    LocalSiteAnswer errorAnswer(LocalSiteRequest& request, int status);
    FoundRule findRule(const QStringList& segments, const QString& trailing, const QString& query);
    int nextConnectionId() { return ++m_connections; }

    void acceptConnections();
    void record(const LocalSiteRequest& request);
    const LocalSiteRules* rulesFileAt(const QString& dir);
    void loadAllRulesFiles();
    bool isInside(const QString& path) const;

    QString m_root; // canonical
    QTcpServer* m_server = nullptr;
    QString m_error;
    std::atomic<quint16> m_port{0};
    std::atomic<bool> m_https{false};
    int m_connections = 0;

    mutable QMutex m_mutex; // guards everything below
    LocalSiteRules m_codeRules;
    QHash<QString, RulesFile> m_rulesFiles;
    QHash<QString, Counter> m_counters;
    QList<LocalSiteRequest> m_log;
    int m_total = 0;
};
