#include "storage/filechanges.h"

#include "storage/textfile.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray readBytes(const QString& path, bool* ok) {
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

} // namespace

bool FileChanges::write(const QString& path, const QByteArray& bytes, QString* error) {
    Old old{path, QFile::exists(path), {}};
    if (old.existed) {
        bool ok = false;
        old.bytes = readBytes(path, &ok);
        if (!ok) {
            if (error)
                *error = QFile(path).errorString();
            return false;
        }
    }
    QDir().mkpath(path.section(u'/', 0, -2));
    if (!writeBytesAtomically(path, bytes, error))
        return false;
    m_written.append(old);
    return true;
}

bool FileChanges::copy(const QString& from, const QString& to, QString* error) {
    bool ok = false;
    const QByteArray bytes = readBytes(from, &ok);
    if (!ok) {
        if (error)
            *error = QFile(from).errorString();
        return false;
    }
    return write(to, bytes, error);
}

void FileChanges::rollBack() {
    for (auto it = m_written.crbegin(); it != m_written.crend(); ++it) {
        if (it->existed)
            writeBytesAtomically(it->path, it->bytes);
        else
            QFile::remove(it->path);
    }
    m_written.clear();
    m_removals.clear();
}

void FileChanges::commit() {
    for (const QString& path : std::as_const(m_removals))
        QFile::remove(path);
    m_written.clear();
    m_removals.clear();
}
