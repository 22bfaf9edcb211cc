#include "output/chmcollectionjob.h"

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
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

namespace {

constexpr int kCoverCellsPerRow = 4;
const QString kCoverPage = QStringLiteral("CollectionIndex.htm");
const QString kListPage = QStringLiteral("CollectionList.htm");

struct CollectedNovel {
    NovelRecord novel;
    QList<OutputChapter> chapters;
};

QString attribute(const QString& text) {
    return QString(text).replace(u'"', QLatin1String("&quot;"));
}

// A picture of the novel folder is reached from the collection's pages through the novel's folder.
QString novelPicture(const NovelRecord& novel) {
    const QString& img = novel.bookImg;
    if (img.contains(QLatin1String("://")) || img.startsWith(u'/'))
        return img;
    return novel.novelId + u'/' + img;
}

QString coverCell(const NovelRecord& novel) {
    const QString link = QStringLiteral("<td width=25%  align=center><a href=") + novel.novelId + u'/' +
                         QLatin1String("List.htm>");
    // Without a picture the name stands in its place.
    if (novel.bookImg.isEmpty())
        return link + htmlEscapeText(novel.novelName) + QLatin1String("</a></td>");
    return link + QLatin1String("<img src=\"") + attribute(novelPicture(novel)) +
           QLatin1String("\" border=0 alt=\"") + attribute(novel.novelName) + QLatin1String("\"></a></td>");
}

QString coverRows(const QList<CollectedNovel>& novels) {
    QString rows;
    for (qsizetype i = 0; i < novels.size(); ++i) {
        if (i % kCoverCellsPerRow == 0)
            rows += QLatin1String("<tr>");
        rows += coverCell(novels.at(i).novel);
        if (i % kCoverCellsPerRow == kCoverCellsPerRow - 1 || i + 1 == novels.size())
            rows += QLatin1String("</tr>\r\n");
    }
    return rows;
}

// The last chapter is the one added last, whatever its place in the reading order.
QString listRow(const CollectedNovel& entry) {
    const NovelRecord& novel = entry.novel;
    QString row = QStringLiteral("<tr><td><a href=") + novel.novelId + QLatin1String("/List.htm>") +
                  htmlEscapeText(novel.novelName) + QLatin1String("</a></td><td>") +
                  htmlEscapeText(novel.author) + QLatin1String("</td><td>");
    const auto last =
        std::max_element(entry.chapters.cbegin(), entry.chapters.cend(),
                         [](const OutputChapter& a, const OutputChapter& b) { return a.id < b.id; });
    if (last != entry.chapters.cend())
        row += QStringLiteral("<a href=") + novel.novelId + u'/' + QString::number(last->id) +
               QLatin1String(".htm>") + htmlEscapeText(last->title) + QLatin1String("</a>");
    return row + QLatin1String("</td></tr>\r\n");
}

QString fillTemplate(QString page, const QString& name, const QString& picture, const QString& content) {
    page.replace(QLatin1String("[[BookName]]"), htmlEscapeText(name));
    page.replace(QLatin1String("[[BookImg]]"), picture);
    page.replace(QLatin1String("[[Content]]"), content);
    return page;
}

} // namespace

ChmCollectionJob::ChmCollectionJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                                   QStringList novelIds, QString name, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelIds(std::move(novelIds))
    , m_name(std::move(name)) {
    // A novel named twice would be linked into the work folder twice.
    m_novelIds.removeDuplicates();
}

QString ChmCollectionJob::checkName(const QString& name, const QString& tempFolder) {
    if (name.trimmed().isEmpty())
        return tr("合集名称不能为空");
    const QString bad = tr("合集名称不能包含<>?:\"|*%#等特殊符号，请重新输入");
    // The book is a file named after the collection: a name no file can carry is refused here.
    if (name.contains(u'#') || name.contains(u'%') || name.contains(u'/') || name.contains(u'\\') ||
        name.contains(QChar(0)))
        return bad;
    QDir().mkpath(tempFolder);
    const QString trial = tempFolder + u'/' + name + QLatin1String(".txt");
    if (QFileInfo::exists(trial))
        return {};
    QFile file(trial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return bad;
    file.close();
    file.remove();
    return {};
}

void ChmCollectionJob::fail(const QString& message) {
    m_result.ok = false;
    m_result.error = message;
    prompter().warning(message);
}

void ChmCollectionJob::reportProgress(int done, int total) {
    setProgress(done, total);
    const double percent = total > 0 ? 100.0 * done / total : 100.0;
    setStatus(tr("正在制作电子书合集中，总进度:") + QString::number(percent, 'f', 2) + u'%');
}

void ChmCollectionJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    m_name = m_name.trimmed();
    if (const QString problem = checkName(m_name, m_folder.tempDir()); !problem.isEmpty()) {
        fail(problem);
        return;
    }
    if (m_novelIds.isEmpty()) {
        fail(tr("请选择具体的小说"));
        return;
    }
    const std::optional<QString> bookFile =
        OutputFolder(m_folder, m_settings).bookFile(m_targetPath, m_name, QStringLiteral(".chm"));
    if (!bookFile) {
        fail(OutputFolder::missingMessage());
        return;
    }
    const QString target = *bookFile;
    if (!m_coverPicture.isEmpty() && !QFileInfo(m_coverPicture).isFile()) {
        fail(tr("无此文件"));
        return;
    }
    if (!build(target))
        return;

    // A collection made again keeps the bookcase entry the user may have edited.
    const BookcaseStore bookcase(m_db);
    if (!bookcase.hasPath(target)) {
        BookcaseEntry entry;
        entry.mc = m_name;
        entry.wjlj = target;
        bookcase.insert(entry);
    }
    m_result.ok = true;
    m_result.chmPath = target;
}

