#include "addnovel/bookimport.h"

#include "fetch/pagedecoder.h"
#include "output/chmarchive.h"
#include "output/listpage.h"
#include "output/listtable.h"
#include "renewal/novelfilewriter.h"
#include "storage/bookcasestore.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "text/html.h"
#include "text/innertext.h"
#include "text/url.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

// Stands for an asset's file name in a prepared text until the chapter's id is known.
constexpr char16_t kAssetOpen = u'\xFDD0';
constexpr char16_t kAssetClose = u'\xFDD1';

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

bool isTextFile(const QString& path) {
    return extensionOf(path) == QLatin1String("txt");
}

bool isStyleSheet(const QString& path) {
    return extensionOf(path) == QLatin1String("css");
}

QString attributeName(QStringView text, const HtmlAttribute& a) {
    return text.mid(a.start, a.nameLength).toString().toLower();
}

// The length of the text a reader sees; a page of pictures only counts its markup, so that it never
// looks like a failed download (0).
int textLength(const QString& html) {
    const int visible = int(htmlInnerText(html).trimmed().size());
    if (visible > 0 || !html.contains(QLatin1String("<img"), Qt::CaseInsensitive))
        return visible;
    return int(html.trimmed().size());
}

} // namespace

QString decodeImportedPage(const QByteArray& bytes, const QString& fallbackCharset) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QString text = decodeTextFileBytes(bytes);
        const QString declared = PageDecoder::declaredCharset(text);
        if (!declared.isEmpty())
            text.replace(declared, QLatin1String("gb2312"), Qt::CaseInsensitive);
        return text;
    }
    PageDecoder decoder;
    if (!fallbackCharset.isEmpty() && PageDecoder::declaredCharset(QString::fromLatin1(bytes.left(4096))).isEmpty())
        decoder.setPageCharset(fallbackCharset);
    return decoder.decode(bytes);
}

// ---- sources

ChmImportSource::ChmImportSource(const ChmArchive& archive, const QString& chmPath)
    : m_archive(archive)
    , m_chmPath(chmPath) {}

std::optional<QByteArray> ChmImportSource::read(const QString& path) const {
    if (!exists(path))
        return std::nullopt;
    return m_archive.object(u'/' + path);
}

bool ChmImportSource::exists(const QString& path) const {
    return !path.isEmpty() && m_archive.contains(u'/' + path);
}

QString ChmImportSource::pageCharset() const {
    const QByteArray charset = m_archive.charset();
    return charset == "GB18030" ? QStringLiteral("gb2312") : charset == "Big5" ? QStringLiteral("big5") : QString();
}

QString ChmImportSource::origin(const QString& path) const {
    return m_chmPath + QLatin1String("::/") + path;
}

FolderImportSource::FolderImportSource(const QString& root)
    : m_root(QDir::cleanPath(root)) {}

std::optional<QByteArray> FolderImportSource::read(const QString& path) const {
    const QFileInfo info(origin(path));
    if (path.isEmpty() || !info.isFile() || quint64(info.size()) > ChmArchive::kMaxObjectSize)
        return std::nullopt;
    return readFileBytes(info.filePath());
}

bool FolderImportSource::exists(const QString& path) const {
    return !path.isEmpty() && QFileInfo(origin(path)).isFile();
}

QString FolderImportSource::origin(const QString& path) const {
    return m_root == QLatin1String("/") ? QString(u'/' + path) : QString(m_root + u'/' + path);
}

// ---- importer

struct BookImporter::Asset {
    int source = 0;
    QString path;
    int number = 0; // a picture's <n>; style sheets keep a name of their own
};

struct BookImporter::Prepared {
    QString title;
    QString volume;
    QString comeFrom;
    QString text; // asset names as placeholders
    int wordNums = 0;
    QList<Asset> assets;
};

BookImporter::BookImporter(const Database& db, const LibraryFolder& folder, const Settings& settings)
    : m_db(db)
    , m_folder(folder)
    , m_settings(settings) {}

BookImporter::~BookImporter() = default;

int BookImporter::addSource(std::unique_ptr<ImportSource> source) {
    m_sources.push_back(std::move(source));
    return int(m_sources.size()) - 1;
}

