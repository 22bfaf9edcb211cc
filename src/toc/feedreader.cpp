#include "toc/feedreader.h"

#include <QDateTime>

#include <algorithm>

namespace {

bool isNameEnd(QChar c) {
    return c == u'>' || c == u'/' || c.isSpace();
}

// The position of "<name" followed by the end of the name, ignoring case; -1 when none.
qsizetype findOpenTag(const QString& text, QStringView name, qsizetype from, qsizetype end) {
    const QString open = u'<' + name.toString();
    for (qsizetype at = text.indexOf(open, from, Qt::CaseInsensitive); at >= 0 && at < end;
         at = text.indexOf(open, at + 1, Qt::CaseInsensitive)) {
        const qsizetype after = at + open.size();
        if (after < text.size() && isNameEnd(text.at(after)))
            return at;
    }
    return -1;
}

QString decodeXmlText(const QString& raw) {
    QString text;
    text.reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        if (raw.mid(i, 9) == QLatin1String("<![CDATA[")) {
            const qsizetype close = raw.indexOf(QLatin1String("]]>"), i + 9);
            const qsizetype stop = close < 0 ? raw.size() : close;
            text += QStringView(raw).mid(i + 9, stop - i - 9);
            i = close < 0 ? raw.size() : close + 3;
            continue;
        }
        if (raw.at(i) == u'&') {
            const qsizetype semi = raw.indexOf(u';', i);
            if (semi > i && semi - i <= 10) {
                const QString name = raw.mid(i + 1, semi - i - 1);
                QString value;
                if (name == u"lt")
                    value = QStringLiteral("<");
                else if (name == u"gt")
                    value = QStringLiteral(">");
                else if (name == u"amp")
                    value = QStringLiteral("&");
                else if (name == u"quot")
                    value = QStringLiteral("\"");
                else if (name == u"apos")
                    value = QStringLiteral("'");
                else if (name.startsWith(u'#')) {
                    bool ok = false;
                    const uint code = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                          ? name.mid(2).toUInt(&ok, 16)
                                          : name.mid(1).toUInt(&ok, 10);
                    if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                        const char32_t c = code;
                        value = QString::fromUcs4(&c, 1);
                    }
                }
                if (!value.isEmpty()) {
                    text += value;
                    i = semi + 1;
                    continue;
                }
            }
        }
        text += raw.at(i++);
    }
    return text.trimmed();
}

// The content of the first element of that name between from and end, decoded; null when absent.
QString elementText(const QString& text, QStringView name, qsizetype from, qsizetype end) {
    const qsizetype open = findOpenTag(text, name, from, end);
    if (open < 0)
        return {};
    const qsizetype tagEnd = text.indexOf(u'>', open);
    if (tagEnd < 0 || tagEnd >= end)
        return {};
    if (text.at(tagEnd - 1) == u'/')
        return QStringLiteral("");
    const QString close = QStringLiteral("</") + name + u'>';
    qsizetype closeAt = text.indexOf(close, tagEnd + 1, Qt::CaseInsensitive);
    if (closeAt < 0 || closeAt > end)
        closeAt = end;
    return decodeXmlText(text.mid(tagEnd + 1, closeAt - tagEnd - 1));
}

QString firstOf(const QString& text, std::initializer_list<const char16_t*> names, qsizetype from,
                qsizetype end) {
    for (const char16_t* name : names) {
        const QString value = elementText(text, QStringView(name), from, end);
        if (!value.isNull())
            return value;
    }
    return {};
}

} // namespace

bool isFeedText(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text.at(i).isSpace() || text.at(i) == QChar(0xFEFF)))
        ++i;
    const QStringView rest = QStringView(text).mid(i);
    return rest.startsWith(QLatin1String("<?xml version="), Qt::CaseInsensitive) ||
           rest.startsWith(QLatin1String("<rss version"), Qt::CaseInsensitive);
}

QString feedDate(const QString& text) {
    QString trimmed = text.trimmed();
    // A zone name ("GMT", "CST") where a number is expected; the time stays as written anyway.
    const qsizetype space = trimmed.lastIndexOf(u' ');
    if (space > 0 &&
        std::all_of(trimmed.cbegin() + space + 1, trimmed.cend(), [](QChar c) { return c.isLetter(); }))
        trimmed = trimmed.left(space) + QLatin1String(" +0000");
    QDateTime when = QDateTime::fromString(trimmed, Qt::RFC2822Date);
    if (!when.isValid())
        when = QDateTime::fromString(trimmed, Qt::ISODate);
    if (!when.isValid())
        return text;
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Feed readFeedItems(const QString& text) {
    Feed feed;
    feed.title = elementText(text, u"title", 0, text.size());
    qsizetype from = 0;
    while (true) {
        const qsizetype open = findOpenTag(text, u"item", from, text.size());
        if (open < 0)
            break;
        qsizetype close = text.indexOf(QLatin1String("</item>"), open, Qt::CaseInsensitive);
        const qsizetype next = findOpenTag(text, u"item", open + 5, text.size());
        // An item left open ends where the next one begins.
        if (close < 0 || (next >= 0 && next < close))
            close = next >= 0 ? next : text.size();
        FeedItem item;
        item.title = firstOf(text, {u"title"}, open, close);
        item.link = firstOf(text, {u"link"}, open, close);
        const QString date = firstOf(text, {u"pubDate", u"dc:date"}, open, close);
        item.date = date.isEmpty() ? date : feedDate(date);
        item.description = firstOf(text, {u"description"}, open, close);
        if (item.description.isEmpty())
            item.description = firstOf(text, {u"content:encoded", u"content", u"summary"}, open, close);
        item.author = firstOf(text, {u"author", u"dc:creator"}, open, close);
        feed.items.append(item);
        from = close;
    }
    return feed;
}
