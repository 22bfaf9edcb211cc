// music: the background music's play list (musiclist.dat) on the command line. lyrics: what a lyric
// file shows and when.
#include "app/cli.h"
#include "app/cli_args.h"

#include "companion/lyricfile.h"
#include "companion/playlist.h"
#include "storage/librarycontext.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString kMusicUsage = QStringLiteral("用法: quiveral-cli music list\n"
                                           "      quiveral-cli music add FILE...\n"
                                           "      quiveral-cli music add-dir DIR\n"
                                           "      quiveral-cli music remove N...\n"
                                           "      quiveral-cli music clear");
const QString kLyricsUsage = QStringLiteral("用法: quiveral-cli lyrics FILE [--at 秒数|mm:ss]");

QString fullPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Positions as the list prints them, from 1.
void printEntries(CliContext& cli, const QStringList& entries, int firstNumber) {
    if (cli.json) {
        cli.printJson(QJsonArray::fromStringList(entries));
        return;
    }
    for (int i = 0; i < entries.size(); ++i)
        cli.out << firstNumber + i << '\t' << entries.at(i) << '\n';
    cli.out.flush();
}

int runMusic(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    const bool list = verb == QLatin1String("list");
    bool fits = false;
    if (list || verb == QLatin1String("clear"))
        fits = args.isEmpty();
    else if (verb == QLatin1String("add") || verb == QLatin1String("remove"))
        fits = !args.isEmpty();
    else if (verb == QLatin1String("add-dir"))
        fits = args.size() == 1;
    if (!fits || hasOption(args))
        return cli.fail(kMusicUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(!list);
    if (!library)
        return CliFailed;
    const QString path = library->folder().file(PlayList::fileName());
    PlayList playList;
    playList.load(path);
    const int before = playList.size();
    if (list) {
        printEntries(cli, playList.entries(), 1);
        return CliOk;
    }
    if (verb == QLatin1String("add")) {
        QStringList files;
        for (const QString& a : std::as_const(args)) {
            if (!QFileInfo(a).isFile())
                return cli.fail(QStringLiteral("没有这个文件：") + a);
            files << fullPath(a);
        }
        playList.addFiles(files);
    } else if (verb == QLatin1String("add-dir")) {
        if (!QFileInfo(args.first()).isDir())
            return cli.fail(QStringLiteral("没有这个目录：") + args.first());
        playList.addFolder(fullPath(args.first()));
    } else if (verb == QLatin1String("remove")) {
        QList<int> rows;
        for (const QString& a : std::as_const(args)) {
            bool ok = false;
            const int n = a.toInt(&ok);
            if (!ok || n < 1 || n > playList.size())
                return cli.fail(QStringLiteral("播放列表中没有第 %1 首").arg(a));
            rows << n - 1;
        }
        playList.removeRows(rows);
    } else {
        playList.clear();
    }
    QString error;
    if (!playList.save(path, &error))
        return cli.fail(error);
    // What was added; nothing for a removal.
    printEntries(cli, playList.entries().mid(before), before + 1);
    return CliOk;
}

// "65", "1:05" or "01:05.5" as whole seconds; -1 when it is none of them.
int readTime(const QString& text) {
    static const QRegularExpression kTime(QStringLiteral("^(?:(\\d+):)?(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch m = kTime.match(text);
    if (!m.hasMatch())
        return -1;
    return m.captured(1).toInt() * 60 + m.captured(2).toInt();
}

int runLyrics(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    QString at;
    bool hasAt = false;
    if (!takeOption(args, QStringLiteral("--at"), &at, &hasAt) || hasOption(args) || args.size() != 1)
        return cli.fail(kLyricsUsage, CliUsage);
    const int seconds = hasAt ? readTime(at) : 0;
    if (seconds < 0)
        return cli.fail(kLyricsUsage, CliUsage);
    QString path = args.first();
    if (!path.endsWith(QLatin1String(".lrc"), Qt::CaseInsensitive)) {
        path = LyricFile::pathFor(path);
        if (path.isEmpty())
            return cli.fail(QStringLiteral("只有 mp3 文件有歌词：") + args.first());
    }
    const std::optional<LyricFile> lyric = QFileInfo(path).isFile() ? LyricFile::load(path) : std::nullopt;
    if (!lyric)
        return cli.fail(LyricFile::tr("歌词文件没找到！") + QLatin1Char(' ') + path);
    if (hasAt) {
        const std::optional<QString> text = lyric->textAt(seconds);
        if (!text)
            return cli.fail(QStringLiteral("%1 时还没有歌词").arg(LyricFile::clock(seconds)));
        if (cli.json)
            cli.printJson(QJsonObject{{"time", LyricFile::clock(seconds)}, {"text", *text}});
        else
            cli.out << *text << Qt::endl;
        return CliOk;
    }
    QJsonArray array;
    for (const LyricFile::Line& line : lyric->lines()) {
        if (cli.json)
            array.append(QJsonObject{{"time", LyricFile::clock(line.second)}, {"text", line.text}});
        else
            cli.out << LyricFile::clock(line.second) << '\t' << line.text << '\n';
    }
    if (cli.json)
        cli.printJson(array);
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration
    musicRegistration({QStringLiteral("music"), QStringLiteral("list|add|add-dir|remove|clear ..."),
                       QStringLiteral("背景音乐的播放列表：列出、新增文件或目录、移除、清空"), runMusic});
const CliRegistry::Registration
    lyricsRegistration({QStringLiteral("lyrics"), QStringLiteral("FILE [--at 秒数|mm:ss]"),
                        QStringLiteral("歌词文件的各句及其时间，或某一时刻显示的一句"), runLyrics});

} // namespace