bool BookImporter::isPicture(const QString& path) {
    static const QStringList pictures{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("gif"),
                                      QStringLiteral("bmp"), QStringLiteral("png")};
    return pictures.contains(extensionOf(path));
}

QList<ImportItem> BookImporter::existingOnce(const QList<ImportItem>& items) const {
    QList<ImportItem> kept;
    QSet<QString> seen;
    for (const ImportItem& item : items) {
        const QString key = QString::number(item.source) + u':' + item.path.toLower();
        if (item.source < 0 || item.source >= int(m_sources.size()) || seen.contains(key) ||
            !m_sources.at(item.source)->exists(item.path))
            continue;
        seen.insert(key);
        kept.append(item);
    }
    return kept;
}

QString BookImporter::relinkAssets(const QString& html, const QString& pageFolder, int source,
                                   QList<Asset>& assets) const {
    struct Change {
        qsizetype start, end;
        QString by;
    };
    QList<Change> changes;
    QHash<QString, int> numbers; // path → asset index
    for (qsizetype at = html.indexOf(u'<'); at >= 0; at = html.indexOf(u'<', at + 1)) {
        const std::optional<HtmlTag> tag = readHtmlTag(html, at);
        if (!tag)
            continue;
        at = tag->end - 1;
        const bool img = tag->name == QLatin1String("img");
        if (tag->endTag || (!img && tag->name != QLatin1String("link")))
            continue;
        for (const HtmlAttribute& a : tag->attributes) {
            if (a.valueStart < 0 || attributeName(html, a) != (img ? QLatin1String("src") : QLatin1String("href")))
                continue;
            const QString value = htmlInnerText(html.mid(a.valueStart, a.valueEnd - a.valueStart));
            const QString path = resolveRelativePath(pageFolder, value);
            if (path.isEmpty() || (img ? !isPicture(path) : !isStyleSheet(path)) ||
                !m_sources.at(source)->exists(path))
                continue;
            int index = numbers.value(path, -1);
            if (index < 0) {
                index = int(assets.size());
                numbers.insert(path, index);
                int pictures = 0;
                for (const Asset& asset : assets)
                    pictures += isPicture(asset.path) ? 1 : 0;
                assets.append({source, path, img ? pictures + 1 : 0});
            }
            // The whole value with its quotes: an unquoted src gets quotes now.
            const qsizetype start = a.valueStart > 0 && (html.at(a.valueStart - 1) == u'"' || html.at(a.valueStart - 1) == u'\'')
                                        ? a.valueStart - 1
                                        : a.valueStart;
            const qsizetype end = start < a.valueStart ? std::min(a.valueEnd + 1, html.size()) : a.valueEnd;
            changes.append({start, end, u'"' + QString(kAssetOpen) + QString::number(index) + QString(kAssetClose) + u'"'});
        }
    }
    QString out = html;
    for (auto it = changes.crbegin(); it != changes.crend(); ++it)
        out.replace(it->start, it->end - it->start, it->by);
    return out;
}

std::optional<BookImporter::Prepared> BookImporter::prepare(const ImportItem& item) const {
    const ImportSource& source = *m_sources.at(item.source);
    Prepared chapter;
    chapter.title = item.title;
    chapter.volume = item.volume;
    chapter.comeFrom = source.origin(item.path);
    if (isPicture(item.path)) {
        chapter.assets.append({item.source, item.path, 0});
        chapter.text = QStringLiteral("<center><img src=\"") + QString(kAssetOpen) + u'0' + QString(kAssetClose) +
                       QStringLiteral("\" border=0></center>");
        chapter.wordNums = int(chapter.text.size());
        return chapter;
    }
    const std::optional<QByteArray> bytes = source.read(item.path);
    if (!bytes)
        return std::nullopt;
    if (isTextFile(item.path)) {
        chapter.text = htmlEscapeText(decodeTextFileBytes(*bytes));
        chapter.wordNums = int(decodeTextFileBytes(*bytes).trimmed().size());
        return chapter;
    }
    const QString page = decodeImportedPage(*bytes, source.pageCharset());
    const BookContentRange range = bookContentRange(page);
    chapter.text = relinkAssets(range.found() ? page.mid(range.start, range.length) : page,
                                item.path.section(u'/', 0, -2), item.source, chapter.assets);
    // A chapter's text counts as downloads count it; a whole page by the text a reader sees.
    chapter.wordNums = range.found() ? int(chapter.text.trimmed().size()) : textLength(chapter.text);
    return chapter;
}

