#include "output/chmbuildjob.h"

#include "output/chmproject.h"
#include "output/listpage.h"
#include "output/listtable.h"
#include "output/outputfolder.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/files.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "text/charset.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTime>
#include <QtConcurrent/QtConcurrentMap>

#include <atomic>
#include <numeric>

namespace {

const QString kIndexPage = QStringLiteral("Index.htm");
const QString kListPage = QStringLiteral("List.htm");
const QString kListChmPage = QStringLiteral("ListChm.htm");
constexpr int kRelinkThreads = 8;

QByteArray readBytes(const QString& path, bool* ok = nullptr) {
    std::optional<QByteArray> bytes = readFileBytes(path);
    if (ok)
        *ok = bytes.has_value();
    return bytes ? std::move(*bytes) : QByteArray();
}

// The book's pages and sitemaps are read as GBK: what GBK lacks goes in as character references.
bool writeGbkPage(const QString& path, const QString& page, QString* error) {
    return writeBytesAtomically(path, encodeHtmlForCharset(page, QStringLiteral("gb2312")), error);
}

// The brief as the cover and the e-book's list page show it.
QString coverBrief(const QString& brief) {
    return brief.isEmpty() ? QString() : htmlEscapeText(QStringLiteral("\r\n内容简介：") + brief);
}

} // namespace

ChmBuildJob::ChmBuildJob(Database& db, const LibraryFolder& folder, const Settings& settings, QString novelId,
                         QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelId(std::move(novelId)) {}

void ChmBuildJob::fail(const QString& message) {
    m_result.ok = false;
    m_result.error = message;
    prompter().warning(message);
}

void ChmBuildJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(m_novelId);
    if (!novel) {
        fail(tr("没有找到小说 %1").arg(m_novelId));
        return;
    }
    QDir().mkpath(m_folder.novelDir(m_novelId));

    QString target = OutputFolder::targetFile(m_targetPath, novel->novelName, QStringLiteral(".chm"));
    if (target.isEmpty()) {
        const OutputFolder output(m_folder, m_settings);
        if (!output.exists()) {
            fail(OutputFolder::missingMessage());
            return;
        }
        target = output.fileFor(novel->novelName, QStringLiteral(".chm"));
    }

    // "只制作未读章节": the book holds the unread chapters only.
    const bool unreadOnly = m_settings.isOn(QStringLiteral("bIsNotReadChm"));
    const QList<OutputChapter> chapters = OutputStore(m_db).chapters(m_novelId, unreadOnly);
    if (chapters.isEmpty()) {
        fail(unreadOnly ? tr("您在设置中选择了只处理未读章节，此小说没有未读章节") : tr("无内容"));
        return;
    }
    if (!buildChm(*novel, chapters, target))
        return;

    // The e-book's list showed the unread chapters only; the reading view's list shows them all.
    if (unreadOnly)
        writeListPage(m_db, m_folder, m_settings, m_novelId);
    // The bookcase keeps the book just made; the novel's contents page has its own entry.
    BookcaseStore(m_db).registerEntry(novel->novelName, novel->lb, novel->author, target);
    m_result.ok = true;
    m_result.chmPath = target;
}

