#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The texts of an e-book package: container, package document, navigation (nav.xhtml and, for
// older readers, toc.ncx) and content documents. Every text goes through EpubXhtml::escape.
namespace EpubPackage {

inline const QString kFolder = QStringLiteral("EPUB/");
inline const QString kPackagePath = QStringLiteral("EPUB/content.opf");

struct Metadata {
    QString identifier; // "urn:uuid:…"
    QString title;
    QString author;
    QString description;
    QString source; // where the novel was collected from
    QDateTime modified;
};

// One file of the book, relative to the package folder; spine items are read in manifest order.
struct Item {
    QString id;
    QString href;
    QString mediaType;
    QString properties; // "nav", "cover-image"…
    bool spine = false;
};

struct TocEntry {
    QString title;
    QString href;
    QList<TocEntry> children;
};

QByteArray containerXml();
QByteArray packageDocument(const Metadata& metadata, const QList<Item>& manifest);
QByteArray navDocument(const QString& bookTitle, const QList<TocEntry>& toc);
QByteArray ncxDocument(const Metadata& metadata, const QList<TocEntry>& toc);
// A content document with the body markup (already XHTML); styleHref leads to the style sheet.
QByteArray contentDocument(const QString& title, const QString& body, const QString& styleHref,
                           const QString& bodyClass = QString());

// "image/jpeg", "image/png", "image/gif" from a picture's first bytes; "" for a type readers need
// not show (bmp, tiff) or bytes that are no picture.
QString pictureMediaType(const QByteArray& head);

} // namespace EpubPackage
