// Start-up of the desktop program on a large library: 1,000 novels in ten categories with 1,000,000
// chapters, a fifth of them unread. The time runs from starting the process to the log line the
// window writes when its tree is filled. Baselines of the same run: the program on an empty library
// and a bare count of the chapter rows. Target: the large library's tree within 1.5 s.
//
//   bench_startup [--program PATH] [--novels N] [--chapters-per-novel N] [--runs N]
#include "storage/database.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr double kTargetSeconds = 1.5;

bool generate(const QString& folder, int novels, int chaptersPerNovel) {
    Database db(folder + QStringLiteral("/pim.db"));
    QString error;
    if (!db.open(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return db.transaction([&] {
        QSqlDatabase c = db.connection();
        QSqlQuery category(c);
        category.prepare(QStringLiteral("INSERT INTO dic_noveltype (DM, MC) VALUES (?, ?)"));
        for (int i = 1; i <= 10; ++i) {
            category.addBindValue(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
            category.addBindValue(QStringLiteral("分类%1").arg(i));
            if (!category.exec())
                return false;
        }
        QSqlQuery novel(c);
        novel.prepare(
            QStringLiteral("INSERT INTO book_novel (NovelID, NovelName, bIsEnd, ListUrl, Displayorder, "
                           "LB) VALUES (?, ?, '0', ?, ?, ?)"));
        QSqlQuery chapter(c);
        chapter.prepare(
            QStringLiteral("INSERT INTO book_novelcontent (NovelID, Title, Displayorder, ComeFrom, "
                           "DownDate, DownTime, bIsRead, WordNums) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int n = 0; n < novels; ++n) {
            const QString id = QStringLiteral("%1").arg(100001 + n);
            const QString url = QStringLiteral("http://www.bench.test/book/%1/").arg(id);
            novel.addBindValue(id);
            novel.addBindValue(QStringLiteral("长篇小说第%1部").arg(n + 1));
            novel.addBindValue(QString(url + QStringLiteral("index.html")));
            novel.addBindValue(n / 10 + 1);
            // One novel in a hundred without category.
            novel.addBindValue(n % 100 == 99 ? QString()
                                             : QStringLiteral("%1").arg(n % 10 + 1, 2, 10, QLatin1Char('0')));
            if (!novel.exec())
                return false;
            for (int k = 0; k < chaptersPerNovel; ++k) {
                chapter.addBindValue(id);
                chapter.addBindValue(QStringLiteral("第%1章 风起云涌").arg(k + 1));
                chapter.addBindValue(k + 1);
                chapter.addBindValue(QString(url + QString::number(100000 + k) + QStringLiteral(".html")));
                chapter.addBindValue(QStringLiteral("2026-11-%1").arg(k % 28 + 1, 2, 10, QLatin1Char('0')));
                chapter.addBindValue(QStringLiteral("12:00:00"));
                chapter.addBindValue(k < chaptersPerNovel * 4 / 5 ? QStringLiteral("1")
                                                                  : QStringLiteral("0"));
                chapter.addBindValue(3000 + k % 500);
                if (!chapter.exec())
                    return false;
            }
        }
        return true;
    });
}

// Seconds from starting the program to its "tree filled" line, or nothing when it never came.
std::optional<double> startOnce(const QString& program, const QString& folder) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quiveral.startup.info=true"));
    env.insert(QStringLiteral("QUIVERAL_QUIT_AFTER_START"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!env.contains(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX")))
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);

    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--library"), folder});
    QByteArray err;
    std::optional<double> seconds;
    while (!seconds && process.state() != QProcess::NotRunning && clock.elapsed() < 120000) {
        process.waitForReadyRead(50);
        err += process.readAllStandardError();
        if (err.contains("tree filled"))
            seconds = clock.nsecsElapsed() / 1e9;
    }
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    err += process.readAllStandardError();
    if (!seconds)
        std::fprintf(stderr, "no start-up marker from %s:\n%s\n", qPrintable(program), err.constData());
    return seconds;
}

std::optional<double> median(const QString& program, const QString& folder, int runs) {
    // The first start copies the shipped files into the library and warms the file cache.
    if (!startOnce(program, folder))
        return std::nullopt;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto t = startOnce(program, folder);
        if (!t)
            return std::nullopt;
        times.push_back(*t);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double countRows(const QString& folder) {
    Database db(folder + QStringLiteral("/pim.db"));
    db.open();
    QElapsedTimer clock;
    clock.start();
    const qint64 rows = db.scalar(QStringLiteral("SELECT count(*) FROM book_novelcontent")).toLongLong();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("chapter rows: %lld\n", rows);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption programOption(
        QStringLiteral("program"), QStringLiteral("the quiveral program"), QStringLiteral("PATH"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/quiveral"));
    const QCommandLineOption novelsOption(QStringLiteral("novels"), QStringLiteral("novels"),
                                          QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption chaptersOption(QStringLiteral("chapters-per-novel"), QStringLiteral("chapters"),
                                            QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("timed starts"),
                                        QStringLiteral("N"), QStringLiteral("3"));
    parser.addOptions({programOption, novelsOption, chaptersOption, runsOption});
    parser.addHelpOption();
    parser.process(app);

    const QString program = QFileInfo(parser.value(programOption)).absoluteFilePath();
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "no program at %s (use --program)\n", qPrintable(program));
        return 2;
    }
    const int novels = std::max(1, parser.value(novelsOption).toInt());
    const int perNovel = std::max(0, parser.value(chaptersOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QTemporaryDir empty;
    QTemporaryDir large;
    QElapsedTimer clock;
    clock.start();
    if (!generate(large.path(), novels, perNovel))
        return 1;
    std::printf("generated %d novels, %d chapters in %.1f s\n", novels, novels * perNovel,
                clock.nsecsElapsed() / 1e9);

    const double count = countRows(large.path());
    const auto emptyStart = median(program, empty.path(), runs);
    const auto largeStart = median(program, large.path(), runs);
    if (!emptyStart || !largeStart)
        return 1;

    std::printf("count(*) of the chapters: %.3f s\n", count);
    std::printf("start-up, empty library:  %.3f s (median of %d)\n", *emptyStart, runs);
    std::printf("start-up, large library:  %.3f s (median of %d)\n", *largeStart, runs);
    std::printf("large / empty: %.2f; large - empty: %.3f s; large / count(*): %.1f\n",
                *largeStart / *emptyStart, *largeStart - *emptyStart, *largeStart / count);
    std::printf("target %.1f s: %s\n", kTargetSeconds, *largeStart <= kTargetSeconds ? "met" : "missed");
    return 0;
}
