#include "fetch/pagedecoder.h"

#include "text/charset.h"
#include "text/markers.h"
#include "storage/textfile.h"


#include <uchardet.h>

namespace {

QString firstWordWithout(const QString& text, const QString& drop) {
    QString word = trimSpaces(text).section(u' ', 0, 0, QString::SectionSkipEmpty);
    for (const QChar c : drop)
        word.remove(c);
    return word.trimmed();
}

// Byte structure only, stopping at the first fault: a GBK page fails within its first characters,
// where decoding it whole to find out cost as much as reading it.
bool isWellFormedUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const uchar lead = *p++;
        if (lead < 0x80)
            continue;
        const int more = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
        if (more < 0 || end - p < more)
            return false;
        // No overlong forms, surrogates or code points past U+10FFFF.
        const uchar second = *p;
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second > 0x8F))
            return false;
        for (int i = 0; i < more; ++i)
            if ((*p++ & 0xC0) != 0x80)
                return false;
    }
    return true;
}

// GB18030's byte structure: ASCII, lead 81–FE with a trail byte 40–7E or 80–FE, or the four-byte
// form 81–FE 30–39 81–FE 30–39.
bool isGb18030(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const uchar lead = *p++;
        if (lead < 0x80)
            continue;
        if (lead == 0x80 || lead == 0xFF || p == end)
            return false;
        const uchar second = *p++;
        if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE))
            continue;
        if (second < 0x30 || second > 0x39 || end - p < 2 || p[0] < 0x81 || p[0] > 0xFE || p[1] < 0x30 ||
            p[1] > 0x39)
            return false;
        p += 2;
    }
    return true;
}

} // namespace

void PageDecoder::takeContentType(const QString& contentType) {
    const QString charset = getTextAfterLast(contentType, QStringLiteral("charset=")).trimmed();
    if (!charset.isEmpty()) {
        m_pageCharset = charset;
        return;
    }
    const QString type = contentType.section(u';', 0, 0).trimmed().toLower();
    if (type != QLatin1String("text/plain") && type != QLatin1String("application/x-javascript"))
        m_pageCharset.clear();
}

QString PageDecoder::declaredCharset(const QString& text) {
    const QString meta = getTextBetween(text, QStringLiteral("charset="), QStringLiteral(">"));
    if (!meta.isEmpty())
        return firstWordWithout(meta, QStringLiteral("/\"'"));
    const QString xml = getTextBetween(text, QStringLiteral("encoding="), QStringLiteral(">"));
    if (!xml.isEmpty())
        return firstWordWithout(xml, QStringLiteral("/\"'?"));
    return {};
}

QString PageDecoder::guessCharset(const QByteArray& bytes, bool gbkBytes) {
    // UTF-8 that reads as text wins; then GBK, what most novel sites serve; then whatever uchardet sees.
    if (isWellFormedUtf8(bytes) && decodeTextFileBytes(bytes) == QString::fromUtf8(bytes))
        return QStringLiteral("utf-8");
    if (gbkBytes || isGb18030(bytes))
        return QStringLiteral("gb2312");
    QString guess;
    if (uchardet_t detector = uchardet_new()) {
        if (uchardet_handle_data(detector, bytes.constData(), size_t(bytes.size())) == 0) {
            uchardet_data_end(detector);
            guess = QString::fromLatin1(uchardet_get_charset(detector)).toLower();
        }
        uchardet_delete(detector);
    }
    return guess.isEmpty() || codecForCharset(guess).isEmpty() ? QStringLiteral("gb2312") : guess;
}

QString PageDecoder::decode(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    QString text;
    if (m_pageCharset.isEmpty()) {
        // Read as gb2312 first: bytes that are GBK throughout need no second pass to guess.
        const std::optional<QString> gbk = decodeGbkBytes(bytes);
        QString charset = QStringLiteral("gb2312");
        text = gbk ? *gbk : bytesToText(bytes, charset, m_defaultCharset);
        QString found = declaredCharset(text);
        if (found.isEmpty())
            found = guessCharset(bytes, gbk.has_value());
        m_pageCharset = found;
        if (found.toLower() != QLatin1String("gb2312")) {
            QString used = found;
            text = bytesToText(bytes, used, m_defaultCharset);
            if (used.toLower() == QLatin1String("gb2312"))
                m_pageCharset = used; // a name nothing knows: read as gb2312 after all
        }
    } else {
        QString used = m_pageCharset;
        text = bytesToText(bytes, used, m_defaultCharset);
    }
    if (m_pageCharset.toLower() != QLatin1String("gb2312")) {
        text.replace(m_pageCharset, QLatin1String("gb2312"));
        text.replace(m_pageCharset.toUpper(), QLatin1String("gb2312"));
    }
    return text;
}