bool ChmBuildJob::buildChm(const NovelRecord& novel, const QList<OutputChapter>& chapters,
                           const QString& target) {
    const QString novelDir = m_folder.novelDir(m_novelId);
    const QString bookFolder = QStringLiteral("chm/") + m_novelId + u'/';
    const bool coverFirst = m_settings.isOn(QStringLiteral("bIsChmDefine"));
    const bool unreadOnly = m_settings.isOn(QStringLiteral("bIsNotReadChm"));

    QStringList pages;
    pages.reserve(chapters.size());
    for (const OutputChapter& chapter : chapters)
        pages << QString::number(chapter.id) + QLatin1String(".htm");

    // Each build has its own work folder, so two builds never share work files.
    QDir().mkpath(m_folder.tempDir());
    QTemporaryDir work(m_folder.tempDir() + QLatin1String("/chm-XXXXXX"));
    if (!work.isValid()) {
        fail(tr("无法建立临时文件夹：%1").arg(work.errorString()));
        return false;
    }
    work.setAutoRemove(!m_keepWorkFolder);
    const QString workDir = work.path();
    // The links go before the folder does, so that removing it can never reach into the library.
    const auto unlink = qScopeGuard([&] {
        if (m_keepWorkFolder)
            return;
        for (const char* link : {"chm", "bgimage", "usermodel"}) {
            const QString path = workDir + u'/' + QLatin1String(link);
            if (QFileInfo(path).isSymLink())
                QFile::remove(path);
        }
    });

    const QString startPage = bookFolder + (coverFirst ? kIndexPage : unreadOnly ? kListChmPage : kListPage);
    QString error;
    if (!writeGbkPage(workDir + u'/' + ChmProject::kStartPage, ChmProject::startPageText(startPage),
                      &error)) {
        fail(error);
        return false;
    }

    QString contents;
    if (coverFirst) {
        if (!writeCover(novel))
            return false;
        contents += ChmProject::contentsEntry(QStringLiteral("封面"), bookFolder, kIndexPage);
    }

    if (!relinkPages(novelDir, pages))
        return false;

    QString index;
    for (const VolumeRun& run : volumeRuns(chapters)) {
        contents += ChmProject::contentsEntry(volumeHeading(run), bookFolder, kListChmPage);
        for (qsizetype i = run.first; i < run.first + run.count; ++i) {
            contents += ChmProject::contentsFolderEntry(chapters.at(i).title, bookFolder, pages.at(i), false);
            index += ChmProject::indexEntry(chapters.at(i).title, bookFolder, pages.at(i));
        }
    }
    if (!writeListChm(novel, chapters, &error)) {
        fail(error);
        return false;
    }

    const QString outputName = QStringLiteral("temp") +
                               QTime::currentTime().toString(QStringLiteral("mmss")) + QLatin1String(".chm");
    const QString project =
        ChmProject::buildProjectText(novel.novelName, outputName, ChmProject::windowLine(m_settings),
                                     projectFiles(workDir), styleFiles(workDir));
    if (!writeGbkPage(workDir + u'/' + ChmProject::kContentsFile, ChmProject::buildContentsText(contents),
                      &error) ||
        !writeGbkPage(workDir + u'/' + ChmProject::kIndexFile, ChmProject::buildIndexText(index), &error) ||
        !writeBytesAtomically(workDir + u'/' + ChmProject::kProjectFile, ChmProject::encodeProject(project),
                              &error)) {
        fail(error);
        return false;
    }
    if (m_keepWorkFolder)
        m_result.workFolder = workDir;

    setStatus(tr("正在编译电子书，请稍候..."));
    const ChmCompiler::Outcome outcome = m_compiler.compile(
        workDir, ChmProject::kProjectFile, outputName, [this] { return stopRequested(); }, &error);
    setStatus(QString());
    if (outcome == ChmCompiler::Outcome::Stopped) {
        m_result.stopped = true;
        return false;
    }
    if (outcome == ChmCompiler::Outcome::Failed) {
        fail(error);
        return false;
    }

    // The old book is replaced only now that the new one exists.
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        fail(tr("请先关闭原先打开的电子书"));
        return false;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString compiled = workDir + u'/' + outputName;
    if (!QFile::rename(compiled, target) && !QFile::copy(compiled, target)) {
        fail(tr("无法写入电子书 %1").arg(target));
        return false;
    }
    return true;
}

bool ChmBuildJob::relinkPages(const QString& novelDir, const QStringList& pages) {
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
        bool ok = false;
        QByteArray page = readBytes(path, &ok);
        QString error;
        if (ok && ChmProject::relinkPage(i, pages, page) && !writeBytesAtomically(path, page, &error)) {
            const QMutexLocker lock(&errorLock);
            if (writeError.isEmpty())
                writeError = error;
        }
        ++done;
    });
    while (!relinking.isFinished()) {
        setProgress(done.load(), int(pages.size()));
        if (stopRequested())
            relinking.cancel();
        QThread::msleep(20);
    }
    relinking.waitForFinished();
    if (stopRequested()) {
        m_result.stopped = true;
        return false;
    }
    if (!writeError.isEmpty()) {
        fail(writeError);
        return false;
    }
    setProgress(int(pages.size()), int(pages.size()));
    return true;
}

