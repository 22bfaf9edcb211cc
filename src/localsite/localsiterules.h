#pragma once

// Scripted behaviour of the loopback test site: which answer a path gets. The file format is described at
// the top of localsiterules.cpp and in tests/data/sites/README.md.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

struct LocalSiteRule {
    int status = 0;                        // 0: 200, or 404 when there is nothing to serve
    std::optional<QByteArray> contentType; // unset: guessed from the file name; empty: no header at all
    QString location;                      // Location header; the status defaults to 302
    QString bodyLocation;                  // answer a page that carries location="…"
    QString file;                          // serve this file (relative to the rules folder) instead
    std::optional<QString> body;           // literal body
    QByteArray encoding;                   // charset of the literal body; empty means UTF-8
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;
    bool hang = false;
    int dripBytes = 0;
    int dripIntervalMs = 0;
    qint64 size = -1;       // body cut or padded to exactly this many bytes
    qint64 resetAfter = -1; // connection reset after this many body bytes
    bool close = false;     // server closes the connection after the answer
    int times = 0;          // >0: answers the first this many requests of its address, then the file does
};

class LocalSiteRules {
public:
    static constexpr const char* kFileName = "localsite.rules";

    struct Match {
        const LocalSiteRule* rule = nullptr;
        QString pattern;
        QStringList captures; // what each '*' stood for, for {1}..{9}
    };

    // Adds the rules of a rules-file text after the ones already held. Problems go to errors as
    // "line N: …"; the sections that parsed are kept.
    bool parse(const QString& text, QStringList* errors = nullptr);

    // A rule set from code: replaces the rule of the same pattern, or goes before all others.
    void set(const QString& pattern, const LocalSiteRule& rule);
    bool remove(const QString& pattern);
    void clear() { m_entries.clear(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return int(m_entries.size()); }
    QStringList patterns() const;

    // '*' stands for any text, '/' included; a pattern holding '?' is matched against "path?query", any
    // other against the path alone. Query patterns win over path patterns, then exact ones over wildcards,
    // then the first wildcard wins.
    std::optional<Match> match(const QString& path, const QString& query) const;

    // The rule held for exactly this pattern, or nullptr.
    const LocalSiteRule* rule(const QString& pattern) const;

private:
    struct Entry {
        QString pattern;
        QRegularExpression regex; // only for wildcard patterns
        LocalSiteRule rule;
    };
    static Entry makeEntry(const QString& pattern, const LocalSiteRule& rule);
    static QString normalisedPattern(const QString& pattern);

    QList<Entry> m_entries;
};
