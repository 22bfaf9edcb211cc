// Rules file of the loopback test site ("localsite.rules" in any folder of the served tree).
//
// One section per path, then "key: value" lines; blank lines and lines starting with '#' are ignored.
//
//   [/toc.html]                  exact path, relative to the folder holding the rules file
//   [/old/*]                     '*' stands for any text, '/' included
//   [/book.php?id=*]             a pattern with '?' is matched against path and query, others against
//                                the path alone; the query is matched percent-decoded
//
//   status: 503                  status code (default 200, or 404 when there is nothing to serve)
//   type: text/html; charset=gbk Content-Type as given; "type: none" sends no Content-Type at all;
//                                without it the type follows the file name, never with a charset
//   location: /new.html          redirect; the status is 302 unless given
//   body-location: /real.html    a 200 page whose body holds location="/real.html"
//   file: other.html             serve another file of this folder
//   body: <p>text</p>            literal body on one line, or several lines up to a marker line:
//   body: <<END                    body: <<END
//                                  <p>line one</p>
//                                  END              (lines joined by "\n", no newline after the last)
//   encoding: gbk                charset the literal body is sent in (default UTF-8)
//   header: X-Name: value        an extra response header; may repeat
//   delay: 1500                  wait this many milliseconds before answering
//   hang                         take the request and never answer
//   drip: 16/100                 send the body 16 bytes every 100 ms
//   size: 40M                    cut or pad the body to exactly this many bytes (K and M suffixes)
//   reset: 1000                  reset the connection after 1000 body bytes
//   close                        close the connection after the answer
//   times: 2                     only the first 2 requests of the address get this answer, later ones
//                                the file (a page a site fills in later)
//
// Values may hold {base} (http://127.0.0.1:PORT), {dir} (the address of the rules file's folder, no
// trailing slash, "" at the top) and {1}..{9} (the text each '*' matched).
//
// In a folder, patterns with a query win over those without; then an exact pattern wins over wildcards,
// and the first matching wildcard wins. The rules file nearest to the requested file wins over those of
// the folders above it.

#include "localsite/localsiterules.h"

namespace {

bool parseFlag(const QString& value, bool* ok) {
    const QString v = value.toLower();
    *ok = true;
    if (v.isEmpty() || v == u"yes" || v == u"true" || v == u"1" || v == u"on")
        return true;
    if (v == u"no" || v == u"false" || v == u"0" || v == u"off")
        return false;
    *ok = false;
    return false;
}

qint64 parseSize(QString value, bool* ok) {
    qint64 unit = 1;
    if (value.endsWith(u'K', Qt::CaseInsensitive))
        unit = 1024;
    else if (value.endsWith(u'M', Qt::CaseInsensitive))
        unit = 1024 * 1024;
    if (unit != 1)
        value.chop(1);
    const qint64 n = value.trimmed().toLongLong(ok);
    if (!*ok || n < 0) {
        *ok = false;
        return -1;
    }
    return n * unit;
}

} // namespace

QString LocalSiteRules::normalisedPattern(const QString& pattern) {
    const QString p = pattern.trimmed();
    return p.startsWith(u'/') || p.startsWith(u'*') ? p : u'/' + p;
}

LocalSiteRules::Entry LocalSiteRules::makeEntry(const QString& pattern, const LocalSiteRule& rule) {
    Entry entry;
    entry.pattern = normalisedPattern(pattern);
    entry.rule = rule;
    if (entry.pattern.contains(u'*')) {
        QString re;
        const QStringList parts = entry.pattern.split(u'*');
        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0)
                re += QLatin1String("(.*?)");
            re += QRegularExpression::escape(parts.at(i));
        }
        entry.regex = QRegularExpression(QRegularExpression::anchoredPattern(re),
                                         QRegularExpression::DotMatchesEverythingOption);
    }
    return entry;
}

const LocalSiteRule* LocalSiteRules::rule(const QString& pattern) const {
    const QString p = normalisedPattern(pattern);
    for (const Entry& e : m_entries)
        if (e.pattern == p)
            return &e.rule;
    return nullptr;
}

std::optional<LocalSiteRules::Match> LocalSiteRules::match(const QString& path, const QString& query) const {
    // Patterns that look at the query are the more particular ones, so they go first.
    const QString withQuery = query.isEmpty() ? path : path + u'?' + query;
    for (const bool queryPatterns : {true, false}) {
        for (const bool wildcards : {false, true}) {
            for (const Entry& e : m_entries) {
                if (e.pattern.contains(u'?') != queryPatterns || e.regex.pattern().isEmpty() == wildcards)
                    continue;
                const QString& subject = queryPatterns ? withQuery : path;
                if (!wildcards) {
                    if (e.pattern == subject)
                        return Match{&e.rule, e.pattern, {}};
                    continue;
                }
                const QRegularExpressionMatch m = e.regex.match(subject);
                if (m.hasMatch())
                    return Match{&e.rule, e.pattern, m.capturedTexts().mid(1)};
            }
        }
    }
    return std::nullopt;
}

void LocalSiteRules::set(const QString& pattern, const LocalSiteRule& rule) {
    Entry entry = makeEntry(pattern, rule);
    for (Entry& e : m_entries) {
        if (e.pattern == entry.pattern) {
            e = std::move(entry);
            return;
        }
    }
    m_entries.prepend(std::move(entry));
}

