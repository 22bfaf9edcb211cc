#pragma once

#include <QList>
#include <QString>

// One chapter as the writers of lists, e-books and exports need it, in display order.
struct OutputChapter {
    qint64 id = 0;
    QString title;
    QString volume;
};

// A run of consecutive chapters with the same volume; the runs are numbered from 1 in display
// order, and "vol" + number + ".htm" is the run's volume page.
struct VolumeRun {
    int number = 0;
    QString volume; // "" for chapters without a volume
    qsizetype first = 0;
    qsizetype count = 0;
};

QList<VolumeRun> volumeRuns(const QList<OutputChapter>& chapters);
