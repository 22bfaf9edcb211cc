// The marker cuts: never more than the text holds, never a crash.
#include "fuzzinput.h"

#include "text/markers.h"
#include "text/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QString> t = fuzzTexts(data, size, 3);
    const QString& text = t.at(0);
    const QString& start = t.at(1);
    const QString& end = t.at(2);

    // The fast case-blind search finds what Qt's finds.
    for (qsizetype from : {qsizetype(0), text.size() / 2, text.size()})
        fuzzCheck(indexOfIgnoringCase(text, start, from) == text.indexOf(start, from, Qt::CaseInsensitive));

    // The fast replacements replace what Qt's replace does.
    if (!start.isEmpty()) {
        fuzzCheck(replaceAll(text, start, end) == QString(text).replace(start, end));
        const QByteArray latin1 = start.toLatin1();
        if (QString::fromLatin1(latin1) == start)
            fuzzCheck(replaceIgnoringCase(text, QLatin1String(latin1), end) ==
                      QString(text).replace(start, end, Qt::CaseInsensitive));
    }

    const QString strict = getTextBetweenStrict(text, start, end);
    fuzzCheck(strict.isEmpty() || text.contains(strict));
    const QString loose = getTextBetween(text, start, end);
    fuzzCheck(loose.isEmpty() || text.contains(loose));
    fuzzCheck(strict.isEmpty() || loose == strict);
    const QString last = getTextBetweenLast(text, start, end);
    fuzzCheck(last.isEmpty() || text.contains(last));
    const QString after = getTextAfterLast(text, start);
    fuzzCheck(text.endsWith(after));
    const QString before = getTextBefore(text, start);
    fuzzCheck(text.startsWith(before));

    splitUrlBase(text);
    fuzzCheck(urlDecodeAnsi(urlEncodeDoubleByte(text)) == text || text.contains(u'%'));
    urlEncodeAnsi(text);
    urlEncodeUtf8(text);
    decodeHexChars(text);
    return 0;
}
