#include "output/outputchapter.h"

QList<VolumeRun> volumeRuns(const QList<OutputChapter>& chapters) {
    QList<VolumeRun> runs;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const QString& volume = chapters.at(i).volume;
        if (runs.isEmpty() || runs.last().volume != volume)
            runs.append(VolumeRun{int(runs.size()) + 1, volume, i, 0});
        ++runs.last().count;
    }
    return runs;
}
