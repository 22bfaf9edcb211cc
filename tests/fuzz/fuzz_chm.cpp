// Any bytes as a compiled help book: reading its directory, records, contents and objects never
// crashes, and neither names nor unpacking ever leave the book's folder.
#include "fuzzinput.h"

#include "addnovel/importcontents.h"
#include "output/chmarchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.chm"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const ChmArchive archive(path);
    if (!archive.isOpen())
        return 0;
    const QStringList files = archive.files();
    for (const QString& name : files) {
        const QString normal = ChmArchive::normalName(name);
        fuzzCheck(!normal.split(u'/').contains(QStringLiteral("..")) && !normal.startsWith(u'/'));
        fuzzCheck(quint64(archive.object(name).size()) <= ChmArchive::kMaxObjectSize);
    }
    archive.language();
    archive.systemRecords();
    const QString contents = archive.contentsFile();
    if (!contents.isEmpty())
        for (const ImportEntry& entry : parseContentsFile(QString::fromUtf8(archive.object(contents))))
            fuzzCheck(!entry.page.split(u'/').contains(QStringLiteral("..")));

    // Unpacking writes below the chosen folder only: its parent holds nothing else afterwards.
    QTemporaryDir outer;
    archive.unpack(outer.filePath(QStringLiteral("a/b")));
    const QStringList top = QDir(outer.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    fuzzCheck(top.isEmpty() || top == QStringList{QStringLiteral("a")});
    if (!top.isEmpty())
        fuzzCheck(QDir(outer.filePath(QStringLiteral("a"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden) ==
                  QStringList{QStringLiteral("b")});
    return 0;
}
