#include "output/listtable.h"

#include <algorithm>

QString htmlEscapeText(const QString& value) {
    // Most titles need nothing: a contents page escapes thousands of them.
    const bool plain = std::none_of(value.cbegin(), value.cend(), [](QChar c) {
        return c == u'<' || c == u'>' || c == u'\r' || c == u'\n' || c == u' ';
    });
    if (plain)
        return value;
    QString out = value;
    out.replace(u'<', QLatin1String("&lt;"));
    out.replace(u'>', QLatin1String("&gt;"));
    out.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    out.replace(u'\n', QLatin1String("<br>"));
    out.replace(u'\r', QLatin1String("<br>"));
    out.replace(u' ', QLatin1String("&nbsp;"));
    return out;
}

QString volumeHeading(const VolumeRun& run) {
    return run.volume.isEmpty() ? QStringLiteral("正文") : run.volume;
}

QString buildListTable(const QList<OutputChapter>& chapters, int perLine, bool volumeLinks) {
    const int n = perLine < 1 ? 2 : perLine;
    const QString width = QString::number(100 / n);
    const QString cellStart =
        QLatin1String("<TD width=") + width + QLatin1String("% align=left>&nbsp;<A href=\"");
    const QString filler = QLatin1String("<TD width=") + width + QLatin1String("%>&nbsp;</TD>");

    QString table;
    table.reserve(chapters.size() * (cellStart.size() + 48)); // a cell: its start, id, title and end
    for (const VolumeRun& run : volumeRuns(chapters)) {
        // Only the tag characters are escaped: the import of contents pages reads the heading back
        // up to its first "<".
        QString heading = volumeHeading(run);
        heading.replace(u'<', QLatin1String("&lt;")).replace(u'>', QLatin1String("&gt;"));
        table += QLatin1String("<TR><td bgcolor=#F6F6F6 align=center colspan=") + QString::number(n) + u'>' +
                 heading;
        if (volumeLinks)
            table += QLatin1String("  [ <a href=vol") + QString::number(run.number) +
                     QStringLiteral(".htm>分卷阅读</a> ]");
        table += QLatin1String("</td></TR>\r\n");

        for (qsizetype i = 0; i < run.count; ++i) {
            const OutputChapter& chapter = chapters.at(run.first + i);
            if (i % n == 0)
                table += QLatin1String("<TR>");
            table += cellStart + QString::number(chapter.id) + QLatin1String(".htm\">") +
                     htmlEscapeText(chapter.title) + QLatin1String("</A></CENTER></TD>");
            if (i % n == n - 1)
                table += QLatin1String("</TR>\r\n");
        }
        if (run.count % n != 0) {
            for (qsizetype i = run.count % n; i < n; ++i)
                table += filler;
            table += QLatin1String("</TR>\r\n");
        }
    }
    return table;
}
