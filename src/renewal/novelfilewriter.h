#pragma once

#include "storage/libraryfolder.h"

#include <QByteArray>
#include <QString>

class Settings;

// Writes chapter pages chm/<NovelID>/<id>.htm: a chapter text goes into the chapter template of the
// current display style, a whole page is written as it is; in the display charset, Big5 pages in
// traditional script. Files are replaced atomically.
class NovelFileWriter {
public:
    // The template of the style named by ArticleStyle and the charset setting, read once.
    NovelFileWriter(const LibraryFolder& folder, const Settings& settings);
    NovelFileWriter(const LibraryFolder& folder, const QString& chapterTemplate,
                    const QString& displayCharset);

    // charset "" means the display charset; only then is a "big5" page converted to traditional.
    bool writeNovelFile(const QString& novelId, qint64 chapterId, const QString& text, const QString& title,
                        const QString& charset = QString(), QString* error = nullptr) const;

    // The page as written, before encoding.
    QString pageText(const QString& text, const QString& title, const QString& charset = QString()) const;
    QByteArray pageBytes(const QString& text, const QString& title, const QString& charset = QString()) const;

    // "[[title]]" and "[[Content]]" filled in one pass (a chapter text holding "[[title]]" keeps it);
    // the title is escaped, the text goes in as HTML.
    static QString fillChapterTemplate(const QString& pageTemplate, const QString& title,
                                       const QString& content);
    // True when the text is a whole page already (it has a head, a meta tag or an XML declaration).
    static bool isWholePage(const QString& text);

private:
    QString effectiveCharset(const QString& charset) const;

    LibraryFolder m_folder;
    QString m_template;
    QString m_displayCharset;
};
