// Decoding any bytes under any charset name, GB18030 staying lossless for what it decoded, and what
// is written for GBK readers being GBK.
#include "fuzzinput.h"

#include "text/charset.h"
#include "storage/textfile.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const names[] = {"gb2312", "GB2312_80", "gbk",    "big5",       "utf-8",   "UTF8",
                                        "none",   "unicode",   "utf-16", "iso-8859-1", "x-bogus", ""};
    if (size == 0)
        return 0;
    QString charset = QString::fromLatin1(names[data[0] % (sizeof(names) / sizeof(names[0]))]);
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QString text = bytesToText(bytes, charset, QStringLiteral("big5"));
    fuzzCheck(!codecForCharset(charset).isEmpty());

    // Whatever GB18030 decoded, it writes back and reads again unchanged; the fast tables give the
    // codec's own result both ways.
    QString gb = QStringLiteral("gb2312");
    const QString once = bytesToText(bytes, gb);
    QStringDecoder decoder("GB18030");
    fuzzCheck(once == QString(decoder.decode(bytes)));
    QStringEncoder encoder("GB18030");
    const QByteArray encoded = encoder.encode(once);
    fuzzCheck(encoder.hasError() || encodeHtmlForCharset(once, QStringLiteral("gb18030")) == encoded);
    // Pages declared gb2312 and text files for GBK readers hold GBK codes only.
    fuzzCheck(decodeGbkBytes(encodeHtmlForCharset(text, gb)).has_value());
    fuzzCheck(decodeGbkBytes(encodeGbkNearest(text)).has_value());
    QString again = QStringLiteral("gbk");
    fuzzCheck(bytesToText(encodeText(once), again) == once);

    // Pages in Big5 lose nothing either: every character is a byte sequence or a reference.
    encodeHtmlForCharset(text, QStringLiteral("big5"));
    ansiLength(text);
    decodeTextFileBytes(bytes);
    return 0;
}
