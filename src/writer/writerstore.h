#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

class Database;
class QDateTime;

// One row of book_Writer, Null read as "" (and 0 for the numbers).
struct WriterNote {
    enum Type { Category = 0, Link = 1, Text = 2, Picture = 3 };

    qint64 id = 0;
    QString novelId;
    qint64 topId = 0; // parent category; 0 at the top
    int displayOrder = 0;
    QString title;
    int type = Category;
    QString url;
    QString remark;
    int depth = 0; // filled by WriterStore::tree(): 0 for a top-level note
};

// The writing assistant's notes of a novel (book_Writer): categories holding links, texts and pictures.
class WriterStore {
    Q_DECLARE_TR_FUNCTIONS(WriterStore)

public:
    explicit WriterStore(const Database& db)
        : m_db(db) {}

    // The type names, indexed by iType: 分类, 链接, 文本, 图片; -1 for a name that is none of them.
    static QString typeName(int type);
    static int typeOf(const QString& name);

    // What opening the assistant does: the table when missing, and for a novel without notes the four
    // categories 人物, 图片, 典故, 事件. False when the database refused.
    bool ensureNovel(const QString& novelId) const;

    // The novel's whole tree, parent before children, siblings by displayorder.
    QList<WriterNote> tree(const QString& novelId) const;
    // The note with that id (id 0 when there is none).
    WriterNote note(qint64 id) const;
    // Where a new note goes when this one is selected: a category takes it, any other note passes it to
    // its own category; 0 (the top) for nothing selected.
    qint64 parentFor(qint64 selectedId) const;

    struct Result {
        qint64 id = 0;
        QString error; // the message for the user; empty on success
        bool ok() const { return error.isEmpty(); }
    };
    // The form's checks: a name, and an address for links and pictures.
    static QString validate(const WriterNote& note);
    // Adds the note at the end of its parent (which must be the top or a category of the same novel).
    Result insertNote(const WriterNote& note) const;
    // Title, address and remark; the type stays.
    Result updateNote(qint64 id, const QString& title, const QString& url, const QString& remark) const;
    // The note and everything below it, at every depth, or nothing. The ids deleted, the note's first.
    QList<qint64> deleteSubtree(qint64 id) const;
    // Exchanges places with the previous (up) or next sibling; at the ends nothing changes.
    enum class Swap { Moved, AtEnd, Failed };
    Swap swapWithSibling(qint64 id, bool up) const;
    // Puts the note, with what is below it, at the end of another category (0: the top).
    Result moveTo(qint64 id, qint64 newParent) const;

    // The file name a picture copied into the novel's folder gets: the time as YYYYMMDDHHMMSS and the
    // source's extension ("jpg" without one); "_1", "_2" … when the folder already holds that name.
    static QString pictureFileName(const QString& folder, const QDateTime& when, const QString& sourceName);
    // Copies the picture into the folder under that name; the copy's path, or "" with the error set.
    static QString copyPicture(const QString& source, const QString& folder, const QDateTime& when,
                               QString* error);

private:
    int nextOrder(const QString& novelId, qint64 parent) const;
    QString checkParent(const QString& novelId, qint64 parent) const;

    const Database& m_db;
};
