#include "storage/scramble.h"

#include "storage/textfile.h"

#include <QRandomGenerator>
#include <QStringDecoder>

namespace {

constexpr char kKey[] = "qzqz";

QString hexPair(int value, QChar pad) {
    return QString::number(value, 16).toUpper().rightJustified(2, pad);
}

QString scrambleDecode(const QString& text) {
    if (text.size() < 2)
        return {};
    int offset = text.left(2).trimmed().toInt(nullptr, 16);
    QByteArray bytes;
    int keyIndex = 0;
    for (int pos = 2; pos < text.size(); pos += 2) {
        const int value = text.mid(pos, 2).trimmed().toInt(nullptr, 16);
        int t = value ^ kKey[keyIndex];
        keyIndex = (keyIndex + 1) % 4;
        t = t <= offset ? 255 + t - offset : t - offset;
        bytes.append(char(t & 0xFF));
        offset = value;
    }
    QStringDecoder decoder("GB18030");
    return decoder.isValid() ? decoder(bytes) : QString::fromLatin1(bytes);
}

} // namespace

QString scrambleEncode(const QString& text, int offset) {
    QString out = hexPair(offset, u'0');
    int keyIndex = 0;
    for (const char c : encodeText(text, "GB18030")) {
        int value = (int(static_cast<unsigned char>(c)) + offset) % 255;
        value ^= kKey[keyIndex];
        keyIndex = (keyIndex + 1) % 4;
        out += hexPair(value, u' ');
        offset = value;
    }
    return out;
}

QString scrambleText(const QString& mode, const QString& text) {
    if (mode == QLatin1String("E"))
        return scrambleEncode(text, int(QRandomGenerator::global()->bounded(255)) + 1);
    if (mode == QLatin1String("D"))
        return scrambleDecode(text);
    return {};
}
