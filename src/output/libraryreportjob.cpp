#include "output/libraryreportjob.h"

#include "output/listtable.h"
#include "output/outputstore.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "text/charset.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

namespace {

qint64 folderSize(const QString& path) {
    qint64 size = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        size += it.fileInfo().size();
    }
    return size;
}

const QString kTableHead = QStringLiteral(
    "<table id=t_body align=center border=1 width=90%   cellpadding=3  borderColor=#333333 "
    "style='border-collapse: collapse;word-break:break-all;'>\r\n"
    "<tr><td align=center>序号</td><td align=center>小说名称</td><td align=center>作者</td><td "
    "align=center>章数</td><td align=center>连载状态</td><td align=center>字数</td><td "
    "align=center>文件夹大小</td></tr>\r\n");

} // namespace

LibraryReportJob::LibraryReportJob(Database& db, const LibraryFolder& folder, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder) {}

QString LibraryReportJob::formatWords(qint64 words) {
    QString digits = QString::number(words < 0 ? -words : words);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return words < 0 ? u'-' + digits : digits;
}

QString LibraryReportJob::formatSize(qint64 bytes) {
    if (bytes < 1024)
        return QString::number(bytes) + QLatin1String(" B");
    if (bytes < 1024 * 1024)
        return QString::number(double(bytes) / 1024.0, 'f', 1) + QLatin1String(" KB");
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 2) + QLatin1String(" MB");
}

QString LibraryReportJob::novelRows(const QString& lb, int& number) {
    QString rows;
    for (const OutputStore::NovelFigures& novel : OutputStore(m_db).novelFigures(lb)) {
        const QString link = QUrl::fromLocalFile(m_folder.novelListPage(novel.novelId)).toString();
        rows += QLatin1String("<tr><td align=center>") + QString::number(++number) +
                QLatin1String("</td><td><a href=\"") + link + QLatin1String("\">") +
                htmlEscapeText(novel.name) + QLatin1String("</a></td><td>") + htmlEscapeText(novel.author) +
                QLatin1String("</td><td align=center>") + QString::number(novel.chapters) +
                QLatin1String("</td><td align=center>") + (novel.ended ? tr("已全本") : tr("连载中")) +
                QLatin1String("</td><td align=right>") + formatWords(novel.words) +
                QLatin1String("</td><td align=right>") +
                formatSize(folderSize(m_folder.novelDir(novel.novelId))) + QLatin1String("</td></tr>\r\n");
    }
    return rows;
}

void LibraryReportJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    QString table = kTableHead;
    int number = 0;
    const QList<Category> categories = CategoryStore(m_db).list();
    for (const Category& category : categories) {
        if (stopRequested()) {
            m_result.stopped = true;
            return;
        }
        setStatus(tr("正在统计分类“") + category.name + tr("”中的小说，请稍候..."));
        table += QLatin1String("<TR><td bgcolor=#F6F6F6 align=center colspan=7>") +
                 htmlEscapeText(category.name) + QLatin1String("</td></TR>\r\n") +
                 novelRows(category.code, number);
    }
    setStatus(tr("正在统计未分类的小说，请稍候..."));
    const QString uncategorised = novelRows(QString(), number);
    if (!uncategorised.isEmpty())
        table += QLatin1String("<TR><td bgcolor=#F6F6F6 align=center colspan=7>") + tr("未分类") +
                 QLatin1String("</td></TR>\r\n") + uncategorised;
    table += QLatin1String("</table>\r\n");
    setStatus(QString());

    const QString page =
        QStringLiteral("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                       "charset=gb2312\">\r\n<title>小说总览</title>\r\n<link rel=\"stylesheet\" "
                       "type=\"text/css\" href=\"chm/style.css\">\r\n</head>\r\n<body>\r\n<h1 "
                       "class=\"title\" align=center>小说总览</h1>\r\n") +
        table + QLatin1String("</body>\r\n</html>\r\n");
    const QString path = m_folder.file(QStringLiteral("totalview.htm"));
    QString error;
    if (!writeBytesAtomically(path, encodeHtmlForCharset(page, QStringLiteral("gb2312")), &error)) {
        m_result.error = error;
        prompter().warning(error);
        return;
    }
    m_result.ok = true;
    m_result.path = path;
}
