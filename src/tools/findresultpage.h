#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The hits of one chapter and the result page (find.htm) the search window shows them on.
namespace FindResultPage {

// A line of the chapter text holding the searched text; numbers count from 0.
struct TextLine {
    int number = 0;
    QString text;
};

// The lines of the page's plain text that hold the text (case-sensitive). Links, option lists and
// scripts are dropped first, so a word only inside a link is no hit.
QList<TextLine> textLines(const QString& page, const QString& find);
// "行 <n> - <line>", as the command line lists a hit.
QString lineLabel(const TextLine& line);

// One chapter's part of the page; every text escaped before the hits are marked red.
QString titleEntry(qint64 chapterId, const QString& title); // also the text target's chapter line
QString volumeEntry(qint64 chapterId, const QString& title, const QString& volume);
QString comeFromEntry(qint64 chapterId, const QString& title, const QString& address);
QString textEntry(qint64 chapterId, const QString& title, const QList<TextLine>& lines, const QString& find);
// Between and regular-expression matches; the start and end texts (between mode) are marked.
QString matchesEntry(qint64 chapterId, const QString& title, const QStringList& matches, const QString& start,
                     const QString& end);

// The whole page: the header in the background colour, "搜索结果:" and the entries, or the note that
// nothing was found. charsetSetting is the display charset: "big5" writes Big5, anything else GBK.
QString html(const QStringList& entries, const QString& bgColor, const QString& charsetSetting);
QByteArray bytes(const QString& html, const QString& charsetSetting);

// The text escaped, every occurrence of any of the marks wrapped in red.
QString highlighted(const QString& text, const QStringList& marks);

} // namespace FindResultPage
