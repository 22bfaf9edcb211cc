#include "output/chmarchive.h"

#include "storage/textfile.h"
#include "text/url.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtEndian>

#include <chm_lib.h>

#include <optional>

namespace {

int collect(chmFile*, chmUnitInfo* ui, void* context) {
    const QString name = QString::fromUtf8(ui->path);
    // The compiler's own objects: system files, the content sections, the name lists.
    if (!name.startsWith(QLatin1String("/#")) && !name.startsWith(QLatin1String("/$")) &&
        !name.startsWith(QLatin1String("::")))
        static_cast<QStringList*>(context)->append(name);
    return CHM_ENUMERATOR_CONTINUE;
}

// Whether the directory can be listed by chmlib without harm. chmlib trusts the headers: it allocates
// a block of the length they give for every listing, and follows the chain of listing blocks
// wherever it leads, for ever when it runs in a circle. Real books use blocks of a few KiB.
bool directoryIsSound(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(0x58);
    if (head.size() < 0x58 || !head.startsWith("ITSF"))
        return false;
    const quint64 directory = qFromLittleEndian<quint64>(head.constData() + 0x48);
    if (directory > quint64(file.size()) || !file.seek(qint64(directory)))
        return false;
    const QByteArray itsp = file.read(0x54);
    if (itsp.size() < 0x2C || !itsp.startsWith("ITSP"))
        return false;
    const quint32 headerLength = qFromLittleEndian<quint32>(itsp.constData() + 0x08);
    const quint32 blockLength = qFromLittleEndian<quint32>(itsp.constData() + 0x10);
    const qint32 first = qFromLittleEndian<qint32>(itsp.constData() + 0x20);
    if (blockLength < 0x14 || blockLength > 1024 * 1024)
        return false;
    // Follow the listing blocks as chmlib will: each once, within the file. On the way, find the
    // table of compressed blocks: chmlib divides by its block length.
    const QByteArray resetTable =
        "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";
    std::optional<quint64> resetTableOffset;
    QSet<qint32> visited;
    for (qint32 block = first; block != -1;) {
        if (block < 0 || visited.contains(block))
            return false;
        visited.insert(block);
        const quint64 at = directory + headerLength + quint64(block) * blockLength;
        if (at + blockLength > quint64(file.size()) || !file.seek(qint64(at)))
            return false;
        const QByteArray pmgl = file.read(blockLength);
        if (!pmgl.startsWith("PMGL"))
            break; // chmlib stops at a block that is no listing block
        const quint32 freeSpace = qFromLittleEndian<quint32>(pmgl.constData() + 0x04);
        const qsizetype end = freeSpace < blockLength ? qsizetype(blockLength - freeSpace) : 0;
        for (qsizetype p = 0x14; p < end;) {
            const auto encint = [&]() -> quint64 {
                quint64 value = 0;
                while (p < end) {
                    const auto byte = quint8(pmgl.at(p++));
                    value = (value << 7) | (byte & 0x7F);
                    if (!(byte & 0x80))
                        break;
                }
                return value;
            };
            const quint64 nameLength = encint();
            if (nameLength > quint64(end - p))
                break;
            const QByteArray name = pmgl.mid(p, qsizetype(nameLength));
            p += qsizetype(nameLength);
            encint(); // section: chmlib reads this table from section 0 whatever it says
            const quint64 offset = encint();
            const quint64 length = encint();
            if (name == resetTable) {
                if (length < 0x28)
                    return false;
                resetTableOffset = offset;
            }
        }
        block = qFromLittleEndian<qint32>(pmgl.constData() + 0x10);
    }
    if (resetTableOffset) {
        // Section 0 starts where the headers say (version 3), else after the directory.
        const quint32 version = qFromLittleEndian<quint32>(head.constData() + 0x04);
        quint64 content = directory + qFromLittleEndian<quint64>(head.constData() + 0x50);
        if (version >= 3 && file.seek(0x58)) {
            const QByteArray more = file.read(8);
            if (more.size() == 8)
                content = qFromLittleEndian<quint64>(more.constData());
        }
        if (!file.seek(qint64(content + *resetTableOffset)))
            return false;
        const QByteArray table = file.read(0x28);
        if (table.size() < 0x28 || qFromLittleEndian<quint64>(table.constData() + 0x20) == 0)
            return false;
    }
    return true;
}

} // namespace

