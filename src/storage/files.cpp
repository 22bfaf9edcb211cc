#include "storage/files.h"

#include "storage/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <functional>

namespace {

const QString kAll = QStringLiteral("*.*");

QStringList extensionList(const QString& extensions) {
    QStringList list;
    for (const QString& ext : extensions.split(u',', Qt::SkipEmptyParts)) {
        const QString trimmed = ext.trimmed().toLower();
        if (!trimmed.isEmpty())
            list.append(u'.' + trimmed);
    }
    return list;
}

bool hasExtension(const QString& name, const QStringList& dottedExtensions) {
    const QString lower = name.toLower();
    for (const QString& ext : dottedExtensions) {
        if (lower.endsWith(ext))
            return true;
    }
    return false;
}

QStringList entries(const QString& folder, QDir::Filters filters) {
    return QDir(folder).entryList(filters | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name | QDir::IgnoreCase);
}

bool appendMatching(const QStringList& found, QStringList& names,
                    const std::function<bool(const QString&)>& keep) {
    bool any = false;
    for (const QString& name : found) {
        if (keep(name)) {
            names.append(name);
            any = true;
        }
    }
    return any;
}

} // namespace

bool listFilesByExtension(const QString& folder, const QString& extensions, QStringList& names) {
    const bool all = extensions.trimmed() == kAll;
    const QStringList dotted = extensionList(extensions);
    return appendMatching(entries(folder, QDir::Files), names,
                          [&](const QString& name) { return all || hasExtension(name, dotted); });
}

bool listFilesContaining(const QString& folder, const QString& text, QStringList& names) {
    return appendMatching(entries(folder, QDir::Files), names,
                          [&](const QString& name) { return name.contains(text, Qt::CaseInsensitive); });
}

bool listSubfolders(const QString& folder, const QString& extensions, QStringList& names) {
    if (!QFileInfo(folder).isDir())
        return false;
    const bool all = extensions.trimmed() == kAll;
    const QStringList dotted = extensionList(extensions);
    return appendMatching(entries(folder, QDir::Dirs), names,
                          [&](const QString& name) { return all || hasExtension(name, dotted); });
}

QString getImageType(const QByteArray& bytes) {
    if (bytes.size() < 5)
        return {};
    if (bytes.startsWith("BM"))
        return QStringLiteral("bmp");
    if (bytes.startsWith("GIF"))
        return QStringLiteral("gif");
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpg");
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("png");
    return {};
}

bool saveBytesToFile(const QByteArray& bytes, const QString& path, QString* error) {
    if (bytes.isEmpty())
        return true;
    return writeBytesAtomically(path, bytes, error);
}

QString openTargetProblem(const QString& pathOrAddress) {
    const QUrl url(pathOrAddress);
    const bool local = url.scheme().isEmpty() || url.scheme().size() == 1 || url.isLocalFile();
    if (!local)
        return {};
    const QString path = url.isLocalFile() ? url.toLocalFile() : pathOrAddress;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.absoluteDir().exists())
        return QStringLiteral("路径没有找到");
    if (!info.exists())
        return QStringLiteral("文件没有找到");
    if (!info.isReadable())
        return QStringLiteral("该文件被拒绝访问");
    return {};
}

QString openFailedMessage(const QString& pathOrAddress) {
    const QUrl url(pathOrAddress);
    const bool local = url.scheme().isEmpty() || url.scheme().size() == 1 || url.isLocalFile();
    return local ? QStringLiteral("没有相应的文件连接") : QStringLiteral("其他未知错误");
}

QString checkFileNameChars(const QString& name, const QString& fieldLabel) {
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|',&");
    for (const QChar c : forbidden) {
        if (name.contains(c))
            return u'"' + fieldLabel + QStringLiteral("\"中不能包括以下字符：") + forbidden;
    }
    return {};
}

QString replaceInvalidFileNameChars(const QString& text) {
    static const QString invalid = QStringLiteral("\\/:*?\"<>|");
    QString out = text;
    for (QChar& c : out) {
        if (invalid.contains(c))
            c = u'_';
    }
    return out;
}
