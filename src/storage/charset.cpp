#include "storage/charset.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <memory>

namespace {

constexpr quint16 kNotGbk = 0xFFFF; // no GBK value ends in 0xFF

// GBK values of the whole BMP, taken once from the GB18030 encoder: its one- and two-byte forms
// are GBK, its four-byte forms are everything GBK lacks.
std::unique_ptr<std::array<quint16, 0x10000>> buildGbkTable() {
    auto table = std::make_unique<std::array<quint16, 0x10000>>();
    table->fill(kNotGbk);
    QString all;
    all.reserve(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF)
            all.append(QChar(char16_t(c)));
    }
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid())
        return table;
    const QByteArray bytes = encoder(all);
    qsizetype i = 0;
    for (const QChar ch : std::as_const(all)) {
        if (i >= bytes.size())
            return table;
        const uchar b0 = uchar(bytes.at(i));
        if (b0 < 0x80) {
            (*table)[ch.unicode()] = b0;
            i += 1;
        } else if (i + 1 < bytes.size() && uchar(bytes.at(i + 1)) >= 0x30 && uchar(bytes.at(i + 1)) <= 0x39) {
            i += 4;
        } else if (i + 1 < bytes.size()) {
            (*table)[ch.unicode()] = quint16(b0 << 8 | uchar(bytes.at(i + 1)));
            i += 2;
        } else {
            return table;
        }
    }
    return table;
}

const std::array<quint16, 0x10000>& gbkTable() {
    static const std::unique_ptr<std::array<quint16, 0x10000>> table = buildGbkTable();
    return *table;
}

bool startsWithCi(const QString& text, QLatin1String prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

QString normalisedName(QString charset, const QString& defaultCharset) {
    charset.replace(u'_', u'-');
    if (startsWithCi(charset, QLatin1String("gb2")) && charset.toLower() != QLatin1String("gb2312"))
        charset = QStringLiteral("gb2312");
    if (charset.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        charset = defaultCharset;
    if (charset.size() > 3 && startsWithCi(charset, QLatin1String("utf8")))
        charset = QStringLiteral("utf-8");
    return charset;
}

QByteArray characterReference(char32_t ch) {
    return "&#" + QByteArray::number(uint(ch)) + ';';
}

} // namespace

QByteArray codecForCharset(const QString& charset) {
    const QString name = charset.trimmed().toLower();
    if (name.isEmpty())
        return {};
    static const QLatin1String gbNames[] = {
        QLatin1String("gb2312"),      QLatin1String("gbk"),     QLatin1String("gb18030"),
        QLatin1String("x-gbk"),       QLatin1String("cp936"),   QLatin1String("ms936"),
        QLatin1String("windows-936"), QLatin1String("euc-cn"),  QLatin1String("x-euc-cn"),
        QLatin1String("csgb2312"),    QLatin1String("chinese"), QLatin1String("gb-2312"),
    };
    for (const QLatin1String gb : gbNames) {
        if (name == gb)
            return QByteArrayLiteral("GB18030");
    }
    if (name == QLatin1String("big5") || name == QLatin1String("big-5") || name == QLatin1String("cn-big5") ||
        name == QLatin1String("x-x-big5") || name == QLatin1String("csbig5") ||
        name == QLatin1String("cp950"))
        return QByteArrayLiteral("Big5");
    const QByteArray latin = name.toLatin1();
    if (latin.contains('?') || !QStringDecoder(latin.constData()).isValid())
        return {};
    return latin;
}

QString bytesToText(const QByteArray& bytes, QString& charset, const QString& defaultCharset) {
    charset = normalisedName(charset, defaultCharset);
    QByteArray codec = codecForCharset(charset);
    if (codec.isEmpty()) {
        charset = QStringLiteral("gb2312");
        codec = QByteArrayLiteral("GB18030");
    }
    if (bytes.isEmpty())
        return {};
    QStringDecoder decoder(codec.constData());
    return decoder.decode(bytes);
}

bool big5CanEncode(char32_t ch) {
    if (ch < 0x80)
        return true;
    QStringEncoder encoder("Big5");
    const char32_t one[] = {ch};
    // encode() is lazy: the bytes must be taken for the error to show.
    const QByteArray bytes = encoder.encode(QString::fromUcs4(one, 1));
    return !encoder.hasError() && !bytes.isEmpty();
}

QByteArray encodeHtmlForCharset(const QString& html, const QString& charset) {
    QByteArray codec = codecForCharset(charset);
    if (codec.isEmpty())
        codec = QByteArrayLiteral("GB18030");
    QStringEncoder encoder(codec.constData());
    QByteArray whole = encoder.encode(html);
    if (!encoder.hasError())
        return whole;

    // Rare: some characters do not fit. Go character by character and reference those.
    QByteArray out;
    out.reserve(whole.size() + 64);
    const QList<uint> ucs = html.toUcs4();
    for (const uint ch : ucs) {
        QStringEncoder one(codec.constData());
        const char32_t c[] = {char32_t(ch)};
        const QByteArray bytes = one.encode(QString::fromUcs4(c, 1));
        out += one.hasError() ? characterReference(ch) : bytes;
    }
    return out;
}

int codePageValue(char32_t ch) {
    if (ch > 0xFFFF)
        return -1;
    const quint16 value = gbkTable()[ch];
    return value == kNotGbk ? -1 : int(value);
}

bool isDoubleByte(char32_t ch) {
    return codePageValue(ch) > 0xFF;
}

QString charFromCodePageValue(int value) {
    if (value < 0 || value > 0xFFFF)
        return {};
    QByteArray bytes;
    if (value > 0xFF)
        bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
    QStringDecoder decoder("GB18030");
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.size() != 1 || text.at(0) == QChar::ReplacementCharacter)
        return {};
    return text;
}

int ansiLength(const QString& text) {
    int length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            length += 2;
            ++i;
            continue;
        }
        const int value = codePageValue(ch.unicode());
        length += value >= 0 && value <= 0xFF ? 1 : 2;
    }
    return length;
}
