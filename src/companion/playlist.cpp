#include "companion/playlist.h"

#include "storage/recordlists.h"
#include "storage/textfile.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>

namespace {

// Paths compare as written, but "a//b" and "a/b" are one file.
QString normalised(const QString& path) {
    return QDir::cleanPath(path);
}

} // namespace

const QStringList& PlayList::extensions() {
    static const QStringList kExtensions{QStringLiteral("wav"), QStringLiteral("mp3"),
                                         QStringLiteral("mid"), QStringLiteral("midi"),
                                         QStringLiteral("rmi"), QStringLiteral("wma")};
    return kExtensions;
}

bool PlayList::isMusicFile(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.indexOf(u'/', dot) >= 0)
        return false;
    const QStringView suffix = QStringView(path).mid(dot + 1);
    return std::any_of(extensions().begin(), extensions().end(),
                       [&](const QString& e) { return suffix.compare(e, Qt::CaseInsensitive) == 0; });
}

PlayList::PlayList() {
    setGenerator({});
}

bool PlayList::load(const QString& path) {
    return loadMusicList(path, m_entries);
}

bool PlayList::save(const QString& path, QString* error) const {
    QString text;
    for (const QString& entry : m_entries)
        text += entry + QLatin1String("\r\n");
    return writeTextFile(path, text, "GB18030", error);
}

void PlayList::addFiles(const QStringList& paths) {
    for (const QString& path : paths)
        if (!path.trimmed().isEmpty())
            m_entries << path;
}

int PlayList::addFolder(const QString& folder) {
    QStringList names;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (isMusicFile(name))
            names << name;
    }
    if (names.isEmpty())
        return 0;
    std::sort(names.begin(), names.end());
    // A set, not a search of the list per file: a folder of thousands meets a list of thousands.
    QSet<QString> known;
    known.reserve(m_entries.size() + names.size());
    for (const QString& entry : m_entries)
        known.insert(normalised(entry));
    const QString base = normalised(folder) + u'/';
    int added = 0;
    for (const QString& name : names) {
        QString path = base + name;
        if (known.contains(path))
            continue;
        known.insert(path);
        m_entries << std::move(path);
        ++added;
    }
    return added;
}

void PlayList::removeRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows)
        if (row >= 0 && row < m_entries.size())
            m_entries.removeAt(row);
}

int PlayList::next(int index) const {
    if (isEmpty())
        return -1;
    return index < 0 || index + 1 >= size() ? 0 : index + 1;
}

int PlayList::previous(int index) const {
    if (isEmpty())
        return -1;
    return index <= 0 || index > size() ? size() - 1 : index - 1;
}

int PlayList::pick(int bound) const {
    if (bound <= 0)
        return -1;
    return std::clamp(m_generator(bound), 0, bound - 1);
}

void PlayList::setGenerator(Generator generator) {
    if (!generator)
        generator = [](int bound) { return int(QRandomGenerator::global()->bounded(bound)); };
    m_generator = std::move(generator);
}
