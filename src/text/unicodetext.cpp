#include "text/unicodetext.h"

QString normalizeUnicodeText(const QString& text, const QString& displayCharset) {
    if (displayCharset.trimmed().compare(QLatin1String("big5"), Qt::CaseInsensitive) == 0)
        return text;
    QString out = text;
    out.remove(QChar(u'\0'));
    return out;
}
