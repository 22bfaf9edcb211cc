#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

struct chmFile;

// A compiled help book read with chmlib: its files, its system records, the contents file and the
// charset of its texts, and unpacking it into a folder.
class ChmArchive {
public:
    explicit ChmArchive(const QString& path);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    bool isOpen() const { return m_file != nullptr; }

    bool contains(const QString& name) const;
    // The bytes of the object ("/chm/000001/1.htm"); empty when there is none.
    QByteArray object(const QString& name) const;
    // The book's own files, in the archive's order: folders and the compiler's internal objects
    // ("/#…", "/$…", "::…") left out.
    QStringList files() const;

    // The records of #SYSTEM: code and data.
    QList<QPair<int, QByteArray>> systemRecords() const;
    // A string of #STRINGS by offset, as the window definitions refer to them.
    QByteArray string(quint32 offset) const;
    // A 32-bit field of the first window definition of #WINDOWS; 0xFFFFFFFF when there is none.
    quint32 windowField(int offset) const;

    // The contents file ("/temp.hhc"): the one #SYSTEM names, else the first .hhc; "" when none.
    QString contentsFile() const;
    // The language's Windows LCID from #SYSTEM (0 when not given).
    int language() const;
    // The charset its texts are written in: "GB18030" for simplified Chinese, "Big5" for traditional,
    // else "UTF-8".
    QByteArray charset() const;

    // Objects larger than this are refused (object() gives nothing, unpack() fails).
    static constexpr quint64 kMaxObjectSize = 64ull * 1024 * 1024;

    // The archive name as a path from the book's root ("/a/./b.htm" → "a/b.htm"); "" for a name that
    // would leave the root.
    static QString normalName(const QString& name);

    // Called before each file with the count done and the total; false stops the work.
    using Progress = std::function<bool(int done, int total)>;
    // Writes every file of the book under folder, each atomically. A name that would leave the folder
    // ("/../x") is skipped. False, with the message, when a file cannot be written or is too large,
    // or when progress stopped it.
    bool unpack(const QString& folder, QString* error = nullptr, const Progress& progress = {}) const;

private:
    chmFile* m_file = nullptr;
};
