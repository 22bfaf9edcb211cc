// The long novel of the benchmarks (longnovel.h) written into a library folder, for the scripts that
// time the command-line program on it:
//
//   bench_longnovel --make DIR     prints the NovelID of the novel added to the library in DIR
#include "longnovel.h"
#include "renewal/processtuning.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || args.at(1) != QLatin1String("--make")) {
        std::fprintf(stderr, "usage: %s --make DIR\n", argv[0]);
        return 2;
    }
    longnovel::LongNovel novel(args.at(2));
    novel.writePages();
    std::printf("%s\n", qPrintable(novel.novelId()));
    return 0;
}