bool ChmCollectionJob::build(const QString& target) {
    QList<CollectedNovel> novels;
    int totalPages = 0;
    const NovelStore novelStore(m_db);
    const OutputStore outputStore(m_db);
    for (const QString& id : m_novelIds) {
        std::optional<NovelRecord> novel = novelStore.loadNovel(id);
        if (!novel) {
            fail(tr("没有找到小说 %1").arg(id));
            return false;
        }
        novels.append({*novel, outputStore.chapters(id)});
        totalPages += int(novels.last().chapters.size());
    }

    ChmWorkFolder work(m_folder, false);
    if (!work.isValid() || !QDir(work.path()).mkdir(QStringLiteral("chm"))) {
        fail(work.errorMessage());
        return false;
    }

    QStringList files{ChmProject::kStartPage, QStringLiteral("chm/") + kCoverPage,
                      QStringLiteral("chm/") + kListPage};
    QString error;
    QString picture;
    if (!m_coverPicture.isEmpty()) {
        const QString suffix = QFileInfo(m_coverPicture).suffix();
        const QString name =
            QStringLiteral("CollectionCover") + (suffix.isEmpty() ? QString() : u'.' + suffix);
        if (!QFile::copy(m_coverPicture, work.file(QStringLiteral("chm/") + name))) {
            fail(tr("无法复制封面图片 %1").arg(m_coverPicture));
            return false;
        }
        files << QStringLiteral("chm/") + name;
        picture = QStringLiteral("<img src=\"") + attribute(name) + QLatin1String("\" border=0>");
    }

    int donePages = 0;
    QString listRows;
    for (const CollectedNovel& entry : novels) {
        const QString& id = entry.novel.novelId;
        const QString novelDir = m_folder.novelDir(id);
        QDir().mkpath(novelDir);
        reportProgress(donePages, totalPages);
        QStringList pages;
        for (const OutputChapter& chapter : entry.chapters)
            pages << QString::number(chapter.id) + QLatin1String(".htm");
        const ChmBookWork::Outcome relinked = ChmBookWork::relinkPages(
            novelDir, pages, [this] { return stopRequested(); },
            [this, donePages, totalPages](int done) { reportProgress(donePages + done, totalPages); },
            &error);
        if (relinked == ChmBookWork::Outcome::Stopped) {
            m_result.stopped = true;
            return false;
        }
        if (relinked == ChmBookWork::Outcome::Failed) {
            fail(error);
            return false;
        }
        donePages += int(pages.size());
        // The cover and the list lead to each novel's contents page, which a novel never listed lacks.
        if (!QFileInfo::exists(m_folder.novelListPage(id)) &&
            !writeListPage(m_db, m_folder, m_settings, id, &error)) {
            fail(error);
            return false;
        }
        listRows += listRow(entry);
        work.link(QStringLiteral("chm/") + id, novelDir);
        files += ChmBookWork::novelFiles(novelDir, QStringLiteral("chm/") + id + u'/');
    }
    for (const QString& shared : ChmBookWork::sharedFiles(m_folder.chmDir(), QString())) {
        work.link(QStringLiteral("chm/") + shared, m_folder.chmDir() + u'/' + shared);
        files << QStringLiteral("chm/") + shared;
    }
    files += work.backgroundFiles(m_settings);

    const QString coverPage =
        fillTemplate(PageTemplates::readModelTemplate(m_folder, QStringLiteral("vbCollectionIndex.htm")),
                     m_name, picture, coverRows(novels));
    const QString listPage =
        fillTemplate(PageTemplates::readModelTemplate(m_folder, QStringLiteral("vbcollectionlist.htm")),
                     m_name, picture, listRows);
    const QString startPage = QStringLiteral("chm/") + (m_coverFirst ? kCoverPage : kListPage);
    const QString project = ChmProject::buildCollectionProjectText(
        m_name, ChmProject::collectionWindowLine(m_settings), files, work.styleFiles(m_settings));
    using ChmBookWork::writeGbkPage;
    if (!writeGbkPage(work.file(QStringLiteral("chm/") + kCoverPage), coverPage, &error) ||
        !writeGbkPage(work.file(QStringLiteral("chm/") + kListPage), listPage, &error) ||
        !writeGbkPage(work.file(ChmProject::kStartPage), ChmProject::startPageText(startPage), &error) ||
        !writeBytesAtomically(work.file(ChmProject::kProjectFile), ChmProject::encodeProject(project),
                              &error)) {
        fail(error);
        return false;
    }

    setStatus(tr("正在编译电子书，请稍候..."));
    const ChmBookWork::Outcome compiled = ChmBookWork::compileInto(
        m_compiler, work.path(), ChmProject::kProjectFile, ChmProject::kCollectionFile, target,
        [this] { return stopRequested(); }, &error);
    setStatus(QString());
    if (compiled == ChmBookWork::Outcome::Stopped)
        m_result.stopped = true;
    else if (compiled == ChmBookWork::Outcome::Failed)
        fail(error);
    return compiled == ChmBookWork::Outcome::Done;
}
