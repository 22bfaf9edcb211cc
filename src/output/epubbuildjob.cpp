#include "output/epubbuildjob.h"

#include "output/epubarchive.h"
#include "output/epubpackage.h"
#include "output/epubxhtml.h"
#include "output/listtable.h"
#include "output/outputfolder.h"
#include "output/outputstore.h"
#include "output/pagetemplates.h"
#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/html.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QtConcurrent/QtConcurrentMap>

#include <atomic>

namespace {

using EpubPackage::Item;
using EpubPackage::TocEntry;

const QString kXhtml = QStringLiteral("application/xhtml+xml");
const QString kTextFolder = QStringLiteral("text/");
const QString kImageFolder = QStringLiteral("images/");

// Used when neither the library nor the program folder has model/epub.css.
const char kFallbackStyle[] = "body { margin: 0 4%; line-height: 1.75; }\n"
                              "p { margin: 0; text-indent: 2em; }\n"
                              "h1, h2 { text-align: center; }\n";

struct Picture {
    QString bookName; // under images/
    QString mediaType;
};

QString chapterHref(const OutputChapter& chapter) {
    return kTextFolder + QString::number(chapter.id) + QLatin1String(".xhtml");
}

} // namespace

// The pictures the chapters show, shared by the threads that convert them: a file of the novel
// folder gets one name in the book, whichever chapters show it.
class EpubBuildJob::Catalogue {
public:
    explicit Catalogue(QString novelDir)
        : m_novelDir(std::move(novelDir)) {}

    // The picture of a src as the renewal writes it (a file name beside the page); nothing for
    // addresses, paths and files that are missing or of a type readers need not show.
    std::optional<Picture> find(const QString& source) {
        static const QRegularExpression plain(QStringLiteral("^[^/\\\\:?#*\"<>|]+$"));
        const QString name = QUrl::fromPercentEncoding(source.toUtf8()).trimmed();
        if (name.isEmpty() || name.startsWith(u'.') || !plain.match(name).hasMatch())
            return std::nullopt;
        const QMutexLocker lock(&m_lock);
        if (const auto known = m_pictures.constFind(name); known != m_pictures.cend())
            return *known;
        QFile file(m_novelDir + u'/' + name);
        const QString type =
            file.open(QIODevice::ReadOnly) ? EpubPackage::pictureMediaType(file.read(16)) : QString();
        if (type.isEmpty())
            return std::nullopt;
        Picture picture{bookNameFor(name, type), type};
        m_pictures.insert(name, picture);
        m_sources.insert(picture.bookName, name);
        return picture;
    }
    QString sourceOf(const QString& bookName) const {
        const QMutexLocker lock(&m_lock);
        return m_sources.value(bookName);
    }

private:
    // Names of safe characters stay (the renewal's "<NovelID>_<id>_<n>"); the extension follows
    // the bytes.
    QString bookNameFor(const QString& name, const QString& type) {
        static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_-]+$"));
        const QString extension =
            type == QLatin1String("image/jpeg") ? QStringLiteral(".jpg") : u'.' + type.mid(6);
        QString base = QFileInfo(name).completeBaseName();
        if (!safe.match(base).hasMatch())
            base = QLatin1String("p") +
                   QString::fromLatin1(
                       QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Md5).toHex().left(12));
        QString bookName = base + extension;
        for (int n = 2; m_sources.contains(bookName); ++n)
            bookName = base + u'_' + QString::number(n) + extension;
        return bookName;
    }

    QString m_novelDir;
    mutable QMutex m_lock;
    QHash<QString, Picture> m_pictures; // file name → picture
    QHash<QString, QString> m_sources;  // name in the book → file name
};

struct EpubBuildJob::Converted {
    QByteArray document;
    QStringList pictures; // names in the book, in the order the chapter shows them
};

EpubBuildJob::EpubBuildJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                           QString novelId, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_novelId(std::move(novelId)) {}

void EpubBuildJob::fail(const QString& message) {
    m_result.ok = false;
    m_result.error = message;
    prompter().warning(message);
}

void EpubBuildJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(m_novelId);
    if (!novel) {
        fail(tr("没有找到小说 %1").arg(m_novelId));
        return;
    }
    const std::optional<QString> bookFile =
        OutputFolder(m_folder, m_settings).bookFile(m_targetPath, novel->novelName, QStringLiteral(".epub"));
    if (!bookFile) {
        fail(OutputFolder::missingMessage());
        return;
    }
    const QString target = *bookFile;
    // "只制作未读章节" holds for every e-book format.
    const bool unreadOnly = m_settings.isOn(QStringLiteral("bIsNotReadChm"));
    const OutputStore store(m_db);
    const QList<OutputChapter> chapters = store.chapters(m_novelId, unreadOnly);
    if (chapters.isEmpty()) {
        fail(unreadOnly ? tr("您在设置中选择了只处理未读章节，此小说没有未读章节") : tr("无内容"));
        return;
    }
    const QString identifier = store.bookUuid(m_novelId);
    if (identifier.isEmpty()) {
        fail(tr("无法保存电子书的标识"));
        return;
    }

    setStatus(tr("正在生成电子书，请稍候..."));
    Catalogue catalogue(m_folder.novelDir(m_novelId));
    QList<Converted> converted;
    if (!convertChapters(chapters, catalogue, converted))
        return;

    EpubArchive archive;
    QList<Item> manifest;
    QList<QPair<QString, QByteArray>> files; // in reading order, with the pictures after their first page
    QSet<QString> packed;
    const QString novelDir = m_folder.novelDir(m_novelId);
    const auto addPicture = [&](const QString& bookName, const QString& properties = QString()) {
        if (packed.contains(bookName))
            return;
        const std::optional<QByteArray> bytes = readFileBytes(novelDir + u'/' + catalogue.sourceOf(bookName));
        if (!bytes)
            return;
        packed.insert(bookName);
        manifest.append(Item{QLatin1String("img") + QString::number(packed.size()), kImageFolder + bookName,
                             EpubPackage::pictureMediaType(bytes->left(16)), properties, false});
        files.append({kImageFolder + bookName, *bytes});
    };

    QString coverPicture;
    QStringList coverPictures;
    const QString cover = coverBody(*novel, catalogue, &coverPicture, &coverPictures);
    if (!coverPicture.isEmpty())
        addPicture(coverPicture, QStringLiteral("cover-image"));
    for (const QString& picture : std::as_const(coverPictures))
        addPicture(picture);
    manifest.append(Item{QStringLiteral("cover"), QStringLiteral("cover.xhtml"), kXhtml, QString(), true});
    files.append({QStringLiteral("cover.xhtml"),
                  EpubPackage::contentDocument(novel->novelName, cover, QStringLiteral("style.css"),
                                               QStringLiteral("cover"))});
    manifest.append(
        Item{QStringLiteral("nav"), QStringLiteral("nav.xhtml"), kXhtml, QStringLiteral("nav"), true});

    QList<TocEntry> toc;
    for (const VolumeRun& run : volumeRuns(chapters)) {
        QList<TocEntry>* entries = &toc;
        if (!run.volume.isEmpty()) {
            const QString href =
                kTextFolder + QLatin1String("vol") + QString::number(run.number) + QLatin1String(".xhtml");
            const QString body = QLatin1String("<section epub:type=\"volume\" class=\"volume\">\n<h1>") +
                                 EpubXhtml::escape(run.volume.simplified()) +
                                 QLatin1String("</h1>\n</section>\n");
            manifest.append(
                Item{QLatin1String("vol") + QString::number(run.number), href, kXhtml, QString(), true});
            files.append({href, EpubPackage::contentDocument(run.volume, body, QStringLiteral("../style.css"),
                                                             QStringLiteral("volume"))});
            toc.append(TocEntry{run.volume, href, {}});
            entries = &toc.last().children;
        }
        for (qsizetype i = run.first; i < run.first + run.count; ++i) {
            const OutputChapter& chapter = chapters.at(i);
            const QString href = chapterHref(chapter);
            manifest.append(
                Item{QLatin1String("c") + QString::number(chapter.id), href, kXhtml, QString(), true});
            files.append({href, converted.at(i).document});
            for (const QString& picture : converted.at(i).pictures)
                addPicture(picture);
            entries->append(TocEntry{chapter.title, href, {}});
        }
    }
    manifest.append(Item{QStringLiteral("ncx"), QStringLiteral("toc.ncx"),
                         QStringLiteral("application/x-dtbncx+xml"), QString(), false});
    manifest.append(Item{QStringLiteral("style"), QStringLiteral("style.css"), QStringLiteral("text/css"),
                         QString(), false});
    m_result.pictures = int(packed.size());

    EpubPackage::Metadata metadata;
    metadata.identifier = identifier;
    metadata.title = novel->novelName;
    metadata.author = novel->author;
    metadata.description = novel->brief;
    metadata.source = novel->listUrl;
    metadata.modified = QDateTime::currentDateTimeUtc();
    QString style = PageTemplates::readModelTemplate(m_folder, QStringLiteral("epub.css"));
    if (style.trimmed().isEmpty())
        style = QString::fromLatin1(kFallbackStyle);

    const QString folder = EpubPackage::kFolder;
    archive.add(QStringLiteral("META-INF/container.xml"), EpubPackage::containerXml());
    archive.add(EpubPackage::kPackagePath, EpubPackage::packageDocument(metadata, manifest));
    archive.add(folder + QLatin1String("nav.xhtml"), EpubPackage::navDocument(novel->novelName, toc));
    archive.add(folder + QLatin1String("toc.ncx"), EpubPackage::ncxDocument(metadata, toc));
    archive.add(folder + QLatin1String("style.css"), style.toUtf8());
    for (auto& [name, bytes] : files)
        archive.add(folder + name, std::move(bytes), name.startsWith(kImageFolder));
    files.clear();

    QString error;
    if (!m_unpackedFolder.isEmpty() && !archive.writeFolder(m_unpackedFolder, &error)) {
        fail(error);
        return;
    }
    const int total = int(chapters.size());
    setStatus(tr("正在写入电子书..."));
    const bool written = archive.write(
        target, &error,
        [this, total](double fraction) { setProgress(total + int(fraction * total), 2 * total); },
        [this] { return stopRequested(); });
    setStatus(QString());
    if (!written) {
        if (error.isEmpty())
            m_result.stopped = true;
        else
            fail(error);
        return;
    }
    setProgress(2 * total, 2 * total);
    // The bookcase keeps the book just made, as it does the CHM.
    BookcaseStore(m_db).registerEntry(novel->novelName, novel->lb, novel->author, target);
    m_result.ok = true;
    m_result.bookPath = target;
}

