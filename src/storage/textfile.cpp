#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

QString decodeTextFileBytes(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder gb("GB18030");
    if (!gb.isValid())
        return QString::fromLocal8Bit(bytes);
    return gb(bytes);
}

QString readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return decodeTextFileBytes(file.readAll());
}

QByteArray encodeText(const QString& text, const char* encoding) {
    QStringEncoder encoder(encoding);
    if (!encoder.isValid())
        return text.toUtf8();
    return encoder(text);
}

bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("无法创建目录 %1").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeTextFile(const QString& path, const QString& text, const char* encoding, QString* error) {
    return writeBytesAtomically(path, encodeText(text, encoding), error);
}
