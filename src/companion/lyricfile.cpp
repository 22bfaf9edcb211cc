#include "companion/lyricfile.h"

#include "storage/textfile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads digits from pos: their value, or -1 when there are none or too many.
int digits(QStringView s, qsizetype& pos, int most) {
    int value = 0;
    int count = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        if (++count > most)
            return -1;
        value = value * 10 + (s[pos].unicode() - u'0');
        ++pos;
    }
    return count == 0 ? -1 : value;
}

// A time tag at pos ("[mm:ss]", "[mm:ss.xx]", "[mm:ss:xx]"): its whole seconds, pos moved past it;
// -1 (pos unchanged) for anything else.
int timeTag(QStringView s, qsizetype& pos) {
    qsizetype p = pos;
    if (p >= s.size() || s[p] != u'[')
        return -1;
    ++p;
    const int minutes = digits(s, p, 4);
    if (minutes < 0 || p >= s.size() || s[p] != u':')
        return -1;
    ++p;
    const int seconds = digits(s, p, 2);
    if (seconds < 0 || seconds > 59 || p >= s.size())
        return -1;
    if (s[p] == u'.' || s[p] == u':') {
        ++p;
        if (digits(s, p, 3) < 0)
            return -1;
    }
    if (p >= s.size() || s[p] != u']')
        return -1;
    pos = p + 1;
    return minutes * 60 + seconds;
}

} // namespace

LyricFile LyricFile::fromBytes(const QByteArray& bytes) {
    return fromText(decodeTextFileBytes(bytes));
}

LyricFile LyricFile::fromText(const QString& text) {
    LyricFile file;
    for (QStringView line : QStringView(text).split(u'\n')) {
        qsizetype pos = 0;
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        QList<int> seconds;
        for (int s = timeTag(line, pos); s >= 0; s = timeTag(line, pos)) {
            seconds << s;
            while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
                ++pos;
        }
        const QString lyric = line.mid(pos).trimmed().toString();
        for (const int s : seconds)
            file.m_lines.append({s, lyric});
    }
    std::stable_sort(file.m_lines.begin(), file.m_lines.end(),
                     [](const Line& a, const Line& b) { return a.second < b.second; });
    return file;
}

std::optional<LyricFile> LyricFile::load(const QString& path) {
    const std::optional<QByteArray> bytes = readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    return fromBytes(*bytes);
}

QString LyricFile::pathFor(const QString& songPath) {
    if (!songPath.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive) ||
        QFileInfo(songPath).fileName().size() <= 4)
        return QString();
    return songPath.chopped(4) + QLatin1String(".lrc");
}

std::optional<QString> LyricFile::textAt(int seconds) const {
    // The first line of a later second; the one before it is the latest not after the position, and
    // of several lines of that second the first in the file.
    auto after = std::upper_bound(m_lines.begin(), m_lines.end(), seconds,
                                  [](int s, const Line& line) { return s < line.second; });
    if (after == m_lines.begin())
        return std::nullopt;
    const int second = std::prev(after)->second;
    auto first = std::lower_bound(m_lines.begin(), after, second,
                                  [](const Line& line, int s) { return line.second < s; });
    return first->text.isEmpty() ? instrumental() : first->text;
}

QString LyricFile::clock(int seconds) {
    seconds = std::max(seconds, 0);
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
