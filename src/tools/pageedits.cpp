#include "tools/pageedits.h"

#include "text/html.h"
#include "text/regex.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <functional>

namespace {

const QString kFull = QStringLiteral("，。？“”‘’！：；");
const QString kHalf = QStringLiteral(",.?\"\"''!:;");

QString mapChars(const QString& text, const QString& from, const QString& to) {
    QString out = text;
    for (qsizetype i = 0; i < from.size(); ++i)
        out.replace(from.at(i), to.at(i));
    return out;
}

bool isAsciiAlnum(QChar c) {
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// Whether a ";" at text[at] would end a character reference ("&amp", "&#12", "&#x1F" before it).
bool endsReference(const QString& text, qsizetype at) {
    qsizetype i = at;
    while (i > 0 && isAsciiAlnum(text.at(i - 1)))
        --i;
    if (i == at || i == 0)
        return false;
    if (text.at(i - 1) == u'&')
        return text.at(i).isLetter();
    if (text.at(i - 1) != u'#' || i < 2 || text.at(i - 2) != u'&')
        return false;
    const QStringView digits = QStringView(text).mid(i, at - i);
    if (digits.startsWith(u'x') || digits.startsWith(u'X')) {
        bool hex = digits.size() > 1;
        for (const QChar c : digits.mid(1))
            hex = hex && (c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'));
        return hex;
    }
    bool decimal = true;
    for (const QChar c : digits)
        decimal = decimal && c.isDigit();
    return decimal;
}

// Half-width punctuation that would turn text into markup stays full width: "<！" and "<？" would
// open a comment or a declaration, "&amp；" would become a character reference.
QString toHalfText(const QString& text) {
    QString out = mapChars(text, kFull, kHalf);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if ((c == u'!' || c == u'?') && text.at(i) != c && i > 0 && out.at(i - 1) == u'<')
            out[i] = text.at(i);
        else if (c == u';' && text.at(i) != c && endsReference(out, i))
            out[i] = text.at(i);
    }
    return out;
}

// Calls each with every picture tag as an HTML parser reads it (a ">" inside quotes does not end
// it); its return value takes the tag's place.
// Tags no ">" closes are text to a browser and stay.
QString mapPictureTags(const QString& html, const std::function<QString(const HtmlTag&, QStringView)>& each) {
    QString out;
    out.reserve(html.size());
    qsizetype from = 0;
    qsizetype at = html.indexOf(u'<');
    while (at >= 0) {
        const std::optional<HtmlTag> tag = readHtmlTag(html, at);
        if (tag && tag->closed && !tag->endTag && tag->name == QLatin1String("img")) {
            out += QStringView(html).mid(from, at - from);
            out += each(*tag, QStringView(html).mid(tag->start, tag->end - tag->start));
            from = tag->end;
            at = html.indexOf(u'<', from);
            continue;
        }
        at = html.indexOf(u'<', at + 1);
    }
    out += QStringView(html).mid(from);
    return out;
}

QString attributeValue(const HtmlTag& tag, QStringView text, QLatin1String name) {
    for (const HtmlAttribute& a : tag.attributes) {
        if (a.nameLength == name.size() &&
            text.mid(a.start - tag.start, a.nameLength).compare(name, Qt::CaseInsensitive) == 0) {
            if (a.valueStart < 0)
                return QString();
            return text.mid(a.valueStart - tag.start, a.valueEnd - a.valueStart).toString();
        }
    }
    return QString();
}

QString fileNameOf(const QString& src) {
    const qsizetype cut = std::max(src.lastIndexOf(u'/'), src.lastIndexOf(u'\\'));
    return src.mid(cut + 1).trimmed();
}

// The content between the markers, or the whole page without them.
QString applyToContent(const QString& page, const std::function<QString(const QString&)>& edit) {
    const BookContentRange range = bookContentRange(page);
    if (!range.found())
        return edit(page);
    return spliceBookContent(page, edit(page.mid(range.start, range.length)));
}

} // namespace

namespace PageEdits {

QString toFullWidth(const QString& html) {
    return mapTextOutsideMarkup(
        html, [](const QString& text) { return mapChars(curlyQuotes(text), kHalf, kFull); });
}

QString toHalfWidth(const QString& html) {
    return mapTextOutsideMarkup(html, [](const QString& text) -> QString { return toHalfText(text); });
}

QString removePictures(const QString& html) {
    return mapPictureTags(html, [](const HtmlTag&, QStringView) { return QString(); });
}

QString centerPictures(const QString& html) {
    return mapPictureTags(html, [](const HtmlTag&, QStringView tag) -> QString {
        return QLatin1String("<center>") + tag + QLatin1String("</center>");
    });
}

QString zoomScript() {
    return QStringLiteral(
        "<script type=\"text/javascript\">function imgzoom(o){if(!event.ctrlKey)return true;"
        "var zoom=parseInt(o.style.zoom,10)||100;zoom-=event.wheelDelta/12;"
        "if(zoom>0)o.style.zoom=zoom+'%';return false;}</script>");
}

QString zoomPictures(const QString& page) {
    if (page.contains(QLatin1String("onmousewheel"), Qt::CaseInsensitive))
        return page;
    bool any = false;
    QString out = applyToContent(page, [&any](const QString& content) {
        return mapPictureTags(content, [&any](const HtmlTag& tag, QStringView text) -> QString {
            any = true;
            qsizetype close = text.size() - 1;
            // "<img … />": the attribute goes before the slash.
            if (close > 0 && text.at(close - 1) == u'/')
                --close;
            return text.left(close).toString() + QLatin1String(" onmousewheel=\"return imgzoom(this);\"") +
                   text.mid(close);
        });
    });
    if (!any || out.contains(QLatin1String("function imgzoom(")))
        return any ? out : page;
    // Inside the head when there is one: text before a doctype would put the page in quirks mode.
    static const QString headPattern = QStringLiteral("<head\\b[^>]*>");
    const QList<RegexMatch> heads = regexMatches(out, headPattern);
    if (!heads.isEmpty()) {
        out.insert(heads.first().start + heads.first().length, zoomScript());
        return out;
    }
    const QList<RegexMatch> html = regexMatches(out, QStringLiteral("<html\\b[^>]*>"));
    if (!html.isEmpty()) {
        out.insert(html.first().start + html.first().length, zoomScript());
        return out;
    }
    return zoomScript() + QLatin1String("\r\n") + out;
}

QString pictureFileName(const QString& tag) {
    const std::optional<HtmlTag> read = readHtmlTag(tag, 0);
    if (!read)
        return QString();
    return fileNameOf(attributeValue(*read, tag, QLatin1String("src")));
}

QList<PictureFile> chapterPictures(const QString& page, const QString& novelDir, const QString& novelId,
                                   qint64 chapterId) {
    const QString prefix = novelId + u'_' + QString::number(chapterId) + u'_';
    QList<PictureFile> files;
    QSet<QString> seen;
    mapPictureTags(page, [&](const HtmlTag& tag, QStringView text) {
        const QString name = fileNameOf(attributeValue(tag, text, QLatin1String("src")));
        if (name.startsWith(prefix) && name.size() > prefix.size() && !seen.contains(name)) {
            seen.insert(name);
            const QFileInfo info(QDir(novelDir).filePath(name));
            if (info.isFile())
                files.append({name, info.filePath(), info.size()});
        }
        return QString();
    });
    return files;
}

QString replacePictureTags(const QString& page, const QMap<QString, QString>& htmlByFileName) {
    return mapPictureTags(page, [&](const HtmlTag& tag, QStringView text) {
        const QString name = fileNameOf(attributeValue(tag, text, QLatin1String("src")));
        const auto it = htmlByFileName.constFind(name);
        return it == htmlByFileName.constEnd() ? text.toString() : *it;
    });
}

QString ocrTextHtml(const QString& text) {
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    escaped.replace(u'\r', u'\n');
    return escaped.replace(QLatin1String("\n"), QLatin1String("<br>"));
}

} // namespace PageEdits
