#include "addnovel/importcontents.h"

#include "text/html.h"
#include "text/innertext.h"
#include "text/url.h"

#include <QByteArray>
#include <QStringList>

namespace {

QString attributeValue(QStringView text, const HtmlTag& tag, QLatin1String name) {
    for (const HtmlAttribute& a : tag.attributes) {
        if (text.mid(a.start, a.nameLength).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        return a.valueStart < 0 ? QString() : text.mid(a.valueStart, a.valueEnd - a.valueStart).toString();
    }
    return {};
}

// Entities decoded, white space collapsed; a "<" in the value is text.
QString plainValue(const QString& value) {
    if (!value.contains(u'&') && !value.contains(u'<'))
        return value.simplified();
    return htmlInnerText(QString(value).replace(u'<', QLatin1String("&lt;"))).simplified();
}

template <typename Visit>
void forEachTag(const QString& text, Visit visit) {
    for (qsizetype at = text.indexOf(u'<'); at >= 0 && at < text.size(); at = text.indexOf(u'<', at + 1)) {
        const std::optional<HtmlTag> tag = readHtmlTag(text, at);
        if (!tag)
            continue;
        visit(*tag);
        at = tag->end - 1;
    }
}

} // namespace

QString contentsLocalPage(const QString& local) {
    QString page = local.trimmed();
    const qsizetype store = page.indexOf(QLatin1String("::"));
    return resolveRelativePath(QString(), store >= 0 ? page.mid(store + 2) : page);
}

QList<ImportEntry> parseContentsFile(const QString& contents) {
    // First the tokens: entries and list starts and ends, in order.
    struct Token {
        enum Kind { Entry, ListStart, ListEnd } kind;
        QString name;
        QString page;
    };
    QList<Token> tokens;
    bool inObject = false;
    Token entry{Token::Entry, {}, {}};
    forEachTag(contents, [&](const HtmlTag& tag) {
        if (tag.name == QLatin1String("ul")) {
            tokens.append({tag.endTag ? Token::ListEnd : Token::ListStart, {}, {}});
        } else if (tag.name == QLatin1String("object")) {
            if (!tag.endTag) {
                inObject = true;
                entry = {Token::Entry, {}, {}};
            } else if (inObject) {
                inObject = false;
                tokens.append(entry);
            }
        } else if (tag.name == QLatin1String("param") && inObject) {
            const QString name = attributeValue(contents, tag, QLatin1String("name")).trimmed();
            const QString value = attributeValue(contents, tag, QLatin1String("value"));
            if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0 && entry.name.isEmpty())
                entry.name = plainValue(value);
            else if (name.compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0 && entry.page.isEmpty())
                entry.page = contentsLocalPage(plainValue(value));
        }
    });

    // A list belongs to the entry before it at the outer level; that entry's name is its volume.
    QList<ImportEntry> entries;
    QStringList volumes{QString()};    // the volume of each open list
    QStringList lastEntry{QString()};  // the last entry seen at each level
    QList<bool> lastWasHeading{false}; // whether the last entry at each level has a list
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens.at(i);
        if (token.kind == Token::ListStart) {
            const QString owner = lastEntry.last();
            volumes.append(owner.isEmpty() ? volumes.last() : owner);
            lastEntry.append(QString());
            lastWasHeading.append(false);
        } else if (token.kind == Token::ListEnd) {
            if (volumes.size() > 1) {
                volumes.removeLast();
                lastEntry.removeLast();
                lastWasHeading.removeLast();
            }
        } else {
            const bool heading = i + 1 < tokens.size() && tokens.at(i + 1).kind == Token::ListStart;
            lastEntry.last() = heading ? token.name : QString();
            if (!heading && !token.page.isEmpty())
                entries.append({token.name, token.page, volumes.last()});
        }
    }
    return entries;
}

bool isOwnListPage(const QString& page) {
    return page.contains(QLatin1String("#F6F6F6"), Qt::CaseInsensitive);
}

QList<ImportEntry> parseOwnListPage(const QString& page, const QString& listPath) {
    const QString folder = listPath.section(u'/', 0, -2);
    QList<ImportEntry> entries;
    bool seenHeading = false;
    QString volume;
    forEachTag(page, [&](const HtmlTag& tag) {
        if (tag.endTag)
            return;
        if (tag.name == QLatin1String("td") &&
            attributeValue(page, tag, QLatin1String("bgcolor")).trimmed().compare(QLatin1String("#F6F6F6"),
                                                                                  Qt::CaseInsensitive) == 0) {
            const qsizetype end = page.indexOf(u'<', tag.end);
            QString heading = plainValue(page.mid(tag.end, end < 0 ? -1 : end - tag.end));
            if (heading.endsWith(u'[')) // "第一卷  [ <a href=vol1.htm>分卷阅读</a> ]"
                heading = heading.chopped(1).trimmed();
            volume = heading == QLatin1String("正文") ? QString() : heading;
            seenHeading = true;
        } else if (tag.name == QLatin1String("a") && seenHeading) {
            const qsizetype close = page.indexOf(QLatin1String("</a>"), tag.end, Qt::CaseInsensitive);
            const QString title =
                htmlInnerText(page.mid(tag.end, close < 0 ? 0 : close - tag.end)).simplified();
            const QString target = resolveRelativePath(folder, plainValue(attributeValue(page, tag, QLatin1String("href"))));
            if (!target.isEmpty() && title != QLatin1String("分卷阅读"))
                entries.append({title, target, volume});
        }
    });
    return entries;
}
