// "添加目录" on a large folder, against listing and sorting it with the system's tools, in the same run:
//   a folder of 20,000 files (16,000 of them music, 2,500 of those already listed) added to a list
//   of 5,000 entries vs. `find DIR -maxdepth 1 | sort` (target <= 3).
#include "ratio.h"
#include "companion/playlist.h"
#include "renewal/processtuning.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kFiles = 20000;
constexpr int kListed = 5000;

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path();
    const char* kinds[] = {"mp3", "WAV", "mid", "wma", "txt"};
    for (int i = 0; i < kFiles; ++i) {
        QFile file(
            QStringLiteral("%1/歌曲%2.%3").arg(folder).arg(i, 5, 10, QLatin1Char('0')).arg(kinds[i % 5]));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    PlayList listed;
    // Half of the list: the first 2,500 mp3 files of the folder.
    QStringList entries;
    for (int i = 0; i < kListed / 2; ++i)
        entries << QStringLiteral("%1/歌曲%2.mp3").arg(folder).arg(i * 5, 5, 10, QLatin1Char('0'))
                << QStringLiteral("/elsewhere/%1.mp3").arg(i);
    listed.addFiles(entries);

    int added = 0;
    const double ours = best([&] {
        PlayList list = listed;
        added = list.addFolder(folder);
    });
    if (added != kFiles / 5 * 4 - kListed / 2)
        qFatal("%d files added", added);
    qsizetype lines = 0;
    const double bare = best([&] {
        QProcess find;
        find.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QStringLiteral("find \"$0\" -maxdepth 1 | sort"), folder});
        find.waitForFinished(-1);
        lines = find.readAllStandardOutput().count('\n');
    });
    const double ratio = ours / bare;
    std::printf("%d files, %d added to %d entries: %.4f s vs find | sort (%lld lines) %.4f s  ratio %.2f "
                "(target <= 3: %s)\n",
                kFiles, added, kListed, ours, static_cast<long long>(lines), bare, ratio,
                ratio <= 3 ? "met" : "missed");
    return 0;
}
