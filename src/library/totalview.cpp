#include "library/totalview.h"

#include "library/readingpages.h"
#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>

namespace {

struct Counts {
    qint64 chapters = 0;
    qint64 words = 0;
};

struct Group {
    QString code; // "" for the novels without category
    QString name;
};

} // namespace

TotalViewJob::TotalViewJob(Database& db, const LibraryFolder& folder, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder) {}

QString TotalViewJob::formatCount(qint64 value) {
    const bool negative = value < 0;
    QString digits = QString::number(negative ? -value : value).rightJustified(4, u'0');
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return negative ? QString(QLatin1Char('-') + digits) : digits;
}

QString TotalViewJob::formatSize(qint64 bytes) {
    if (bytes < 1024)
        return QString::number(bytes) + QLatin1String(" B");
    if (bytes < 1024 * 1024)
        return QString::number(bytes / 1024.0, 'f', 1) + QLatin1String(" KB");
    return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + QLatin1String(" MB");
}

qint64 TotalViewJob::folderSize(const QString& path) {
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

QString TotalViewJob::contentRows() {
    // Chapter counts and lengths of all novels in one pass.
    QHash<QString, Counts> counts;
    QSqlQuery q = m_db.query(
        QStringLiteral("SELECT NovelID, count(*), sum(WordNums) FROM book_novelcontent GROUP BY NovelID"));
    while (q.next())
        counts.insert(textOf(q.value(0)), {q.value(1).toLongLong(), q.value(2).toLongLong()});

    QList<Group> groups;
    QSqlQuery c = m_db.query(QStringLiteral("SELECT DM, MC FROM dic_noveltype ORDER BY DM"));
    while (c.next())
        groups.append({textOf(c.value(0)), textOf(c.value(1))});
    groups.append({QString(), tr("未分类")});

    QString out;
    for (const Group& group : groups) {
        if (stopRequested())
            return {};
        setStatus(tr("正在统计分类“") + group.name + tr("”中的小说，请稍候..."));
        QSqlQuery n =
            group.code.isEmpty()
                ? m_db.query(QStringLiteral(
                      "SELECT NovelID, NovelName, Author, bIsEnd FROM book_novel WHERE LB = '' OR LB IS "
                      "NULL OR LB NOT IN (SELECT DM FROM dic_noveltype) ORDER BY Displayorder, NovelID"))
                : m_db.query(QStringLiteral("SELECT NovelID, NovelName, Author, bIsEnd FROM book_novel "
                                            "WHERE LB = ? ORDER BY Displayorder, NovelID"),
                             {group.code});
        QString rows;
        int number = 0;
        while (n.next()) {
            if (stopRequested())
                return {};
            const QString id = textOf(n.value(0));
            const Counts count = counts.value(id);
            rows += QLatin1String("<tr><td class=num>") + QString::number(++number) +
                    QLatin1String("</td><td><a href=\"") +
                    ReadingPages::fileUrl(m_folder.novelListPage(id)).toHtmlEscaped() + QLatin1String("\">") +
                    textOf(n.value(1)).toHtmlEscaped() + QLatin1String("</a></td><td>") +
                    textOf(n.value(2)).toHtmlEscaped() + QLatin1String("</td><td>") +
                    (textOf(n.value(3)) == QLatin1String("1") ? tr("已全本") : tr("连载中")) +
                    QLatin1String("</td><td class=num>") + QString::number(count.chapters) +
                    QLatin1String("</td><td class=num>") + formatCount(count.words) +
                    QLatin1String("</td><td class=num>") + formatSize(folderSize(m_folder.novelDir(id))) +
                    QLatin1String("</td></tr>\r\n");
        }
        if (rows.isEmpty() && group.code.isEmpty())
            continue;
        out +=
            QLatin1String("<table cellspacing=0 cellpadding=0>\r\n<tr><th class=category colspan=7>") +
            group.name.toHtmlEscaped() +
            QStringLiteral("</th></tr>\r\n<tr><th>序号</th><th>小说名称</th><th>作者</th>"
                           "<th>状态</th><th>章节数</th><th>字数</th><th>占用空间</th></tr>\r\n") +
            (rows.isEmpty() ? QStringLiteral("<tr><td align=center colspan=7>无内容</td></tr>\r\n") : rows) +
            QLatin1String("</table>\r\n");
    }
    return out;
}

void TotalViewJob::run() {
    const QString rows = contentRows();
    m_db.releaseThreadConnection();
    if (stopRequested())
        return;
    m_pagePath = ReadingPages::writePage(m_folder, QStringLiteral("vbtotalview.htm"), rows,
                                         QStringLiteral("totalview.htm"), &m_error);
}
