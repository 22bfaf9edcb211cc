#pragma once

#include "storage/showtopstore.h"

#include <QCoreApplication>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Which addresses are a novel's page on a known site, and the address of that novel's table of
// contents. Read from novelpage.txt in the library folder: one entry a line, "#" starts a comment,
// three fields separated by tabs:
//   prefix, or prefix "||" a part the address must contain
//   a regular expression matching the novel page's address
//   its replacement giving the contents address (\1 … for the groups)
class NovelPagePatterns {
    Q_DECLARE_TR_FUNCTIONS(NovelPagePatterns)

public:
    static QString fileName() { return QStringLiteral("novelpage.txt"); }
    // Lines that cannot be used are skipped, each with a warning naming it.
    static NovelPagePatterns parse(const QString& text, QStringList* warnings = nullptr);
    static NovelPagePatterns load(const QString& path, QStringList* warnings = nullptr);

    // The address as the browser gives it, without "about:blank" and "about:".
    static QString clean(const QString& address);
    // Whether the address is a novel page of a known site.
    bool matches(const QString& address) const { return !contentsAddress(address).isEmpty(); }
    // The contents address of the novel page; "" when the address is none.
    QString contentsAddress(const QString& address) const;
    int count() const { return int(m_entries.size()); }

    // The links a library starts its ranking pages with: pages of the demo site.
    static QList<ShowTopLink> defaultLinks();

private:
    struct Entry {
        QString prefix;
        QString part;
        QRegularExpression expression;
        QString replacement;
    };
    QList<Entry> m_entries;
};
