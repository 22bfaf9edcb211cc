#include "text/url.h"

#include "text/charset.h"
#include "text/markers.h"

#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

namespace {

// The parent of a path the way a file system sees it: separators before the last name go too, so
// "http://host" has the parent "http:".
QString parentPath(const QString& address) {
    qsizetype cut = address.size();
    while (cut > 0 && address.at(cut - 1) != u'/' && address.at(cut - 1) != u'\\')
        --cut;
    while (cut > 0 && (address.at(cut - 1) == u'/' || address.at(cut - 1) == u'\\'))
        --cut;
    return address.left(cut);
}

} // namespace

UrlBase splitUrlBase(const QString& address) {
    UrlBase base;
    if (address.endsWith(u'/')) {
        base.folder = address.left(address.size() - 1);
    } else {
        const QString last = address.mid(address.lastIndexOf(u'/') + 1);
        if (last.startsWith(u'?') || last.contains(u'.')) {
            const QString parent = parentPath(address);
            const bool bareHost = parent.compare(QLatin1String("http:"), Qt::CaseInsensitive) == 0 ||
                                  parent.compare(QLatin1String("https:"), Qt::CaseInsensitive) == 0;
            base.folder = bareHost ? address : parent;
        } else {
            base.folder = address;
        }
    }

    const QString scheme = address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
                               ? QStringLiteral("https://")
                               : QStringLiteral("http://");
    base.siteRoot = scheme + getTextBetween(address, scheme, QStringLiteral("/"));
    if (!base.siteRoot.endsWith(u'/'))
        base.siteRoot += u'/';
    return base;
}

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void appendEscape(QString& out, uchar byte) {
    out += u'%';
    out += QLatin1Char(kHexDigits[byte >> 4]);
    out += QLatin1Char(kHexDigits[byte & 0xF]);
}

int hexValue(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Walks the text by code point, so a character outside the BMP stays one character.
template <typename F> void forEachCodePoint(const QString& text, F f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(ch, text.at(i + 1)), text.mid(i, 2));
            ++i;
        } else {
            f(char32_t(ch.unicode()), QString(ch));
        }
    }
}

} // namespace

QString urlEncodeAnsi(const QString& text) {
    QString out;
    out.reserve(text.size() * 6);
    forEachCodePoint(text, [&out](char32_t c, const QString& ch) {
        const int value = codePageValue(c);
        if (value > 0xFF) {
            appendEscape(out, uchar(value >> 8));
            appendEscape(out, uchar(value & 0xFF));
        } else if (value >= 0) {
            appendEscape(out, uchar(value));
        } else {
            for (const char byte : encodeText(ch))
                appendEscape(out, uchar(byte));
        }
    });
    return out;
}

QString urlEncodeDoubleByte(const QString& text) {
    QString out;
    out.reserve(text.size() * 6);
    forEachCodePoint(text, [&out](char32_t c, const QString& ch) {
        const int value = codePageValue(c);
        if (value > 0xFF) {
            appendEscape(out, uchar(value >> 8));
            appendEscape(out, uchar(value & 0xFF));
        } else {
            out += ch;
        }
    });
    return out;
}

QString urlEncodeUtf8(const QString& text) {
    QString out;
    out.reserve(text.size() * 9);
    forEachCodePoint(text, [&out](char32_t c, const QString& ch) {
        if (c >= 1 && c <= 0x7FF) {
            out += ch;
            return;
        }
        for (const char byte : ch.toUtf8())
            appendEscape(out, uchar(byte));
    });
    return out;
}

QString decodeHexChars(const QString& text) {
    QString digits = text;
    digits.remove(u'%');
    if (digits.isEmpty() || digits.size() % 4 != 0)
        return text;
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = hexValue(digits.at(i));
        const int low = hexValue(digits.at(i + 1));
        if (high < 0 || low < 0)
            return text;
        bytes.append(char(high << 4 | low));
    }
    QStringDecoder decoder("GB18030");
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError() || decoded.contains(QChar::ReplacementCharacter))
        return text;
    return decoded;
}

QString urlDecodeAnsi(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype escape = text.indexOf(u'%', pos);
        if (escape < 0)
            break;
        out += QStringView(text).mid(pos, escape - pos);
        out += decodeHexChars(text.mid(escape, 6));
        pos = escape + 6;
    }
    if (pos < text.size())
        out += QStringView(text).mid(pos);
    return out;
}

namespace {

bool hasScheme(const QString& reference) {
    const qsizetype colon = reference.indexOf(u':');
    if (colon <= 1) // "c:" is a drive letter, no scheme
        return false;
    const qsizetype slash = reference.indexOf(u'/');
    return slash < 0 || colon < slash;
}

} // namespace

QString resolveRelativePath(const QString& baseFolder, const QString& reference) {
    QString ref = reference.trimmed();
    ref.replace(u'\\', u'/');
    for (const QChar cut : {u'#', u'?'}) {
        const qsizetype at = ref.indexOf(cut);
        if (at >= 0)
            ref.truncate(at);
    }
    if (ref.isEmpty() || hasScheme(ref))
        return {};
    if (ref.contains(u'%'))
        ref = QUrl::fromPercentEncoding(ref.toUtf8());
    QStringList parts;
    if (!ref.startsWith(u'/'))
        parts = baseFolder.split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : ref.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return {};
            parts.removeLast();
            continue;
        }
        parts << part;
    }
    return parts.join(u'/');
}
