#include "output/chmbookwork.h"

#include "output/chmproject.h"
#include "output/pagetemplates.h"
#include "storage/files.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"
#include "storage/textfile.h"
#include "text/charset.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <atomic>
#include <numeric>

namespace {

constexpr int kRelinkThreads = 8;

QString workFolderTemplate(const LibraryFolder& folder) {
    QDir().mkpath(folder.tempDir());
    return folder.tempDir() + QLatin1String("/chm-XXXXXX");
}

} // namespace

ChmWorkFolder::ChmWorkFolder(const LibraryFolder& folder, bool keep)
    : m_folder(folder)
    , m_dir(workFolderTemplate(folder))
    , m_keep(keep) {
    m_dir.setAutoRemove(!keep);
}

ChmWorkFolder::~ChmWorkFolder() {
    if (m_keep)
        return;
    // Innermost first, so that no link is removed through another.
    for (auto it = m_links.crbegin(); it != m_links.crend(); ++it)
        if (QFileInfo(file(*it)).isSymLink())
            QFile::remove(file(*it));
}

QString ChmWorkFolder::errorMessage() const {
    return tr("无法建立临时文件夹：%1").arg(m_dir.errorString());
}

bool ChmWorkFolder::link(const QString& name, const QString& target) {
    if (!QFile::link(target, file(name)))
        return false;
    m_links << name;
    return true;
}

QStringList ChmWorkFolder::backgroundFiles(const Settings& settings) {
    const QString bgImg = settings.value(QStringLiteral("BgImg"));
    if (bgImg.isEmpty() || !QFileInfo::exists(m_folder.file(QStringLiteral("bgimage/") + bgImg)))
        return {};
    link(QStringLiteral("bgimage"), m_folder.file(QStringLiteral("bgimage")));
    return {QStringLiteral("bgimage/") + bgImg};
}

QStringList ChmWorkFolder::styleFiles(const Settings& settings) {
    const QString style = settings.value(QStringLiteral("ArticleStyle"));
    if (PageTemplates::isBuiltInStyle(style) || style.isEmpty())
        return {};
    QStringList names;
    if (!listFilesByExtension(m_folder.file(QStringLiteral("usermodel/") + style),
                              QStringLiteral("jpg,gif,bmp"), names))
        return {};
    link(QStringLiteral("usermodel"), m_folder.file(QStringLiteral("usermodel")));
    QStringList files;
    for (const QString& name : names)
        files << QStringLiteral("usermodel/") + style + u'/' + name;
    return files;
}

namespace ChmBookWork {

bool writeGbkPage(const QString& path, const QString& page, QString* error) {
    return writeBytesAtomically(path, encodeHtmlForCharset(page, QStringLiteral("gb2312")), error);
}

Outcome relinkPages(const QString& novelDir, const QStringList& pages,
                    const std::function<bool()>& stopRequested, const std::function<void(int)>& progress,
                    QString* error) {
    // Each page is read, relinked and safely written (synced to disk) on its own, so the time goes
    // into waiting for the disk; several pages at a time wait together.
    QThreadPool pool;
    pool.setMaxThreadCount(kRelinkThreads);
    std::atomic<int> done{0};
    QMutex errorLock;
    QString writeError;
    QList<qsizetype> positions(pages.size());
    std::iota(positions.begin(), positions.end(), qsizetype(0));
    QFuture<void> relinking = QtConcurrent::map(&pool, positions, [&](qsizetype i) {
        if (stopRequested())
            return;
        const QString path = novelDir + u'/' + pages.at(i);
        std::optional<QByteArray> page = readFileBytes(path);
        QString failure;
        if (page && ChmProject::relinkPage(i, pages, *page) && !writeBytesAtomically(path, *page, &failure)) {
            const QMutexLocker lock(&errorLock);
            if (writeError.isEmpty())
                writeError = failure;
        }
        ++done;
    });
    while (!relinking.isFinished()) {
        progress(done.load());
        if (stopRequested())
            relinking.cancel();
        QThread::msleep(20);
    }
    relinking.waitForFinished();
    if (stopRequested())
        return Outcome::Stopped;
    if (!writeError.isEmpty()) {
        if (error)
            *error = writeError;
        return Outcome::Failed;
    }
    progress(int(pages.size()));
    return Outcome::Done;
}

QStringList novelFiles(const QString& novelDir, const QString& prefix) {
    QStringList files;
    QDirIterator it(novelDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive))
            files << prefix + QDir(novelDir).relativeFilePath(path);
    }
    files.sort();
    return files;
}

QStringList sharedFiles(const QString& chmDir, const QString& prefix) {
    QStringList files;
    for (const char* shared : {"style.css", "head.js", "bookmark.gif"})
        if (QFileInfo::exists(chmDir + u'/' + QLatin1String(shared)))
            files << prefix + QLatin1String(shared);
    return files;
}

Outcome compileInto(const ChmCompiler& compiler, const QString& workDir, const QString& projectFile,
                    const QString& outputName, const QString& target,
                    const std::function<bool()>& stopRequested, QString* error) {
    const ChmCompiler::Outcome outcome =
        compiler.compile(workDir, projectFile, outputName, stopRequested, error);
    if (outcome == ChmCompiler::Outcome::Stopped)
        return Outcome::Stopped;
    if (outcome == ChmCompiler::Outcome::Failed)
        return Outcome::Failed;

    // The old book is replaced only now that the new one exists.
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        *error = QCoreApplication::translate("ChmBookWork", "请先关闭原先打开的电子书");
        return Outcome::Failed;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString compiled = workDir + u'/' + outputName;
    if (!QFile::rename(compiled, target) && !QFile::copy(compiled, target)) {
        *error = QCoreApplication::translate("ChmBookWork", "无法写入电子书 %1").arg(target);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

} // namespace ChmBookWork