QList<BookImporter::Prepared> BookImporter::prepareAll(const QList<ImportItem>& items, const Progress& progress,
                                                       bool* stopped) const {
    QList<Prepared> chapters;
    const int total = int(items.size()) * 2;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (progress && !progress(int(i), total)) {
            *stopped = true;
            return {};
        }
        if (std::optional<Prepared> chapter = prepare(items.at(i)))
            chapters.append(std::move(*chapter));
    }
    return chapters;
}

bool BookImporter::writeStaged(const QString& stageDir, const QString& novelId, const QList<qint64>& ids,
                               const QList<Prepared>& chapters, const Progress& progress, bool* stopped,
                               QString* error) const {
    const NovelFileWriter writer(m_folder, m_settings);
    QHash<QString, QString> styleNames; // source path → name in the novel's folder
    QSet<QString> usedStyleNames;
    const int total = int(chapters.size()) * 2;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        if (progress && !progress(int(chapters.size() + i), total)) {
            *stopped = true;
            return false;
        }
        const Prepared& chapter = chapters.at(i);
        const qint64 id = ids.at(i);
        QStringList names;
        for (const Asset& asset : chapter.assets) {
            QString name;
            const QString key = QString::number(asset.source) + u':' + asset.path;
            if (isStyleSheet(asset.path)) {
                name = styleNames.value(key);
                if (name.isEmpty()) {
                    const QString base = QFileInfo(asset.path).completeBaseName();
                    name = base + QLatin1String(".css");
                    for (int n = 2; usedStyleNames.contains(name.toLower()); ++n)
                        name = base + u'_' + QString::number(n) + QLatin1String(".css");
                    usedStyleNames.insert(name.toLower());
                    styleNames.insert(key, name);
                } else {
                    names << name;
                    continue; // copied already
                }
            } else {
                name = novelId + u'_' + QString::number(id) + u'_' + QString::number(asset.number) + u'.' +
                       extensionOf(asset.path);
            }
            const std::optional<QByteArray> bytes = m_sources.at(asset.source)->read(asset.path);
            QFile file(stageDir + u'/' + name);
            if (!bytes || !file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()) {
                if (error)
                    *error = tr("无法写入文件：") + name;
                return false;
            }
            names << name;
        }
        QString text = chapter.text;
        for (qsizetype n = 0; n < names.size(); ++n)
            text.replace(QString(kAssetOpen) + QString::number(n) + QString(kAssetClose), names.at(n));
        QFile page(stageDir + u'/' + QString::number(id) + QLatin1String(".htm"));
        const QByteArray bytes = writer.pageBytes(text, chapter.title);
        if (!page.open(QIODevice::WriteOnly) || page.write(bytes) != bytes.size() || !page.flush()) {
            if (error)
                *error = tr("无法写入文件：") + page.fileName();
            return false;
        }
    }
    return true;
}

std::unique_ptr<QTemporaryDir> BookImporter::prepareStage(const QList<ImportItem>& items, const Progress& progress,
                                                          QList<Prepared>& chapters, Result& result) const {
    chapters = prepareAll(items, progress, &result.stopped);
    if (result.stopped)
        return nullptr;
    if (chapters.isEmpty()) {
        result.error = tr("没有可导入的章节");
        return nullptr;
    }
    QDir().mkpath(m_folder.tempDir());
    auto stage = std::make_unique<QTemporaryDir>(m_folder.tempDir() + QLatin1String("/import-XXXXXX"));
    if (!stage->isValid()) {
        result.error = tr("无法建立临时文件夹：%1").arg(stage->errorString());
        return nullptr;
    }
    return stage;
}

