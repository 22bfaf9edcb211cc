#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// A novel's list of links never to download (book_novel.NeedDelUrl): entries "address(title)||";
// an address written "[[pattern]]" is a regular expression.
class NeedDelUrl {
public:
    struct Entry {
        QString address; // for a pattern, the pattern without its brackets
        QString title;
        bool isPattern = false;
    };

    explicit NeedDelUrl(const QString& text = QString());

    QList<Entry> entries() const { return m_entries; }
    // True when an entry names the address: a plain one by being equal to it, a pattern by matching
    // it anywhere.
    bool excludes(const QString& url) const;

    // One entry in the stored form.
    static QString entryText(const QString& address, const QString& title);

private:
    QList<Entry> m_entries;
    QSet<QString> m_plain;
    QStringList m_patterns;
};
