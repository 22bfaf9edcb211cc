#include "storage/storedchapterpage.h"

#include "storage/textfile.h"
#include "text/charset.h"

#include <QFile>
#include <QStringDecoder>

namespace {

struct Decoded {
    QString text;
    bool clean = false;
};

// Stateless, so that a sequence cut off at the end of the file counts as an error too.
Decoded decodeWith(QStringDecoder::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    Decoded d;
    d.text = decoder.decode(bytes);
    d.clean = !decoder.hasError();
    return d;
}

Decoded decodeWith(const char* codec, QByteArrayView bytes) {
    QStringDecoder decoder(codec, QStringDecoder::Flag::Stateless);
    Decoded d;
    if (!decoder.isValid())
        return d;
    d.text = decoder.decode(bytes);
    d.clean = !decoder.hasError();
    return d;
}

// The table decoder for pages of ASCII and two-byte codes, the codec for the rest.
Decoded decodeGb18030(const QByteArray& bytes) {
    if (std::optional<QString> text = decodeGbkBytes(bytes))
        return {std::move(*text), true};
    return decodeWith("GB18030", bytes);
}

// The charset the page's meta tag (or XML declaration) names, lower case; empty without one. The
// first "charset" or "encoding" followed by "=" and a name, as a pattern would find it, read from
// the bytes: every page read goes through here.
QString declaredCharset(const QByteArray& bytes) {
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 4096));
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto isNameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    };
    for (qsizetype at = 0; at < head.size(); ++at) {
        qsizetype i = -1;
        for (const QByteArrayView word : {QByteArrayView("charset"), QByteArrayView("encoding")}) {
            if (head.size() - at >= word.size() &&
                qstrnicmp(head.data() + at, word.data(), size_t(word.size())) == 0)
                i = at + word.size();
        }
        if (i < 0)
            continue;
        while (i < head.size() && isSpace(head.at(i)))
            ++i;
        if (i >= head.size() || head.at(i) != '=')
            continue;
        ++i;
        while (i < head.size() && isSpace(head.at(i)))
            ++i;
        if (i < head.size() && (head.at(i) == '"' || head.at(i) == '\''))
            ++i;
        const qsizetype name = i;
        while (i < head.size() && isNameChar(head.at(i)))
            ++i;
        if (i > name)
            return QString::fromLatin1(head.sliced(name, i - name)).toLower();
    }
    return QString();
}

} // namespace

StoredChapterPage StoredChapterPage::read(const QString& path, const QString& charsetSetting) {
    const std::optional<QByteArray> bytes = readFileBytes(path);
    return bytes ? decode(*bytes, charsetSetting) : StoredChapterPage();
}

StoredChapterPage StoredChapterPage::decode(const QByteArray& bytes, const QString& charsetSetting) {
    StoredChapterPage page;
    page.exists = true;
    auto take = [&page](Decoded d, const char* charset) {
        page.text = std::move(d.text);
        page.clean = d.clean;
        page.charset = QLatin1String(charset);
        return page;
    };

    static const struct {
        QByteArrayView mark;
        QStringDecoder::Encoding encoding;
        const char* name;
    } boms[] = {
        {"\xEF\xBB\xBF", QStringDecoder::Utf8, "utf-8"},
        {"\xFF\xFE", QStringDecoder::Utf16LE, "utf-16le"},
        {"\xFE\xFF", QStringDecoder::Utf16BE, "utf-16be"},
    };
    for (const auto& bom : boms) {
        if (bytes.startsWith(bom.mark)) {
            page.hadByteOrderMark = true;
            const QByteArrayView rest = QByteArrayView(bytes).sliced(bom.mark.size());
            Decoded d = decodeWith(bom.encoding, rest);
            // The UTF-16 decoder keeps a lone last byte to itself.
            if (bom.encoding != QStringDecoder::Utf8 && rest.size() % 2 != 0)
                d.clean = false;
            return take(std::move(d), bom.name);
        }
    }

    const QString declared = declaredCharset(bytes);
    const bool big5 = codecForCharset(declared) == "Big5";
    if (big5)
        return take(decodeWith("Big5", bytes), "big5");

    // Most pages are GBK: a quick look rules UTF-8 out before anything is decoded.
    if (QByteArrayView(bytes).isValidUtf8()) {
        Decoded utf8 = decodeWith(QStringDecoder::Utf8, bytes);
        // A short GBK text can be valid UTF-8 as well; the text-file reader knows which reads as
        // Chinese.
        if (decodeTextFileBytes(bytes) == utf8.text)
            return take(std::move(utf8), "utf-8");
        return take(decodeGb18030(bytes), "gb18030");
    }
    // Pages a Big5 library wrote before they named their charset.
    if (declared.isEmpty() && codecForCharset(charsetSetting) == "Big5")
        return take(decodeWith("Big5", bytes), "big5");
    return take(decodeGb18030(bytes), "gb18030");
}

QByteArray StoredChapterPage::bytesAsRead(const QString& text) const {
    QByteArray bom;
    QString target = charset;
    if (charset == QLatin1String("gb18030") || charset.isEmpty()) {
        target = QStringLiteral("gb2312");
    } else if (hadByteOrderMark) {
        if (charset == QLatin1String("utf-8"))
            bom = QByteArrayLiteral("\xEF\xBB\xBF");
        else if (charset == QLatin1String("utf-16le"))
            bom = QByteArrayLiteral("\xFF\xFE");
        else if (charset == QLatin1String("utf-16be"))
            bom = QByteArrayLiteral("\xFE\xFF");
    }
    return bom + encodeHtmlForCharset(text, target);
}
