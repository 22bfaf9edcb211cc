// Lyric files from arbitrary bytes: never a crash, lines in time order, and a text at every second
// from the first tag on.
#include "fuzzinput.h"

#include "companion/lyricfile.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LyricFile lyric = LyricFile::fromBytes(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    const QList<LyricFile::Line>& lines = lyric.lines();
    for (qsizetype i = 1; i < lines.size(); ++i)
        fuzzCheck(lines.at(i - 1).second <= lines.at(i).second);
    for (const LyricFile::Line& line : lines) {
        fuzzCheck(line.second >= 0);
        const std::optional<QString> text = lyric.textAt(line.second);
        fuzzCheck(text && !text->isEmpty());
    }
    fuzzCheck(lines.isEmpty() || !lyric.textAt(lines.first().second - 1));
    return 0;
}
