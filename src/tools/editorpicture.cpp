#include "tools/editorpicture.h"

#include "storage/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("EditorPicture", text);
}

const QStringList kKeptExtensions = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                     QStringLiteral("gif"), QStringLiteral("bmp"),  QStringLiteral("webp"),
                                     QStringLiteral("svg")};

// An SVG is text: after a byte-order mark, blanks, an XML declaration, comments and a doctype, its
// first element is <svg>.
bool looksLikeSvg(QByteArray head) {
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    static const QRegularExpression svg(QStringLiteral(
        "^\\s*(?:<\\?xml[^>]*\\?>\\s*)?(?:<!--[\\s\\S]*?-->\\s*|<!DOCTYPE[^>]*>\\s*)*<svg[\\s>]"));
    return svg.match(QString::fromLatin1(head)).hasMatch();
}

// The extension the copy gets: the source's when it names a picture, unless it would make a browser
// take a drawing for a raster picture or the other way round (it trusts the name of an SVG only).
QString extensionFor(const QString& sourceSuffix, const QString& type) {
    const QString suffix = sourceSuffix.toLower();
    if (kKeptExtensions.contains(suffix) &&
        (suffix == QLatin1String("svg")) == (type == QLatin1String("svg")))
        return suffix;
    return type;
}

// A file name as an address relative to the page: only what would end the path or start a scheme is
// escaped, so Chinese names stay readable in the source view.
QString relativeSrc(const QString& fileName) {
    QString src;
    for (const QChar c : fileName) {
        if (QStringLiteral(" \"#%'<>?:\\").contains(c))
            src += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            src += c;
    }
    return src;
}

enum class AddressKind { Web, Local, Unsupported };

// http and https in any case; "file:"; a path (a one-letter "scheme" is a drive). Anything else, such
// as javascript: or data:, is no picture of a chapter.
AddressKind kindOf(const QString& address, QString* localPath, const QString& baseDir) {
    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QString scheme = schemePattern.match(address).captured(1).toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return AddressKind::Web;
    if (scheme == QLatin1String("file")) {
        const QUrl url(address, QUrl::TolerantMode);
        if (!url.isValid() || !url.isLocalFile())
            return AddressKind::Unsupported;
        *localPath = QDir(baseDir).absoluteFilePath(url.toLocalFile());
        return AddressKind::Local;
    }
    if (scheme.size() > 1)
        return AddressKind::Unsupported;
    QString path = address;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    *localPath = QDir(baseDir).absoluteFilePath(path);
    return AddressKind::Local;
}

} // namespace

QString editorPictureType(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("jpg");
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("png");
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return QStringLiteral("gif");
    // "BM", the file size, two reserved words and the offset of the pixels: a plain "BM" starts many
    // text files.
    if (head.size() >= 18 && head.startsWith("BM") && head.mid(6, 4) == QByteArray(4, '\0'))
        return QStringLiteral("bmp");
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return QStringLiteral("webp");
    if (looksLikeSvg(head))
        return QStringLiteral("svg");
    return {};
}

EditorPicture placeEditorPicture(const LibraryFolder& folder, const QString& novelId, qint64 chapterId,
                                 const QString& address) {
    const QString given = address.trimmed();
    if (given.isEmpty())
        return {{}, tr("图片文件路径不能为空")};
    const QString novelDir = folder.novelDir(novelId);
    QString path;
    switch (kindOf(given, &path, novelDir)) {
    case AddressKind::Web:
        return {given, {}};
    case AddressKind::Unsupported:
        return {{}, tr("不支持的图片地址：") + given};
    case AddressKind::Local:
        break;
    }
    // A novel id of the library is six digits; anything that could lead out of chm/ is refused.
    if (novelId.isEmpty() || novelId.contains(u'/') || novelId.contains(u'\\') || novelId.startsWith(u'.'))
        return {{}, tr("无法复制图片：") + tr("小说编号无效")};

    const QFileInfo source(path);
    if (!source.exists())
        return {{}, tr("图片文件不存在：") + path};
    if (!source.isFile())
        return {{}, tr("不是图片文件：") + path};
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {{}, tr("无法复制图片：") + in.errorString()};
    const QString type = editorPictureType(in.read(4096));
    if (type.isEmpty())
        return {{}, tr("不是图片文件：") + path};

    // A picture of the page's own folder (one inserted before, or downloaded with the chapter) is
    // named as it is.
    const QString canonicalDir = QFileInfo(novelDir).canonicalFilePath();
    if (!canonicalDir.isEmpty() && QFileInfo(source.canonicalFilePath()).absolutePath() == canonicalDir)
        return {relativeSrc(QFileInfo(source.canonicalFilePath()).fileName()), {}};

    in.seek(0);
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return {{}, tr("无法复制图片：") + in.errorString()};
    const QString stem = novelDir + u'/' + novelId + u'_' + QString::number(chapterId) + u'_';
    const QString extension = extensionFor(source.suffix(), type);
    int n = 1;
    while (QFileInfo::exists(stem + QString::number(n) + u'.' + extension))
        ++n;
    const QString target = stem + QString::number(n) + u'.' + extension;
    QString error;
    if (!writeBytesAtomically(target, bytes, &error))
        return {{}, tr("无法复制图片：") + error};
    return {relativeSrc(QFileInfo(target).fileName()), {}};
}
