#include "output/exporttext.h"

#include "storage/files.h"
#include "storage/textfile.h"
#include "text/charset.h"

#include <QRegularExpression>

namespace ExportText {

namespace {

bool isBig5(const QString& charset) {
    return codecForCharset(charset) == "Big5";
}

} // namespace

bool isUtf8Charset(const QString& charset) {
    const QByteArray codec = codecForCharset(charset).toLower();
    return codec == "utf-8" || codec == "utf8";
}

QString postProcess(const QString& text) {
    QString out = text;
    out.remove(QChar(0));
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(u'\r', u'\n');
    out.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return out;
}

QByteArray encodeText(const QString& text, const QString& charset) {
    if (isUtf8Charset(charset))
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    if (isBig5(charset))
        return ::encodeText(text, "Big5");
    return encodeGbkNearest(text);
}

QByteArray encodePage(const QString& html, const QString& charset) {
    static const QRegularExpression meta(QStringLiteral("(<meta[^>]*charset\\s*=\\s*)([\\w-]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString name = isUtf8Charset(charset) ? QStringLiteral("utf-8")
                         : isBig5(charset)      ? QStringLiteral("big5")
                                                : QStringLiteral("gb2312");
    QString page = html;
    page.replace(meta, QStringLiteral("\\1") + name);
    return encodeHtmlForCharset(page, name);
}

QString chapterFileName(int number, const QString& title) {
    return QStringLiteral("%1_").arg(number, 3, 10, QLatin1Char('0')) + replaceInvalidFileNameChars(title) +
           QLatin1String(".txt");
}

QString escapeMarkup(const QString& text) {
    QString out = text;
    out.replace(u'&', QLatin1String("&amp;"));
    out.replace(u'<', QLatin1String("&lt;"));
    out.replace(u'>', QLatin1String("&gt;"));
    return out;
}

} // namespace ExportText