bool LocalSiteRules::remove(const QString& pattern) {
    const QString p = normalisedPattern(pattern);
    return m_entries.removeIf([&](const Entry& e) { return e.pattern == p; }) > 0;
}

QStringList LocalSiteRules::patterns() const {
    QStringList list;
    for (const Entry& e : m_entries)
        list << e.pattern;
    return list;
}

bool LocalSiteRules::parse(const QString& text, QStringList* errors) {
    QStringList problems;
    const QStringList lines = text.split(u'\n');
    QString pattern;
    LocalSiteRule rule;
    bool inSection = false;
    int sectionLine = 0;

    auto problem = [&](int line, const QString& what) {
        problems << QStringLiteral("line %1: %2").arg(line).arg(what);
    };
    auto finishSection = [&]() {
        if (!inSection)
            return;
        const QString p = normalisedPattern(pattern);
        bool duplicate = false;
        for (const Entry& e : m_entries)
            duplicate = duplicate || e.pattern == p;
        if (duplicate)
            problem(sectionLine, QStringLiteral("pattern %1 given twice").arg(p));
        else
            m_entries.append(makeEntry(p, rule));
        inSection = false;
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;

        if (trimmed.startsWith(u'[')) {
            finishSection();
            const qsizetype close = trimmed.lastIndexOf(u']');
            pattern = close > 0 ? trimmed.mid(1, close - 1).trimmed() : QString();
            if (pattern.isEmpty()) {
                problem(lineNo, QStringLiteral("bad section, write [/path]"));
                continue;
            }
            rule = LocalSiteRule();
            inSection = true;
            sectionLine = lineNo;
            continue;
        }
        if (!inSection) {
            problem(lineNo, QStringLiteral("no [/path] section before this line"));
            continue;
        }

        const qsizetype colon = trimmed.indexOf(u':');
        const QString key = (colon < 0 ? trimmed : trimmed.left(colon)).trimmed().toLower();
        const QString value = colon < 0 ? QString() : trimmed.mid(colon + 1).trimmed();
        bool ok = true;

        if (key == u"status") {
            rule.status = value.toInt(&ok);
            ok = ok && rule.status >= 100 && rule.status <= 599;
        } else if (key == u"type") {
            rule.contentType =
                value.compare(u"none", Qt::CaseInsensitive) == 0 ? QByteArray() : value.toUtf8();
        } else if (key == u"location") {
            rule.location = value;
            ok = !value.isEmpty();
        } else if (key == u"body-location") {
            rule.bodyLocation = value;
            ok = !value.isEmpty();
        } else if (key == u"file") {
            rule.file = value;
            ok = !value.isEmpty();
        } else if (key == u"body") {
            static const QRegularExpression heredoc(QStringLiteral("^<<([A-Za-z_]+)$"));
            const QRegularExpressionMatch h = heredoc.match(value);
            if (!h.hasMatch()) {
                rule.body = value;
                continue;
            }
            const QString marker = h.captured(1);
            QStringList bodyLines;
            int j = i + 1;
            for (; j < lines.size(); ++j) {
                QString l = lines.at(j);
                if (l.endsWith(u'\r'))
                    l.chop(1);
                if (l.trimmed() == marker)
                    break;
                bodyLines << l;
            }
            if (j >= lines.size()) {
                problem(lineNo, QStringLiteral("body has no end line \"%1\"").arg(marker));
                i = j;
                continue;
            }
            rule.body = bodyLines.join(u'\n');
            i = j;
            continue;
        } else if (key == u"encoding") {
            rule.encoding = value.toLatin1();
            ok = !value.isEmpty();
        } else if (key == u"header") {
            const qsizetype c = value.indexOf(u':');
            ok = c > 0;
            if (ok)
                rule.headers.append(
                    {value.left(c).trimmed().toLatin1(), value.mid(c + 1).trimmed().toUtf8()});
        } else if (key == u"delay") {
            rule.delayMs = value.toInt(&ok);
            ok = ok && rule.delayMs >= 0;
        } else if (key == u"hang") {
            rule.hang = parseFlag(value, &ok);
        } else if (key == u"close") {
            rule.close = parseFlag(value, &ok);
        } else if (key == u"times") {
            rule.times = value.toInt(&ok);
            ok = ok && rule.times > 0;
        } else if (key == u"drip") {
            const QStringList parts = value.split(u'/');
            bool ok2 = false;
            ok = parts.size() == 2;
            if (ok) {
                rule.dripBytes = parts.at(0).trimmed().toInt(&ok);
                rule.dripIntervalMs = parts.at(1).trimmed().toInt(&ok2);
            }
            ok = ok && ok2 && rule.dripBytes > 0 && rule.dripIntervalMs >= 0;
        } else if (key == u"size") {
            rule.size = parseSize(value, &ok);
        } else if (key == u"reset") {
            rule.resetAfter = parseSize(value, &ok);
        } else {
            problem(lineNo, QStringLiteral("unknown key \"%1\"").arg(key));
            continue;
        }
        if (!ok)
            problem(lineNo, QStringLiteral("bad value for %1: \"%2\"").arg(key, value));
    }
    finishSection();

    if (errors)
        *errors += problems;
    return problems.isEmpty();
}
