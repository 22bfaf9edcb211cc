#include "addnovel/olddownloads.h"

#include "output/listpage.h"
#include "storage/bookcasestore.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "text/html.h"
#include "text/innertext.h"
#include "storage/libraryfolder.h"
#include "text/markers.h"
#include "storage/novelstore.h"
#include "text/regex.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

struct OldChapter {
    QString file; // page file name in the folder
    QString title;
};

bool isNovelId(const QString& name) {
    static const QRegularExpression sixDigits(QStringLiteral("^[0-9]{6}$"));
    return sixDigits.match(name).hasMatch();
}

// The chapter pages the list links to, in list order, each once.
QList<OldChapter> chaptersOf(const QString& dirPath, const QString& listPage) {
    static const QRegularExpression pageName(QStringLiteral("^[0-9]+\\.htm$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QList<OldChapter> chapters;
    QSet<QString> seen;
    for (const HtmlLink& link : htmlLinks(listPage)) {
        const QString file = link.href.trimmed();
        if (!pageName.match(file).hasMatch() || seen.contains(file.toLower()))
            continue;
        if (!QFileInfo(dirPath + u'/' + file).isFile())
            continue;
        seen.insert(file.toLower());
        chapters.append({file, link.text.simplified()});
    }
    return chapters;
}

int textLength(const QString& page) {
    const QString content = getTextBetween(page, kBookContentStart, kBookContentEnd);
    return int(htmlInnerText(content.isEmpty() ? page : content).trimmed().size());
}

} // namespace

QList<OldDownloads::Entry> OldDownloads::list(const Database& db, const LibraryFolder& folder) {
    QList<Entry> entries;
    const NovelStore novels(db);
    const QDir chm(folder.chmDir());
    for (const QString& name : chm.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = chm.filePath(name);
        const QString listPage = path + QLatin1String("/List.htm");
        if (!QFileInfo(listPage).isFile())
            continue;
        if (isNovelId(name) && novels.loadNovel(name))
            continue;
        QString novelName = novelNameOf(readTextFile(listPage));
        if (novelName.isEmpty())
            novelName = name;
        entries.append({name, path, novelName});
    }
    return entries;
}

QString OldDownloads::novelNameOf(const QString& listPage) {
    QString name = getTextBetweenStrict(listPage, QStringLiteral("<CENTER>"), QStringLiteral("</CENTER>"));
    if (name.isEmpty())
        name = getTextBetweenStrict(listPage, QStringLiteral("<h1>"), QStringLiteral("</h1>"));
    return decodeHtmlEntities(regexRemove(QStringLiteral("<[\\s\\S]+?>"), name)).simplified();
}

QString OldDownloads::importNovel(const Database& db, const LibraryFolder& folder, const Settings& settings,
                                  const Entry& entry, QString* error) {
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return QString();
    };
    const QString listPage = readTextFile(entry.path + QLatin1String("/List.htm"));
    const QList<OldChapter> chapters = chaptersOf(entry.path, listPage);
    const NovelStore novels(db);
    QString novelId = entry.folderName;
    if (!isNovelId(novelId) || novels.loadNovel(novelId))
        novelId = novels.nextNovelId();
    if (novelId.isEmpty())
        return fail(tr("小说编号已用完"));
    const QString target = folder.novelDir(novelId);
    if (target != entry.path && QFileInfo::exists(target))
        return fail(tr("文件夹已存在：") + target);

    // The folder moves first, so that a novel row never points at pages that are not there; when the
    // rows cannot be stored it moves back.
    if (target != entry.path && !QDir().rename(entry.path, target))
        return fail(tr("无法移动文件夹：") + entry.path);
    QList<QPair<QString, qint64>> renames;
    const ChapterStore store(db);
    const bool stored = db.transaction([&] {
        NovelRecord novel;
        novel.novelId = novelId;
        novel.novelName = entry.name;
        novel.bIsEnd = QStringLiteral("0");
        if (!novels.insertNovel(novel))
            return false;
        int order = 0;
        for (const OldChapter& chapter : chapters) {
            ChapterRecord record;
            record.novelId = novelId;
            record.title = chapter.title;
            record.displayorder = ++order;
            record.wordNums = textLength(readTextFile(target + u'/' + chapter.file));
            const qint64 id = store.insertChapter(record);
            if (id < 0)
                return false;
            renames.append({chapter.file, id});
        }
        return true;
    });
    if (!stored) {
        if (target != entry.path)
            QDir().rename(target, entry.path);
        return fail(tr("导入失败：") + entry.name);
    }
    // Through temporary names: a new id may be the number of a page not yet renamed.
    const QString temporary = QStringLiteral(".import-");
    for (const auto& [file, id] : renames)
        QFile::rename(target + u'/' + file, target + u'/' + temporary + file);
    for (const auto& [file, id] : renames)
        QFile::rename(target + u'/' + temporary + file, folder.chapterPage(novelId, id));

    BookcaseStore(db).registerEntry(entry.name, QString(), QString(), folder.novelListPage(novelId));
    writeListPage(db, folder, settings, novelId);
    return novelId;
}

bool OldDownloads::remove(const Entry& entry) {
    return QDir(entry.path).removeRecursively();
}