bool EpubBuildJob::convertChapters(const QList<OutputChapter>& chapters, Catalogue& catalogue,
                                   QList<Converted>& converted) {
    // Reading and parsing the pages is most of the work: all cores share it.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    std::atomic<int> done{0};
    QFuture<Converted> converting =
        QtConcurrent::mapped(&pool, chapters, [this, &done, &catalogue](const OutputChapter& chapter) {
            if (stopRequested())
                return Converted();
            Converted result = convertChapter(chapter, catalogue);
            ++done;
            return result;
        });
    const int total = int(chapters.size());
    while (!converting.isFinished()) {
        setProgress(done.load(), 2 * total);
        if (stopRequested())
            converting.cancel();
        QThread::msleep(20);
    }
    converting.waitForFinished();
    if (stopRequested()) {
        m_result.stopped = true;
        return false;
    }
    converted = converting.results();
    setProgress(total, 2 * total);
    return true;
}

EpubBuildJob::Converted EpubBuildJob::convertChapter(const OutputChapter& chapter,
                                                     Catalogue& catalogue) const {
    Converted result;
    const StoredChapterPage page = StoredChapterPage::read(m_folder.chapterPage(m_novelId, chapter.id),
                                                           m_settings.value(QStringLiteral("charset")));
    // Without the markers the page is taken whole: its body is the chapter.
    const BookContentRange range = bookContentRange(page.text);
    const QString html = range.found() ? page.text.mid(range.start, range.length) : page.text;
    const QString body = EpubXhtml::bodyFromHtml(html, [&](const QString& source) -> QString {
        const std::optional<Picture> picture = catalogue.find(source);
        if (!picture)
            return QString();
        if (!result.pictures.contains(picture->bookName))
            result.pictures.append(picture->bookName);
        return QLatin1String("../") + kImageFolder + picture->bookName;
    });
    const QString section = QLatin1String("<section epub:type=\"chapter\" class=\"chapter\">\n<h2>") +
                            EpubXhtml::escape(chapter.title.simplified()) + QLatin1String("</h2>\n") + body +
                            QLatin1String("</section>\n");
    result.document = EpubPackage::contentDocument(chapter.title, section, QStringLiteral("../style.css"));
    return result;
}

