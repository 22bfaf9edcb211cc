#include "sites/needdelurl.h"

#include "text/regex.h"

NeedDelUrl::NeedDelUrl(const QString& text) {
    for (const QString& raw : text.split(QLatin1String("||"))) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        Entry entry;
        // A pattern may hold "(" itself: it runs to its closing "]]".
        const qsizetype patternEnd =
            item.startsWith(QLatin1String("[[")) ? item.indexOf(QLatin1String("]]"), 2) : qsizetype(-1);
        const qsizetype titleAt = patternEnd >= 0 ? patternEnd + 2 : item.indexOf(u'(');
        const QString address = titleAt < 0 ? item : item.left(titleAt);
        if (titleAt >= 0 && titleAt < item.size()) {
            entry.title = item.mid(titleAt);
            if (entry.title.startsWith(u'('))
                entry.title = entry.title.mid(1);
            if (entry.title.endsWith(u')'))
                entry.title.chop(1);
        }
        if (patternEnd >= 0 && patternEnd > 2) {
            entry.isPattern = true;
            entry.address = address.mid(2, patternEnd - 2);
            m_patterns.append(entry.address);
        } else {
            entry.address = address;
            m_plain.insert(address);
        }
        m_entries.append(entry);
    }
}

bool NeedDelUrl::excludes(const QString& url) const {
    if (m_plain.contains(url))
        return true;
    for (const QString& pattern : m_patterns)
        if (!regexMatches(url, pattern).isEmpty())
            return true;
    return false;
}

QString NeedDelUrl::entryText(const QString& address, const QString& title) {
    return address + u'(' + title + QStringLiteral(")||");
}
