#pragma once

// Reads a compiled book back with chmlib, the way CHM viewers do.

#include <chm_lib.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtEndian>

class ChmReader {
public:
    explicit ChmReader(const QString& path)
        : m_file(chm_open(QFile::encodeName(path).constData())) {}
    ~ChmReader() {
        if (m_file)
            chm_close(m_file);
    }
    ChmReader(const ChmReader&) = delete;
    ChmReader& operator=(const ChmReader&) = delete;

    bool isOpen() const { return m_file != nullptr; }

    bool contains(const QString& name) const {
        chmUnitInfo ui;
        return m_file && chm_resolve_object(m_file, name.toUtf8().constData(), &ui) == CHM_RESOLVE_SUCCESS;
    }

    QByteArray object(const QString& name) const {
        chmUnitInfo ui;
        if (!m_file || chm_resolve_object(m_file, name.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
            return {};
        QByteArray bytes(qsizetype(ui.length), Qt::Uninitialized);
        const LONGINT64 got = chm_retrieve_object(m_file, &ui, reinterpret_cast<unsigned char*>(bytes.data()),
                                                  0, LONGINT64(ui.length));
        bytes.truncate(qsizetype(got < 0 ? 0 : got));
        return bytes;
    }

    // Every file name, directories left out.
    QStringList files() const {
        QStringList names;
        if (m_file)
            chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, &ChmReader::collect, &names);
        return names;
    }

    // The records of #SYSTEM: code → data.
    QList<QPair<int, QByteArray>> systemRecords() const {
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

    // A string of #STRINGS by offset, as the window definition refers to them.
    QByteArray string(quint32 offset) const {
        const QByteArray strings = object(QStringLiteral("/#STRINGS"));
        if (offset == 0 || offset >= quint32(strings.size()))
            return {};
        const qsizetype end = strings.indexOf('\0', offset);
        return strings.mid(offset, end < 0 ? -1 : end - offset);
    }

    // A 32-bit field of the first window definition of #WINDOWS.
    quint32 windowField(int offset) const {
        const QByteArray windows = object(QStringLiteral("/#WINDOWS"));
        if (windows.size() < 8 + offset + 4)
            return 0xFFFFFFFF;
        return qFromLittleEndian<quint32>(windows.constData() + 8 + offset);
    }

private:
    static int collect(chmFile*, chmUnitInfo* ui, void* context) {
        static_cast<QStringList*>(context)->append(QString::fromUtf8(ui->path));
        return CHM_ENUMERATOR_CONTINUE;
    }

    chmFile* m_file = nullptr;
};