QString EpubBuildJob::coverBody(const NovelRecord& novel, Catalogue& catalogue, QString* picture,
                                QStringList* pictures) const {
    // The cover picture: the novel's own (as the add and the renewal save it), else cover.* beside it.
    QStringList candidates{novel.bookImg.trimmed()};
    for (const char* name : {"cover.jpg", "cover.png", "cover.gif"})
        candidates << QLatin1String(name);
    for (const QString& name : std::as_const(candidates)) {
        if (const std::optional<Picture> found = catalogue.find(name)) {
            *picture = found->bookName;
            break;
        }
    }
    const auto resolve = [&](const QString& source) -> QString {
        const std::optional<Picture> found = catalogue.find(source);
        if (!found)
            return QString();
        if (!pictures->contains(found->bookName))
            pictures->append(found->bookName);
        return kImageFolder + found->bookName;
    };

    // A cover the user made for the CHM ("自定义电子书封面") is the book's cover too.
    const QString userCover = m_folder.novelDir(m_novelId) + QLatin1String("/Index.htm");
    if (QFileInfo::exists(userCover)) {
        QString page = StoredChapterPage::read(userCover).text;
        page.replace(QLatin1String("[[BookName]]"), htmlEscapeText(novel.novelName));
        page.replace(QLatin1String("[[author]]"), htmlEscapeText(novel.author));
        page.replace(QLatin1String("[[brief]]"), htmlEscapeText(novel.brief));
        page.replace(QLatin1String("[[BookImg]]"), picture->isEmpty() ? QString()
                                                                      : QLatin1String("<img src=\"") +
                                                                            catalogue.sourceOf(*picture) +
                                                                            QLatin1String("\">"));
        page.replace(QLatin1String("[[chmAuthor]]"),
                     htmlEscapeText(m_settings.value(QStringLiteral("chmAuthor"))));
        const QString body = EpubXhtml::bodyFromHtml(page, resolve);
        if (!body.trimmed().isEmpty())
            return QLatin1String("<section epub:type=\"cover\">\n") + body + QLatin1String("</section>\n");
    }

    using EpubXhtml::escape;
    QString body = QStringLiteral("<section epub:type=\"cover\">\n");
    if (!picture->isEmpty())
        body += QLatin1String("<div class=\"pic\"><img src=\"") + kImageFolder + *picture +
                QLatin1String("\" alt=\"") + escape(novel.novelName.simplified()) +
                QLatin1String("\"/></div>\n");
    body += QLatin1String("<h1>") + escape(novel.novelName.simplified()) + QLatin1String("</h1>\n");
    if (!novel.author.trimmed().isEmpty())
        body += QStringLiteral("<p class=\"author\">作者：") + escape(novel.author.trimmed()) +
                QLatin1String("</p>\n");
    for (const QString& line : novel.brief.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            body += QLatin1String("<p class=\"brief\">") + escape(line.trimmed()) + QLatin1String("</p>\n");
    }
    const QString maker = m_settings.value(QStringLiteral("chmAuthor")).trimmed();
    if (!maker.isEmpty())
        body += QStringLiteral("<p class=\"maker\">制作人：") + escape(maker) + QLatin1String("</p>\n");
    return body + QLatin1String("</section>\n");
}
