#include "app/cli_args.h"

#include "library/librarylists.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

bool takeFlag(QStringList& args, const QString& flag) {
    return args.removeAll(flag) > 0;
}

bool takeOption(QStringList& args, const QString& name, QString* value, bool* given) {
    *given = false;
    for (qsizetype i = args.indexOf(name); i >= 0; i = args.indexOf(name)) {
        if (*given || i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
            return false;
        *value = args.at(i + 1);
        *given = true;
        args.remove(i, 2);
    }
    return true;
}

bool hasOption(const QStringList& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const QString& a) { return a.startsWith(QLatin1String("--")); });
}

QString readChapterIds(const Database& db, const QString& novelId, const QString& text, QList<qint64>* ids) {
    ids->clear();
    const QStringList pieces = text.split(u',', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return QStringLiteral("章节编号无效：") + text;
    for (const QString& piece : pieces) {
        bool ok = false;
        const qint64 id = piece.trimmed().toLongLong(&ok);
        const std::optional<ChapterRow> row = ok ? LibraryLists::chapter(db, id) : std::nullopt;
        if (!row || row->novelId != novelId)
            return QStringLiteral("章节编号无效：") + piece;
        ids->append(id);
    }
    return QString();
}

bool readInput(const QString& file, QByteArray* bytes, QString* error) {
    QFile in;
    const bool standardInput = file.isEmpty() || file == QLatin1String("-");
    const bool opened = standardInput ? in.open(stdin, QIODevice::ReadOnly)
                                      : (in.setFileName(file), in.open(QIODevice::ReadOnly));
    if (!opened || (*bytes = in.readAll(), in.error() != QFileDevice::NoError)) {
        *error = QStringLiteral("无法读取文件：%1（%2）")
                     .arg(standardInput ? QStringLiteral("标准输入") : file, in.errorString());
        return false;
    }
    return true;
}

bool readUtf8Input(const QString& file, QString* text, QString* error) {
    QByteArray bytes;
    if (!readInput(file, &bytes, error))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = utf8.decode(bytes);
    if (utf8.hasError()) {
        *error = QStringLiteral("输入不是 UTF-8 文本");
        return false;
    }
    return true;
}