BookImporter::Result BookImporter::importNovel(const QString& name, const QString& categoryCode,
                                               const QList<ImportItem>& items, const Progress& progress) {
    Result result;
    QList<Prepared> chapters;
    const std::unique_ptr<QTemporaryDir> stage = prepareStage(items, progress, chapters, result);
    if (!stage)
        return result;
    const NovelStore novels(m_db);
    QString novelDir;
    bool moved = false;
    const bool stored = m_db.transaction([&] {
        NovelRecord novel;
        novel.novelId = novels.nextNovelId();
        if (novel.novelId.isEmpty()) {
            result.error = tr("小说编号已用完");
            return false;
        }
        novelDir = m_folder.novelDir(novel.novelId);
        if (QFileInfo::exists(novelDir)) {
            result.error = tr("文件夹已存在：") + novelDir;
            return false;
        }
        novel.novelName = name.trimmed().isEmpty() ? tr("新小说") : name.trimmed();
        const QString base = novel.novelName;
        for (int n = 2; novels.nameExists(novel.novelName); ++n)
            novel.novelName = base + QStringLiteral("（%1）").arg(n);
        novel.lb = categoryCode;
        novel.bIsEnd = QStringLiteral("0");
        if (!novels.insertNovel(novel))
            return false;
        QList<ChapterRecord> records;
        for (qsizetype i = 0; i < chapters.size(); ++i)
            records.append({novel.novelId, chapters.at(i).title, chapters.at(i).comeFrom, chapters.at(i).volume,
                            int(i) + 1, chapters.at(i).wordNums});
        const QList<qint64> ids = ChapterStore(m_db).insertChapters(records);
        if (ids.size() != records.size())
            return false;
        if (!writeStaged(stage->path(), novel.novelId, ids, chapters, progress, &result.stopped, &result.error))
            return false;
        if (!QDir().rename(stage->path(), novelDir)) {
            result.error = tr("无法移动文件夹：") + stage->path();
            return false;
        }
        moved = true;
        stage->setAutoRemove(false);
        result.novelId = novel.novelId;
        result.novelName = novel.novelName;
        result.chapters = int(chapters.size());
        return writeListPage(m_db, m_folder, m_settings, novel.novelId, &result.error) &&
               BookcaseStore(m_db).registerEntry(novel.novelName, novel.lb, QString(),
                                                 m_folder.novelListPage(novel.novelId));
    });
    if (!stored) {
        if (moved)
            QDir(novelDir).removeRecursively();
        result.novelId.clear();
        result.error = result.stopped ? QString() : result.error.isEmpty() ? tr("导入失败") : result.error;
    }
    return result;
}

BookImporter::Result BookImporter::appendChapters(const QString& novelId, const QList<ImportItem>& items,
                                                  const Progress& progress) {
    Result result;
    const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(novelId);
    if (!novel) {
        result.error = tr("没有这部小说：") + novelId;
        return result;
    }
    QList<Prepared> chapters;
    const std::unique_ptr<QTemporaryDir> stage = prepareStage(items, progress, chapters, result);
    if (!stage)
        return result;
    const QString novelDir = m_folder.novelDir(novelId);
    QStringList moved;
    const bool stored = m_db.transaction([&] {
        const ChapterStore store(m_db);
        const int first = store.nextChapterOrder(novelId);
        QList<ChapterRecord> records;
        for (qsizetype i = 0; i < chapters.size(); ++i)
            records.append({novelId, chapters.at(i).title, chapters.at(i).comeFrom, QString(), first + int(i),
                            chapters.at(i).wordNums});
        const QList<qint64> ids = store.insertChapters(records);
        if (ids.size() != records.size())
            return false;
        if (!writeStaged(stage->path(), novelId, ids, chapters, progress, &result.stopped, &result.error))
            return false;
        QDir().mkpath(novelDir);
        for (const QString& name : QDir(stage->path()).entryList(QDir::Files)) {
            // A file of that name is a leftover of no chapter: the new ids are unused.
            QFile::remove(novelDir + u'/' + name);
            if (!QFile::rename(stage->path() + u'/' + name, novelDir + u'/' + name)) {
                result.error = tr("无法移动文件：") + name;
                return false;
            }
            moved << name;
        }
        return writeListPage(m_db, m_folder, m_settings, novelId, &result.error);
    });
    if (!stored) {
        for (const QString& name : moved)
            QFile::remove(novelDir + u'/' + name);
        result.error = result.stopped ? QString() : result.error.isEmpty() ? tr("导入失败") : result.error;
        return result;
    }
    result.novelId = novelId;
    result.novelName = novel->novelName;
    result.chapters = int(chapters.size());
    return result;
}
