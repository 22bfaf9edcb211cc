#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// The files of an e-book gathered in memory and written as one zip archive in the order they were
// added, "mimetype" first and stored as the readers look for it. The archive is written next to its
// target under a temporary name and renamed over the target only when it is complete.
class EpubArchive {
public:
    EpubArchive();

    // stored: kept uncompressed (pictures gain nothing from deflating).
    void add(const QString& name, QByteArray bytes, bool stored = false);
    qsizetype count() const { return m_entries.size(); }

    using Progress = std::function<void(double fraction)>;
    using Cancel = std::function<bool()>;
    // False with *error set on failure, false with an empty error when cancel said so; the target is
    // untouched then.
    bool write(const QString& target, QString* error, const Progress& progress = {},
               const Cancel& cancel = {}) const;
    // The same files as a folder (for comparing with other zip tools).
    bool writeFolder(const QString& folder, QString* error) const;

private:
    struct Entry {
        QString name;
        QByteArray bytes;
        bool stored = false;
    };
    QList<Entry> m_entries;
};
