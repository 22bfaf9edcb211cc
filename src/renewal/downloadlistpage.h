#pragma once

#include <QString>
#include <QStringList>

class LibraryFolder;

// The download list page "Quiveral下载列表" the reading view shows during a run: one row per chapter
// (its number, its title, an empty state cell with the element id "downloadview" + number), or one
// row "没有新内容". Rows are numbered from 1; the events number them from 0.
namespace DownloadListPage {

QString rows(const QStringList& titles);
// model/vbdownload.htm with "[[BookName]]" and "[[Content]]" filled.
QString page(const LibraryFolder& folder, const QString& bookName, const QStringList& titles);
QString fillTemplate(const QString& pageTemplate, const QString& bookName, const QStringList& titles);
// The element id of a row's state cell (row from 0).
QString cellId(int row);
// The state cell of a chapter that could not be fetched or stored.
QString failedCell();
// "12.34" of the status texts' "总进度:…%".
QString percent(int done, int total);
// The status while the next chapter of a host waits its DelayTime; "" without a pause.
QString pauseStatus(int pauseMs);

} // namespace DownloadListPage
