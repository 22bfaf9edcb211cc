#pragma once

#include "storage/libraryfolder.h"
#include "storage/storedchapterpage.h"

#include <QCoreApplication>
#include <QString>

class Database;
class LibraryContext;

// One chapter page opened for editing. Only the chapter text between the content markers is handed
// out and put back, so the template, title, doctype and markers of the page survive any edit; a page
// without markers is edited whole. A save writes the page in the charset it was read in and gives the
// chapter row the new text length, both or neither.
class ChapterPageEdit {
    Q_DECLARE_TR_FUNCTIONS(ChapterPageEdit)

public:
    // charsetSetting: the library's display charset, as StoredChapterPage reads pages with it.
    ChapterPageEdit(const Database& db, const LibraryFolder& folder, const QString& novelId, qint64 chapterId,
                    const QString& charsetSetting = QString());
    // A page of the library, read with its display charset.
    ChapterPageEdit(const LibraryContext& library, const QString& novelId, qint64 chapterId);

    // "" when the page was read; else the message ("文件没有找到").
    QString open();

    // The editable text as it was read: the text between the markers, or the whole page.
    QString content() const { return m_content; }
    bool hasMarkers() const { return m_hasMarkers; }
    QString path() const;
    QString charset() const { return m_page.charset; }

    // Puts edited back into the page and writes it; "" on success, else "保存失败：" and the reason,
    // with the file and the row as they were.
    QString save(const QString& edited);

    // The page as a save of edited would write it (decoded text).
    QString pageWith(const QString& edited) const;
    // The count a download gives the chapter's text: its length without surrounding blanks.
    static int wordNums(const QString& content);

private:
    const Database& m_db;
    LibraryFolder m_folder;
    QString m_novelId;
    qint64 m_chapterId = 0;
    QString m_charsetSetting;
    QByteArray m_bytes;
    StoredChapterPage m_page;
    QString m_content;
    bool m_hasMarkers = false;
    bool m_open = false;
};
