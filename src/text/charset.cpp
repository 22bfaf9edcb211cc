#include "text/charset.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <memory>
#include <optional>

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

// Text of GB18030's two-byte codes (lead 0x81..0xFE, trail 0x40..0xFE), taken once from the
// decoder; 0 where the decoder gives no single character.
constexpr int kTrails = 0xFF - 0x40;
using PairTable = std::array<char16_t, 0x7E * kTrails>;

std::unique_ptr<PairTable> buildPairTable() {
    auto table = std::make_unique<PairTable>();
    table->fill(0);
    QByteArray all;
    all.reserve(qsizetype(table->size()) * 2);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail != 0x7F)
                all.append(char(lead)).append(char(trail));
        }
    }
    QStringDecoder decoder("GB18030");
    const QString text = decoder.isValid() ? decoder.decode(all) : QString();
    if (decoder.hasError() || text.size() != all.size() / 2)
        return table; // not one character per code: leave everything to the decoder
    qsizetype i = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char16_t c = text.at(i++).unicode();
            if (c != QChar::ReplacementCharacter && !QChar::isSurrogate(c))
                (*table)[(lead - 0x81) * kTrails + (trail - 0x40)] = c;
        }
    }
    return table;
}

const PairTable& pairTable() {
    static const std::unique_ptr<PairTable> table = buildPairTable();
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

// The GBK bytes of the text; each character GBK lacks (a lone surrogate as U+FFFD) is handed to
// fallback, which appends what stands for it.
template <typename Fallback> QByteArray encodeGbkWith(QStringView text, Fallback&& fallback) {
    const std::array<quint16, 0x10000>& gbk = gbkTable();
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const quint16 value = gbk[c];
        if (value != kNotGbk) {
            if (value > 0xFF)
                out += char(value >> 8);
            out += char(value & 0xFF);
            continue;
        }
        char32_t ch = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ch = QChar::surrogateToUcs4(c, text[++i].unicode());
        else if (QChar::isSurrogate(c))
            ch = QChar::ReplacementCharacter;
        fallback(ch, out);
    }
    return out;
}

// GBK bytes of look-alikes for a few characters that neither a compatibility form nor a base letter
// bring into GBK.
const char* lookAlike(char32_t ch) {
    static const std::pair<char32_t, const char*> table[] = {
        {0x2022, "\xA1\xA4"}, {0x30FB, "\xA1\xA4"}, {0x301C, "\xA1\xAB"}, {0x2212, "-"},  {0x2010, "-"},
        {0x2044, "/"},        {0x00A9, "(C)"},      {0x00AE, "(R)"},      {0x00DF, "ss"}, {0x00E6, "ae"},
        {0x00C6, "AE"},       {0x0153, "oe"},       {0x0152, "OE"},       {0x0142, "l"},  {0x0141, "L"},
        {0x00F8, "o"},        {0x00D8, "O"},        {0x0111, "d"},        {0x0110, "D"},
    };
    for (const auto& [from, to] : table)
        if (from == ch)
            return to;
    return nullptr;
}

std::optional<QByteArray> gbkOrLookAlike(char32_t ch) {
    if (ch <= 0xFFFF && gbkTable()[ch] != kNotGbk)
        return encodeGbkText(QString(QChar(char16_t(ch))));
    if (const char* near = lookAlike(ch))
        return QByteArray(near);
    return std::nullopt;
}

// The compatibility form ("ﬁ" → "fi", "½" → "1/2") when GBK holds it; nothing when the character is
// its own form.
std::optional<QByteArray> compatibilityForm(char32_t ch) {
    const QList<uint> parts = QString::fromUcs4(&ch, 1).normalized(QString::NormalizationForm_KC).toUcs4();
    if (parts.size() == 1 && parts.first() == ch)
        return std::nullopt;
    QByteArray out;
    for (const uint part : parts) {
        const std::optional<QByteArray> bytes = gbkOrLookAlike(char32_t(part));
        if (!bytes)
            return std::nullopt;
        out += *bytes;
    }
    return out;
}

// What a plain text file in GBK shows for a character GBK lacks: any space a space, invisible format
// characters nothing, else a look-alike, the compatibility form or the base letter ("ő" → "o"), and
// "?" when nothing near exists.
void appendNearestGbk(char32_t ch, QByteArray& out) {
    const QChar::Category category = QChar::category(ch);
    if (category == QChar::Separator_Space) {
        out += ' ';
        return;
    }
    if (category == QChar::Other_Format)
        return;
    std::optional<QByteArray> near = gbkOrLookAlike(ch);
    if (!near)
        near = compatibilityForm(ch);
    if (!near) {
        const QList<uint> decomposed =
            QString::fromUcs4(&ch, 1).normalized(QString::NormalizationForm_D).toUcs4();
        if (decomposed.size() > 1)
            near = gbkOrLookAlike(char32_t(decomposed.first()));
    }
    out += near.value_or(QByteArrayLiteral("?"));
}

} // namespace

std::optional<QByteArray> encodeGbkText(const QString& text) {
    const std::array<quint16, 0x10000>& gbk = gbkTable();
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char* out = bytes.data();
    const char* const begin = out;
    for (const QChar ch : text) {
        const quint16 value = gbk[ch.unicode()];
        if (value == kNotGbk)
            return std::nullopt;
        if (value > 0xFF)
            *out++ = char(value >> 8);
        *out++ = char(value & 0xFF);
    }
    bytes.truncate(out - begin);
    return bytes;
}

// Through the tables: several times faster than the codec and with its very result.
std::optional<QString> decodeGbkBytes(const QByteArray& bytes) {
    const PairTable& pairs = pairTable();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const char16_t* const begin = out;
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    const auto* const end = in + bytes.size();
    while (in < end) {
        const uchar b = *in++;
        if (b < 0x80) {
            *out++ = b;
            continue;
        }
        if (b == 0x80 || b == 0xFF || in == end || *in < 0x40 || *in == 0x7F || *in == 0xFF)
            return std::nullopt;
        const char16_t c = pairs[(b - 0x81) * kTrails + (*in++ - 0x40)];
        if (c == 0)
            return std::nullopt;
        *out++ = c;
    }
    text.truncate(out - begin);
    return text;
}

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
    if (codec == "GB18030") {
        if (std::optional<QString> text = decodeGbkBytes(bytes))
            return *std::move(text);
    }
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
    if (codec == "GB18030") {
        if (std::optional<QByteArray> bytes = encodeGbkText(html))
            return *std::move(bytes);
        // Readers take "gb2312" and "gbk" for GBK: its four-byte codes would show as garbage there.
        if (charset.trimmed().compare(QLatin1String("gb18030"), Qt::CaseInsensitive) != 0)
            return encodeGbkWith(html, [](char32_t ch, QByteArray& out) { out += characterReference(ch); });
        return encodeText(html);
    }
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

QByteArray encodeGbkNearest(const QString& text) {
    return encodeGbkWith(text, appendNearestGbk);
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

QByteArray encodeText(const QString& text, const char* encoding) {
    // Long texts through the tables (built once for the downloads) with the codec's very result.
    if (text.size() >= 16384 && qstricmp(encoding, "GB18030") == 0) {
        if (std::optional<QByteArray> bytes = encodeGbkText(text))
            return *std::move(bytes);
    }
    QStringEncoder encoder(encoding);
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder(text);
}
