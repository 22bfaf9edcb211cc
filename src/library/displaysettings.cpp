#include "library/displaysettings.h"

#include "storage/libraryfolder.h"
#include "storage/settings.h"
#include "storage/textfile.h"

namespace DisplaySettings {

namespace {

// A value ends up inside a CSS declaration; characters that would close the declaration, the rule
// or a quoted font name are dropped so that one odd value cannot spoil the whole sheet.
QString cssValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value)
        if (c != u'"' && c != u';' && c != u'{' && c != u'}' && c != u'<' && c != u'>' && c != u'\\' &&
            c != u'\r' && c != u'\n')
            out += c;
    return out.trimmed();
}

// A picture name inside url(...) without quotes: characters that would end or break it are escaped.
QString urlPart(const QString& name) {
    QString out;
    for (const QChar c : name) {
        switch (c.unicode()) {
        case ' ':
            out += QLatin1String("%20");
            break;
        case '(':
            out += QLatin1String("%28");
            break;
        case ')':
            out += QLatin1String("%29");
            break;
        case '"':
            out += QLatin1String("%22");
            break;
        case '\'':
            out += QLatin1String("%27");
            break;
        case '\\':
            out += QLatin1String("%5C");
            break;
        default:
            if (c != u'\r' && c != u'\n')
                out += c;
        }
    }
    return out;
}

QByteArray utf8WithBom(const QString& text) {
    // A BOM wins over the charset of the page that links the file, so gb2312, big5 and utf-8 pages
    // all read it right.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace

QString styleSheetText(const QString& cssTemplate, const Settings& settings) {
    const QString picture = settings.value(QStringLiteral("BgImg")).trimmed();
    const QString background = picture.isEmpty() ? cssValue(settings.value(QStringLiteral("BgColor")))
                                                 : QLatin1String("url(../bgimage/") + urlPart(picture) + u')';
    QString css = cssTemplate;
    css.replace(QLatin1String("[[BgColor]]"), background);
    for (const char* key : {"FontColor", "FontSize", "FontName", "FontBold", "FontItalic", "TitleFontSize",
                            "TitleFontName", "LineHeight"}) {
        const QString name = QString::fromLatin1(key);
        css.replace(QLatin1String("[[") + name + QLatin1String("]]"), cssValue(settings.value(name)));
    }
    return css;
}

QString headScriptText(const QString& headTemplate, const Settings& settings) {
    QString script = headTemplate;
    script.replace(QLatin1String("[[ScrollSpeed]]"),
                   QString::number(settings.intValue(QStringLiteral("ScrollSpeed"), 5) * 10));
    return script;
}

bool applyDisplaySettings(const LibraryFolder& folder, const Settings& settings, QString* error) {
    const QString css =
        styleSheetText(readTextFile(folder.file(QStringLiteral("model/vbcss.htm"))), settings);
    const QString head =
        headScriptText(readTextFile(folder.file(QStringLiteral("model/vbhead.htm"))), settings);
    return writeBytesAtomically(folder.chmDir() + QLatin1String("/style.css"), utf8WithBom(css), error) &&
           writeBytesAtomically(folder.chmDir() + QLatin1String("/head.js"), utf8WithBom(head), error);
}

QString colorText(int red, int green, int blue) {
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace DisplaySettings