bool ChmBuildJob::writeCover(const NovelRecord& novel) {
    const QString path = m_folder.novelDir(m_novelId) + u'/' + kIndexPage;
    // A cover never edited is made from the template, as the cover editor would.
    QString page = QFileInfo::exists(path)
                       ? readTextFile(path)
                       : PageTemplates::readModelTemplate(m_folder, QStringLiteral("vbindex.htm"));
    page.replace(QLatin1String("[[BookName]]"), htmlEscapeText(novel.novelName));
    page.replace(QLatin1String("[[author]]"), htmlEscapeText(novel.author));
    page.replace(QLatin1String("[[brief]]"), coverBrief(novel.brief));
    page.replace(QLatin1String("[[BookImg]]"),
                 novel.bookImg.isEmpty() ? QString()
                                         : QLatin1String("<img src=\"") +
                                               QString(novel.bookImg).replace(u'"', QLatin1String("&quot;")) +
                                               QLatin1String("\">"));
    page.replace(QLatin1String("[[chmAuthor]]"),
                 htmlEscapeText(m_settings.value(QStringLiteral("chmAuthor"))));
    QString error;
    if (!writeGbkPage(path, page, &error)) {
        fail(error);
        return false;
    }
    return true;
}

bool ChmBuildJob::writeListChm(const NovelRecord& novel, const QList<OutputChapter>& chapters,
                               QString* error) {
    const QString novelDir = m_folder.novelDir(m_novelId);
    if (!m_settings.isOn(QStringLiteral("bIsNotReadChm"))) {
        // The book's list is the reading view's contents page; a novel never listed gets one now.
        const QString listPage = m_folder.novelListPage(m_novelId);
        if (!QFileInfo::exists(listPage) && !writeListPage(m_db, m_folder, m_settings, m_novelId, error))
            return false;
        return writeBytesAtomically(novelDir + u'/' + kListChmPage, readBytes(listPage), error);
    }
    ListPageValues values;
    values.table = buildListTable(chapters, m_settings.intValue(QStringLiteral("ListPerLineNums"), 2),
                                  m_settings.isOn(QStringLiteral("bIsVolumeSet")));
    values.theDir = listPageDir();
    values.bookName = novel.novelName;
    values.author = novel.author;
    values.brief = coverBrief(novel.brief);
    const QString page = fillListTemplate(
        PageTemplates::readModelTemplate(m_folder, QStringLiteral("vbarticlelist.htm")), values);
    return writeGbkPage(novelDir + u'/' + kListChmPage, page, error) &&
           writeGbkPage(m_folder.novelListPage(m_novelId), page, error);
}

QStringList ChmBuildJob::projectFiles(const QString& workDir) const {
    // The project sees the library's chm folder (and the pictures it needs) through links in the
    // work folder, so that the names inside the book are "chm/<NovelID>/...".
    QFile::link(m_folder.chmDir(), workDir + QLatin1String("/chm"));
    QStringList files{ChmProject::kStartPage};

    const QString novelDir = m_folder.novelDir(m_novelId);
    QStringList novelFiles;
    QDirIterator it(novelDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive))
            continue;
        novelFiles << QStringLiteral("chm/") + m_novelId + u'/' + QDir(novelDir).relativeFilePath(path);
    }
    novelFiles.sort();
    files += novelFiles;
    for (const char* shared : {"style.css", "head.js", "bookmark.gif"})
        if (QFileInfo::exists(m_folder.chmDir() + u'/' + QLatin1String(shared)))
            files << QStringLiteral("chm/") + QLatin1String(shared);

    const QString bgImg = m_settings.value(QStringLiteral("BgImg"));
    if (!bgImg.isEmpty() && QFileInfo::exists(m_folder.file(QStringLiteral("bgimage/") + bgImg))) {
        QFile::link(m_folder.file(QStringLiteral("bgimage")), workDir + QLatin1String("/bgimage"));
        files << QStringLiteral("bgimage/") + bgImg;
    }
    return files;
}

QStringList ChmBuildJob::styleFiles(const QString& workDir) const {
    const QString style = m_settings.value(QStringLiteral("ArticleStyle"));
    if (PageTemplates::isBuiltInStyle(style) || style.isEmpty())
        return {};
    QStringList names;
    if (!listFilesByExtension(m_folder.file(QStringLiteral("usermodel/") + style),
                              QStringLiteral("jpg,gif,bmp"), names))
        return {};
    QFile::link(m_folder.file(QStringLiteral("usermodel")), workDir + QLatin1String("/usermodel"));
    QStringList files;
    for (const QString& name : names)
        files << QStringLiteral("usermodel/") + style + u'/' + name;
    return files;
}
