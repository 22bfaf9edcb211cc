#include "toc/volumes.h"

#include "text/html.h"
#include "text/regex.h"

#include <algorithm>

namespace {

// Class names and ids old site templates gave their volume rows.
const char* const kFallbackMarkers[] = {"vcss", "style3", "style6", "class=td_title", "id=mlm0"};

// Where a link without a known place stands: its title after the previous link, also with "&"
// written as the page writes it.
qsizetype locateTitle(const QString& listText, const QString& title, qsizetype from) {
    if (title.isEmpty())
        return from;
    qsizetype at = listText.indexOf(title, from);
    if (at < 0 && title.contains(u'&')) {
        QString escaped = title;
        at = listText.indexOf(escaped.replace(QLatin1String("&"), QLatin1String("&amp;")), from);
    }
    return at < 0 ? from : at;
}

} // namespace

int findVolumeIndex(qsizetype position, const QList<qsizetype>& headingPositions) {
    const auto it = std::lower_bound(headingPositions.cbegin(), headingPositions.cend(), position);
    return int(it - headingPositions.cbegin()) - 1;
}

QString getVolumeTitle(const QString& match, const QString& startMarker, const QString& endMarker) {
    QString title = match.mid(startMarker.size());
    title.chop(std::min(endMarker.size(), title.size()));
    const QString tags = QStringLiteral("<[\\s\\S]+?>");
    title = regexRemove(tags, title);
    const qsizetype gt = title.lastIndexOf(u'>');
    if (gt >= 0)
        title = title.mid(gt + 1);
    title = regexRemove(tags, title);
    title = decodeHtmlEntities(title);
    title.remove(u'\r');
    title.remove(u'\n');
    for (const QChar c : {u'[', u']', u'<', u'>', u'"'})
        title.remove(c);
    return title.trimmed();
}

QPair<QString, QString> volumeMarkers(const QString& listText, const QString& volumeStart,
                                      const QString& volumeEnd) {
    QString start = volumeStart;
    if (start.isEmpty()) {
        for (const char* marker : kFallbackMarkers) {
            if (listText.contains(QLatin1String(marker), Qt::CaseInsensitive)) {
                start = QLatin1String(marker);
                break;
            }
        }
    }
    return {start, volumeEnd.isEmpty() ? QStringLiteral("<") : volumeEnd};
}

void assignVolumes(const QString& listText, ChapterLinks& links, const QString& volumeStart,
                   const QString& volumeEnd) {
    const auto [start, end] = volumeMarkers(listText, volumeStart, volumeEnd);
    QList<qsizetype> positions;
    QStringList names;
    if (!start.isEmpty()) {
        const QString pattern = escapeRegex(start) + QStringLiteral("[\\s\\S]+?") + escapeRegex(end);
        for (const RegexMatch& m : regexMatches(listText, pattern)) {
            positions.append(m.start);
            names.append(getVolumeTitle(m.captures.at(0), start, end));
        }
    }
    qsizetype previous = 0;
    for (ChapterLink& link : links) {
        if (link.position < 0)
            link.position = locateTitle(listText, link.title, previous);
        previous = link.position;
        const int index = positions.isEmpty() ? -1 : findVolumeIndex(link.position, positions);
        link.volume = index < 0 ? QString() : names.at(index);
    }
}
