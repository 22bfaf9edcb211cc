#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

class LibraryContext;

// The writing assistant's side of a novel's own chapters: the text of a chapter as plain text, saved
// back as a page of the chapter template, and the new volumes and chapters an author adds. Moves,
// renames of chapters and deletions are the chapter menu's (ChapterEditor). Every change writes the
// novel's contents page again.
class WriterChapters {
    Q_DECLARE_TR_FUNCTIONS(WriterChapters)

public:
    WriterChapters(LibraryContext& library, const QString& novelId);

    // The novel's chapters in list order as the tree shows them; volume "" for those without one.
    struct Entry {
        qint64 id = 0;
        QString title;
        QString volume;
    };
    QList<Entry> outline() const;

    // The chapter's text between the content markers as the reading view shows it; "" without a page.
    QString text(qint64 chapterId) const;
    // Whether the page holds what a plain-text save would lose: pictures, tables or links.
    bool hasRichContent(qint64 chapterId) const;
    // Writes the text as the chapter's page (the template, the chapter's title) and its length as the
    // chapter's WordNums, both or neither. "" or the message.
    QString save(qint64 chapterId, const QString& text) const;

    // "新分卷<n>" / "新章节<m>": one past the largest number following the words in the novel.
    QString newVolumeName() const;
    // A new volume with its first chapter at the end of the novel; the chapter's id, 0 with error set.
    qint64 addVolume(QString* error) const;
    // A new chapter after afterId (in its volume), else at the end of the volume named (the end of the
    // novel when that volume has no chapter yet), else at the end of the novel. "正文" names the
    // chapters without a volume.
    qint64 addChapter(qint64 afterId, const QString& volume, QString* error) const;
    // Every chapter of volume old takes the name new; "正文" is the chapters without a volume.
    QString renameVolume(const QString& oldName, const QString& newName) const;

    static QString mainVolumeName();

private:
    void rewriteListPage() const;

    LibraryContext& m_library;
    QString m_novelId;
};
