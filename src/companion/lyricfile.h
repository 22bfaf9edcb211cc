#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

// A song's timed lyrics (.lrc): lines led by one or more time tags [mm:ss], [mm:ss.xx] or [mm:ss:xx].
// Other tags ([ti:…], [offset:…]) and untagged lines are left out.
class LyricFile {
    Q_DECLARE_TR_FUNCTIONS(LyricFile)

public:
    struct Line {
        int second = 0; // of its tag; fractions dropped
        QString text;   // what follows the leading tags
    };

    // UTF-8 with a byte-order mark or valid UTF-8, else GB18030.
    static LyricFile fromBytes(const QByteArray& bytes);
    static LyricFile fromText(const QString& text);
    // Nothing when the file cannot be read.
    static std::optional<LyricFile> load(const QString& path);
    // The lyric file of a song: only an .mp3 has one, beside it with ".lrc"; "" for any other.
    static QString pathFor(const QString& songPath);

    // One entry per tag, by time; lines of the same second keep their file order.
    const QList<Line>& lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }

    // What the status bar shows at that position: the text of the latest tag not after it ("音乐..."
    // for a tag without text); nothing before the first tag.
    std::optional<QString> textAt(int seconds) const;

    static QString instrumental() { return tr("音乐..."); }
    // "01:05" for 65.
    static QString clock(int seconds);

private:
    QList<Line> m_lines;
};
