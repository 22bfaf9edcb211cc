#include "output/chmbuildjob.h"

#include "output/chmbookwork.h"
#include "output/chmproject.h"
#include "output/listpage.h"
#include "output/listtable.h"
#include "output/outputfolder.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTime>

namespace {

const QString kIndexPage = QStringLiteral("Index.htm");
const QString kListPage = QStringLiteral("List.htm");
const QString kListChmPage = QStringLiteral("ListChm.htm");

QByteArray readBytes(const QString& path) {
    return readFileBytes(path).value_or(QByteArray());
}

using ChmBookWork::writeGbkPage;

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

    const std::optional<QString> bookFile =
        OutputFolder(m_folder, m_settings).bookFile(m_targetPath, novel->novelName, QStringLiteral(".chm"));
    if (!bookFile) {
        fail(OutputFolder::missingMessage());
        return;
    }
    const QString target = *bookFile;

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

    ChmWorkFolder work(m_folder, m_keepWorkFolder);
    if (!work.isValid()) {
        fail(work.errorMessage());
        return false;
    }

    const QString startPage = bookFolder + (coverFirst ? kIndexPage : unreadOnly ? kListChmPage : kListPage);
    QString error;
    if (!writeGbkPage(work.file(ChmProject::kStartPage), ChmProject::startPageText(startPage), &error)) {
        fail(error);
        return false;
    }

    QString contents;
    if (coverFirst) {
        if (!writeCover(novel))
            return false;
        contents += ChmProject::contentsEntry(QStringLiteral("封面"), bookFolder, kIndexPage);
    }

    const ChmBookWork::Outcome relinked = ChmBookWork::relinkPages(
        novelDir, pages, [this] { return stopRequested(); },
        [this, &pages](int done) { setProgress(done, int(pages.size())); }, &error);
    if (relinked != ChmBookWork::Outcome::Done) {
        if (relinked == ChmBookWork::Outcome::Stopped)
            m_result.stopped = true;
        else
            fail(error);
        return false;
    }

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

    // The project sees the library's chm folder through a link in the work folder, so that the names
    // inside the book are "chm/<NovelID>/...".
    work.link(QStringLiteral("chm"), m_folder.chmDir());
    QStringList files{ChmProject::kStartPage};
    files += ChmBookWork::novelFiles(novelDir, bookFolder);
    files += ChmBookWork::sharedFiles(m_folder.chmDir(), QStringLiteral("chm/"));
    files += work.backgroundFiles(m_settings);
    const QString outputName = QStringLiteral("temp") +
                               QTime::currentTime().toString(QStringLiteral("mmss")) + QLatin1String(".chm");
    const QString project = ChmProject::buildProjectText(
        novel.novelName, outputName, ChmProject::windowLine(m_settings), files, work.styleFiles(m_settings));
    if (!writeGbkPage(work.file(ChmProject::kContentsFile), ChmProject::buildContentsText(contents),
                      &error) ||
        !writeGbkPage(work.file(ChmProject::kIndexFile), ChmProject::buildIndexText(index), &error) ||
        !writeBytesAtomically(work.file(ChmProject::kProjectFile), ChmProject::encodeProject(project),
                              &error)) {
        fail(error);
        return false;
    }
    if (m_keepWorkFolder)
        m_result.workFolder = work.path();

    setStatus(tr("正在编译电子书，请稍候..."));
    const ChmBookWork::Outcome compiled = ChmBookWork::compileInto(
        m_compiler, work.path(), ChmProject::kProjectFile, outputName, target,
        [this] { return stopRequested(); }, &error);
    setStatus(QString());
    if (compiled == ChmBookWork::Outcome::Stopped)
        m_result.stopped = true;
    else if (compiled == ChmBookWork::Outcome::Failed)
        fail(error);
    return compiled == ChmBookWork::Outcome::Done;
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
