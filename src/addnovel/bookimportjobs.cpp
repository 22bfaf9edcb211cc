#include "addnovel/bookimportjobs.h"

#include "addnovel/importcontents.h"
#include "output/chmarchive.h"
#include "storage/files.h"
#include "storage/librarycontext.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

namespace {

// "2.txt" before "10.txt": runs of digits compare by their value. (QCollator's numeric mode needs a
// locale the C locale of a desktop session may not give.)
bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            const QString x = a.mid(i, ei - i).remove(QRegularExpression(QStringLiteral("^0+")));
            const QString y = b.mid(j, ej - j).remove(QRegularExpression(QStringLiteral("^0+")));
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (const int c = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive); c != 0)
            return c < 0;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

ImportJob::ImportJob(LibraryContext& library, QObject* parent)
    : Job(parent)
    , m_library(library) {}

void ImportJob::run() {
    const auto release = qScopeGuard([this] { m_library.database().releaseThreadConnection(); });
    BookImporter importer(m_library.database(), m_library.folder(), m_library.settings());
    const QList<ImportItem> items = importer.existingOnce(collect(importer));
    if (!m_result.error.isEmpty())
        return;
    if (items.isEmpty()) {
        m_result.error = ChmImportJob::invalidBookMessage();
        return;
    }
    const QString text = progressText();
    m_result = store(importer, items, [this, &text](int done, int total) {
        setProgress(done, total);
        setStatus(text + QString::number(total > 0 ? done * 100.0 / total : 100.0, 'f', 2) + u'%');
        return !stopRequested();
    });
    setStatus(m_result.ok() ? doneText() : QString());
}

// ---- compiled help books

ChmImportJob::ChmImportJob(LibraryContext& library, QString chmPath, QString categoryCode, QString name,
                           QObject* parent)
    : ImportJob(library, parent)
    , m_chmPath(std::move(chmPath))
    , m_categoryCode(std::move(categoryCode))
    , m_name(std::move(name)) {}

ChmImportJob::~ChmImportJob() = default;

QString ChmImportJob::invalidBookMessage() {
    return tr("没有选择文件或者相应的chm文件格式不对...");
}

QList<ImportItem> ChmImportJob::collect(BookImporter& importer) {
    setStatus(tr("正在反编译chm文件，请稍候..."));
    m_archive = std::make_unique<ChmArchive>(m_chmPath);
    const QStringList files = m_archive->isOpen() ? m_archive->files() : QStringList();
    if (files.isEmpty()) {
        m_result.error = invalidBookMessage();
        return {};
    }
    auto source = std::make_unique<ChmImportSource>(*m_archive, m_chmPath);
    const QString charset = source->pageCharset();
    importer.addSource(std::move(source));
    setStatus(tr("反编译chm文件完成，正在导入反编译后的文件..."));

    // Our own books: the list page knows the volumes.
    for (const char* listName : {"list.htm", "listchm.htm"}) {
        for (const QString& file : files) {
            if (QFileInfo(file).fileName().compare(QLatin1String(listName), Qt::CaseInsensitive) != 0)
                continue;
            const QString listPath = ChmArchive::normalName(file);
            const QString page = decodeImportedPage(m_archive->object(file), charset);
            if (!isOwnListPage(page))
                continue;
            QList<ImportItem> items;
            for (const ImportEntry& entry : parseOwnListPage(page, listPath))
                items.append({entry.title, entry.volume, entry.page, 0});
            if (!importer.existingOnce(items).isEmpty())
                return items;
        }
    }
    QList<ImportItem> items;
    const QString contents = m_archive->contentsFile();
    if (!contents.isEmpty()) {
        for (const ImportEntry& entry : parseContentsFile(decodeImportedPage(m_archive->object(contents), charset)))
            items.append({entry.title, entry.volume, entry.page, 0});
    } else {
        for (const QString& file : files)
            if (ChmArchive::normalName(file).compare(QLatin1String("temp.htm"), Qt::CaseInsensitive) == 0)
                items.append({tr("正文"), QString(), ChmArchive::normalName(file), 0});
    }
    return items;
}

BookImporter::Result ChmImportJob::store(BookImporter& importer, const QList<ImportItem>& items,
                                         const BookImporter::Progress& progress) {
    const QString name = m_name.isEmpty() ? QFileInfo(m_chmPath).completeBaseName() : m_name;
    return importer.importNovel(name, m_categoryCode, items, progress);
}

QString ChmImportJob::progressText() const {
    return tr("正在导入文件中，导入进度：");
}

QString ChmImportJob::doneText() const {
    return tr("chm文件导入完成");
}

// ---- folders

FolderImportJob::FolderImportJob(LibraryContext& library, QString folder, QString categoryCode, QString name,
                                 QObject* parent)
    : ImportJob(library, parent)
    , m_folder(std::move(folder))
    , m_categoryCode(std::move(categoryCode))
    , m_name(std::move(name)) {}

QList<ImportItem> FolderImportJob::collect(BookImporter& importer) {
    QStringList names;
    listFilesByExtension(m_folder, QStringLiteral("txt,htm,html"), names);
    if (names.isEmpty()) {
        m_result.error = tr("该文件夹中没有txt、htm或html文件");
        return {};
    }
    std::stable_sort(names.begin(), names.end(), naturalLess);
    importer.addSource(std::make_unique<FolderImportSource>(m_folder));
    QList<ImportItem> items;
    for (const QString& name : names)
        items.append({QFileInfo(name).completeBaseName(), QString(), name, 0});
    return items;
}

BookImporter::Result FolderImportJob::store(BookImporter& importer, const QList<ImportItem>& items,
                                            const BookImporter::Progress& progress) {
    // The folder's own name; a root folder has none, and the novel gets the usual default.
    const QString name = m_name.isEmpty() ? QDir(m_folder).dirName() : m_name;
    return importer.importNovel(name, m_categoryCode, items, progress);
}

QString FolderImportJob::progressText() const {
    return tr("正在导入文件夹中文件，导入进度：");
}

QString FolderImportJob::doneText() const {
    return tr("导入完成");
}

// ---- chosen files

LocalFilesImportJob::LocalFilesImportJob(LibraryContext& library, QString novelId, QStringList files,
                                         QObject* parent)
    : ImportJob(library, parent)
    , m_novelId(std::move(novelId))
    , m_files(std::move(files)) {}

QList<ImportItem> LocalFilesImportJob::collect(BookImporter& importer) {
    QList<ImportItem> items;
    for (const QString& file : m_files) {
        const QFileInfo info(file);
        if (!info.isFile()) {
            m_result.error = tr("无此文件") + u'：' + file;
            return {};
        }
        // Each file from its own folder, so that a page's pictures are found beside it.
        const int source = importer.addSource(std::make_unique<FolderImportSource>(info.absolutePath()));
        items.append({info.completeBaseName(), QString(), info.fileName(), source});
    }
    return items;
}

BookImporter::Result LocalFilesImportJob::store(BookImporter& importer, const QList<ImportItem>& items,
                                                const BookImporter::Progress& progress) {
    return importer.appendChapters(m_novelId, items, progress);
}

QString LocalFilesImportJob::progressText() const {
    return tr("正在导入文件中，导入进度：");
}

QString LocalFilesImportJob::doneText() const {
    return tr("导入完成");
}
