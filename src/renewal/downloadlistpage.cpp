#include "renewal/downloadlistpage.h"

#include "output/listtable.h"
#include "output/pagetemplates.h"

namespace DownloadListPage {

QString cellId(int row) {
    return QStringLiteral("downloadview") + QString::number(row + 1);
}

QString rows(const QStringList& titles) {
    if (titles.isEmpty())
        return QStringLiteral("<tr><td colspan=3 align=center>没有新内容</td></tr>");
    QString out;
    for (int i = 0; i < titles.size(); ++i)
        out += QStringLiteral("<tr><td align=center>%1</td><td>%2</td><td align=center id=%3></td></tr>\r\n")
                   .arg(i + 1)
                   .arg(htmlEscapeText(titles.at(i)), cellId(i));
    return out;
}

QString fillTemplate(const QString& pageTemplate, const QString& bookName, const QStringList& titles) {
    QString out = pageTemplate;
    out.replace(QLatin1String("[[BookName]]"), htmlEscapeText(bookName));
    out.replace(QLatin1String("[[Content]]"), rows(titles));
    return out;
}

QString page(const LibraryFolder& folder, const QString& bookName, const QStringList& titles) {
    return fillTemplate(PageTemplates::readModelTemplate(folder, QStringLiteral("vbdownload.htm")), bookName,
                        titles);
}

QString failedCell() {
    return QStringLiteral("<font color=red>下载失败</font>");
}

QString percent(int done, int total) {
    return QString::number(total > 0 ? 100.0 * done / total : 100.0, 'f', 2);
}

QString pauseStatus(int pauseMs) {
    if (pauseMs <= 0)
        return {};
    return QStringLiteral("等待%1秒后下载下一章节").arg(QString::number(pauseMs / 1000.0));
}

} // namespace DownloadListPage