ChmArchive::ChmArchive(const QString& path) {
    if (directoryIsSound(path))
        m_file = chm_open(QFile::encodeName(path).constData());
}

ChmArchive::~ChmArchive() {
    if (m_file)
        chm_close(m_file);
}

bool ChmArchive::contains(const QString& name) const {
    chmUnitInfo ui;
    return m_file && chm_resolve_object(m_file, name.toUtf8().constData(), &ui) == CHM_RESOLVE_SUCCESS;
}

QByteArray ChmArchive::object(const QString& name) const {
    chmUnitInfo ui;
    if (!m_file || chm_resolve_object(m_file, name.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return {};
    // The length is the book's word: a damaged or hostile book must not make us allocate gigabytes.
    if (ui.length > kMaxObjectSize)
        return {};
    QByteArray bytes(qsizetype(ui.length), Qt::Uninitialized);
    const LONGINT64 got = chm_retrieve_object(m_file, &ui, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                              LONGINT64(ui.length));
    bytes.truncate(qsizetype(got < 0 ? 0 : got));
    return bytes;
}

QStringList ChmArchive::files() const {
    QStringList names;
    if (m_file)
        chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, &collect, &names);
    return names;
}

QList<QPair<int, QByteArray>> ChmArchive::systemRecords() const {
    const QByteArray system = object(QStringLiteral("/#SYSTEM"));
    QList<QPair<int, QByteArray>> records;
    for (qsizetype at = 4; at + 4 <= system.size();) {
        const int code = qFromLittleEndian<quint16>(system.constData() + at);
        const int length = qFromLittleEndian<quint16>(system.constData() + at + 2);
        records.append({code, system.mid(at + 4, length)});
        at += 4 + length;
    }
    return records;
}

QByteArray ChmArchive::string(quint32 offset) const {
    const QByteArray strings = object(QStringLiteral("/#STRINGS"));
    if (offset == 0 || offset >= quint32(strings.size()))
        return {};
    const qsizetype end = strings.indexOf('\0', offset);
    return strings.mid(offset, end < 0 ? -1 : end - offset);
}

quint32 ChmArchive::windowField(int offset) const {
    const QByteArray windows = object(QStringLiteral("/#WINDOWS"));
    if (offset < 0 || windows.size() < 8 + offset + 4)
        return 0xFFFFFFFF;
    return qFromLittleEndian<quint32>(windows.constData() + 8 + offset);
}

QString ChmArchive::contentsFile() const {
    for (const auto& [code, data] : systemRecords()) {
        if (code != 0)
            continue;
        const qsizetype end = data.indexOf('\0');
        const QString name = QString::fromLatin1(data.left(end < 0 ? data.size() : end));
        if (!name.isEmpty())
            return name.startsWith(u'/') ? name : u'/' + name;
    }
    for (const QString& name : files())
        if (name.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive))
            return name;
    return {};
}

int ChmArchive::language() const {
    for (const auto& [code, data] : systemRecords())
        if (code == 4 && data.size() >= 4)
            return int(qFromLittleEndian<quint32>(data.constData()));
    return 0;
}

QByteArray ChmArchive::charset() const {
    switch (language()) {
    case 0x804:
        return "GB18030";
    case 0x404:
        return "Big5";
    default:
        return "UTF-8";
    }
}

QString ChmArchive::normalName(const QString& name) {
    return resolveRelativePath(QString(), name);
}

bool ChmArchive::unpack(const QString& folder, QString* error, const Progress& progress) const {
    const QString root = QDir::cleanPath(folder);
    const QStringList names = files();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (progress && !progress(int(i), int(names.size())))
            return false;
        // A name that would leave the chosen folder ("/../../.bashrc") is not written at all.
        const QString name = normalName(names.at(i));
        if (name.isEmpty() || names.at(i).endsWith(u'/'))
            continue;
        chmUnitInfo ui;
        if (chm_resolve_object(m_file, names.at(i).toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
            continue;
        if (ui.length > kMaxObjectSize) {
            if (error)
                *error = QStringLiteral("文件过大：") + name;
            return false;
        }
        if (!writeBytesAtomically(root + u'/' + name, object(names.at(i)), error))
            return false;
    }
    return true;
}
