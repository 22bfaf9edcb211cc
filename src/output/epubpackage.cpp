#include "output/epubpackage.h"

#include "output/epubxhtml.h"
#include "storage/files.h"

namespace EpubPackage {

namespace {

using EpubXhtml::escape;

const QString kXmlHead = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

QString attribute(const char* name, const QString& value) {
    return u' ' + QLatin1String(name) + QLatin1String("=\"") + escape(value) + u'"';
}

// Readers show an empty title as nothing at all; the navigation needs words to click on.
QString shown(const QString& title) {
    const QString text = title.simplified();
    return text.isEmpty() ? QStringLiteral("（无题）") : text;
}

void navList(QString& out, const QList<TocEntry>& entries, int depth) {
    const QString indent(depth * 2, u' ');
    out += indent + QLatin1String("<ol>\n");
    for (const TocEntry& entry : entries) {
        out += indent + QLatin1String("  <li><a") + attribute("href", entry.href) + u'>' +
               escape(shown(entry.title)) + QLatin1String("</a>");
        if (!entry.children.isEmpty()) {
            out += u'\n';
            navList(out, entry.children, depth + 2);
            out += indent + QLatin1String("  ");
        }
        out += QLatin1String("</li>\n");
    }
    out += indent + QLatin1String("</ol>\n");
}

void navPoints(QString& out, const QList<TocEntry>& entries, int depth, int& order) {
    const QString indent(depth * 2, u' ');
    for (const TocEntry& entry : entries) {
        ++order;
        out += indent + QLatin1String("<navPoint id=\"np") + QString::number(order) +
               QLatin1String("\" playOrder=\"") + QString::number(order) + QLatin1String("\">\n");
        out += indent + QLatin1String("  <navLabel><text>") + escape(shown(entry.title)) +
               QLatin1String("</text></navLabel>\n");
        out += indent + QLatin1String("  <content") + attribute("src", entry.href) + QLatin1String("/>\n");
        navPoints(out, entry.children, depth + 1, order);
        out += indent + QLatin1String("</navPoint>\n");
    }
}

int depthOf(const QList<TocEntry>& entries) {
    int depth = 0;
    for (const TocEntry& entry : entries)
        depth = std::max(depth, 1 + depthOf(entry.children));
    return depth;
}

QString htmlStart(const QString& title, const QString& styleHref, const QString& bodyClass) {
    return kXmlHead +
           QStringLiteral(
               "<!DOCTYPE html>\n"
               "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\""
               " lang=\"zh-CN\" xml:lang=\"zh-CN\">\n<head>\n<meta charset=\"UTF-8\"/>\n<title>") +
           escape(shown(title)) + QLatin1String("</title>\n<link rel=\"stylesheet\" type=\"text/css\"") +
           attribute("href", styleHref) + QLatin1String("/>\n</head>\n<body") +
           (bodyClass.isEmpty() ? QString() : attribute("class", bodyClass)) + QLatin1String(">\n");
}

} // namespace

QByteArray containerXml() {
    return (kXmlHead +
            QStringLiteral(
                "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                "  <rootfiles>\n    <rootfile full-path=\"") +
            kPackagePath +
            QStringLiteral(
                "\" media-type=\"application/oebps-package+xml\"/>\n  </rootfiles>\n</container>\n"))
        .toUtf8();
}

QByteArray packageDocument(const Metadata& metadata, const QList<Item>& manifest) {
    QString out = kXmlHead +
                  QStringLiteral("<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                                 "unique-identifier=\"bookid\" xml:lang=\"zh-CN\">\n"
                                 "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                                 "    <dc:identifier id=\"bookid\">") +
                  escape(metadata.identifier) + QLatin1String("</dc:identifier>\n    <dc:title>") +
                  escape(shown(metadata.title)) + QLatin1String("</dc:title>\n");
    if (!metadata.author.trimmed().isEmpty())
        out += QLatin1String("    <dc:creator>") + escape(metadata.author.trimmed()) +
               QLatin1String("</dc:creator>\n");
    out += QLatin1String("    <dc:language>zh-CN</dc:language>\n");
    if (!metadata.description.trimmed().isEmpty())
        out += QLatin1String("    <dc:description>") + escape(metadata.description.trimmed()) +
               QLatin1String("</dc:description>\n");
    if (!metadata.source.trimmed().isEmpty())
        out += QLatin1String("    <dc:source>") + escape(metadata.source.trimmed()) +
               QLatin1String("</dc:source>\n");
    out += QLatin1String("    <meta property=\"dcterms:modified\">") +
           metadata.modified.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) +
           QLatin1String("</meta>\n");
    for (const Item& item : manifest)
        if (item.properties == QLatin1String("cover-image")) // for readers that know the older way
            out += QLatin1String("    <meta name=\"cover\"") + attribute("content", item.id) +
                   QLatin1String("/>\n");
    out += QLatin1String("  </metadata>\n  <manifest>\n");
    for (const Item& item : manifest) {
        out += QLatin1String("    <item") + attribute("id", item.id) + attribute("href", item.href) +
               attribute("media-type", item.mediaType);
        if (!item.properties.isEmpty())
            out += attribute("properties", item.properties);
        out += QLatin1String("/>\n");
    }
    out += QLatin1String("  </manifest>\n  <spine toc=\"ncx\">\n");
    for (const Item& item : manifest)
        if (item.spine)
            out += QLatin1String("    <itemref") + attribute("idref", item.id) + QLatin1String("/>\n");
    out += QLatin1String("  </spine>\n</package>\n");
    return out.toUtf8();
}

QByteArray navDocument(const QString& bookTitle, const QList<TocEntry>& toc) {
    QString out = htmlStart(bookTitle, QStringLiteral("style.css"), QStringLiteral("nav"));
    out += QStringLiteral("<nav epub:type=\"toc\" id=\"toc\">\n<h1>目录</h1>\n");
    navList(out, toc, 0);
    out += QLatin1String("</nav>\n</body>\n</html>\n");
    return out.toUtf8();
}

QByteArray ncxDocument(const Metadata& metadata, const QList<TocEntry>& toc) {
    QString out = kXmlHead +
                  QStringLiteral("<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" "
                                 "xml:lang=\"zh-CN\">\n  <head>\n    <meta name=\"dtb:uid\"") +
                  attribute("content", metadata.identifier) +
                  QLatin1String("/>\n    <meta name=\"dtb:depth\" content=\"") +
                  QString::number(std::max(1, depthOf(toc))) +
                  QLatin1String("\"/>\n    <meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
                                "    <meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n  </head>\n"
                                "  <docTitle><text>") +
                  escape(shown(metadata.title)) + QLatin1String("</text></docTitle>\n  <navMap>\n");
    int order = 0;
    navPoints(out, toc, 2, order);
    out += QLatin1String("  </navMap>\n</ncx>\n");
    return out.toUtf8();
}

QByteArray contentDocument(const QString& title, const QString& body, const QString& styleHref,
                           const QString& bodyClass) {
    return (htmlStart(title, styleHref, bodyClass) + body + QLatin1String("</body>\n</html>\n")).toUtf8();
}

QString pictureMediaType(const QByteArray& head) {
    const QString type = getImageType(head);
    if (type == QLatin1String("jpg"))
        return QStringLiteral("image/jpeg");
    if (type == QLatin1String("png") || type == QLatin1String("gif"))
        return QLatin1String("image/") + type;
    return {};
}

} // namespace EpubPackage
