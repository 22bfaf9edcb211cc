#include "download/pagedecoder.h"

#include "storage/charset.h"
#include "storage/markers.h"
#include "storage/textfile.h"

#include <QStringDecoder>

#include <uchardet.h>

namespace {

QString firstWordWithout(const QString& text, const QString& drop) {
    QString word = trimSpaces(text).section(u' ', 0, 0, QString::SectionSkipEmpty);
    for (const QChar c : drop)
        word.remove(c);
    return word.trimmed();
}

bool isGb18030(const QByteArray& bytes) {
    QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
    const QString text = gb(bytes);
    return !gb.hasError();
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

QString PageDecoder::guessCharset(const QByteArray& bytes) {
    // UTF-8 that reads as text wins; then GBK, what most novel sites serve; then whatever uchardet sees.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(bytes);
    if (!utf8.hasError() && decodeTextFileBytes(bytes) == asUtf8)
        return QStringLiteral("utf-8");
    if (isGb18030(bytes))
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
        QString charset = QStringLiteral("gb2312");
        text = bytesToText(bytes, charset, m_defaultCharset);
        QString found = declaredCharset(text);
        if (found.isEmpty())
            found = guessCharset(bytes);
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
