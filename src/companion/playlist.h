#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The background music's play list: full file paths in playing order, kept in musiclist.dat of the
// library folder.
class PlayList {
public:
    // A uniform choice below bound (bound >= 1); tests give a fixed sequence.
    using Generator = std::function<int(int bound)>;

    static QString fileName() { return QStringLiteral("musiclist.dat"); }
    // The extensions "添加目录" takes, in any case.
    static const QStringList& extensions();
    static bool isMusicFile(const QString& path);

    PlayList();

    // False (list unchanged) when the file is missing or holds no entry.
    bool load(const QString& path);
    // One path a line, "\r\n", GB18030, all or nothing.
    bool save(const QString& path, QString* error = nullptr) const;

    const QStringList& entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QString at(int index) const { return m_entries.value(index); }

    // What the file dialog gave, each appended as it is.
    void addFiles(const QStringList& paths);
    // The music files of the folder (not its subfolders) in name order, except those already listed.
    // Returns how many were added.
    int addFolder(const QString& folder);
    // Rows out of range are ignored.
    void removeRows(QList<int> rows);
    void clear() { m_entries.clear(); }

    // The neighbours of index, wrapping at the ends; -1 for an empty list.
    int next(int index) const;
    int previous(int index) const;
    int randomIndex() const { return pick(size()); }
    int pick(int bound) const;
    void setGenerator(Generator generator);

private:
    QStringList m_entries;
    Generator m_generator;
};
