// write: the writing assistant's chapters of a novel: a chapter's text, saving it, new volumes and
// chapters, renaming a volume.
#include "app/cli.h"
#include "app/cli_args.h"

#include "library/librarylists.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "writer/writerchapters.h"

namespace {

const QString kUsage =
    QStringLiteral("用法: quiveral-cli write NOVELID text ID\n"
                   "      quiveral-cli write NOVELID save ID [FILE|-] [--force]\n"
                   "      quiveral-cli write NOVELID new-volume\n"
                   "      quiveral-cli write NOVELID new-chapter [--after ID] [--volume NAME]\n"
                   "      quiveral-cli write NOVELID rename-volume OLD NEW");

// One of the novel's chapters; else the message and exit code.
int readChapter(CliContext& cli, const LibraryContext& library, const QString& novelId, const QString& text,
                qint64* id) {
    bool numeric = false;
    *id = text.toLongLong(&numeric);
    const std::optional<ChapterRow> row =
        numeric ? LibraryLists::chapter(library.database(), *id) : std::nullopt;
    if (!row || row->novelId != novelId)
        return cli.fail(QStringLiteral("章节编号无效：") + text);
    return CliOk;
}

int saveChapter(CliContext& cli, LibraryContext& library, const WriterChapters& chapters,
                const QString& novelId, QStringList args) {
    const bool force = takeFlag(args, QStringLiteral("--force"));
    if (args.isEmpty() || args.size() > 2 || hasOption(args))
        return cli.fail(kUsage, CliUsage);
    qint64 id = 0;
    if (const int code = readChapter(cli, library, novelId, args.at(0), &id); code != CliOk)
        return code;
    QString text;
    QString error;
    if (!readUtf8Input(args.value(1), &text, &error))
        return cli.fail(error);
    // The text is saved as plain text: what only HTML can hold goes.
    if (!force && chapters.hasRichContent(id))
        return cli.fail(QStringLiteral("保存后本章中的图片和表格将丢失，是否继续？（确定请加 --force）"));
    error = chapters.save(id, text);
    if (!error.isEmpty())
        return cli.fail(error);
    cli.err << QStringLiteral("已保存：") << library.folder().chapterPage(novelId, id) << Qt::endl;
    return CliOk;
}

int newChapter(CliContext& cli, LibraryContext& library, const WriterChapters& chapters,
               const QString& novelId, QStringList args) {
    QString after;
    QString volume;
    bool afterGiven = false;
    bool volumeGiven = false;
    if (!takeOption(args, QStringLiteral("--after"), &after, &afterGiven) ||
        !takeOption(args, QStringLiteral("--volume"), &volume, &volumeGiven) || !args.isEmpty() ||
        (afterGiven && volumeGiven))
        return cli.fail(kUsage, CliUsage);
    qint64 afterId = 0;
    if (afterGiven)
        if (const int code = readChapter(cli, library, novelId, after, &afterId); code != CliOk)
            return code;
    QString error;
    const qint64 id = chapters.addChapter(afterId, volume, &error);
    if (id <= 0)
        return cli.fail(error);
    cli.out << id << Qt::endl;
    return CliOk;
}

int runWrite(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    if (args.size() < 2)
        return cli.fail(kUsage, CliUsage);
    const QString novelId = args.takeFirst();
    const QString verb = args.takeFirst();
    static const QStringList verbs{"text", "save", "new-volume", "new-chapter", "rename-volume"};
    if (!verbs.contains(verb))
        return cli.fail(kUsage, CliUsage);
    LibraryContext* library = cli.openLibrary(verb != QLatin1String("text"));
    if (!library)
        return CliFailed;
    if (!NovelStore(library->database()).loadNovel(novelId))
        return cli.fail(QStringLiteral("没有这本小说：") + novelId);
    const WriterChapters chapters(*library, novelId);

    if (verb == QLatin1String("text")) {
        qint64 id = 0;
        if (args.size() != 1)
            return cli.fail(kUsage, CliUsage);
        if (const int code = readChapter(cli, *library, novelId, args.at(0), &id); code != CliOk)
            return code;
        cli.out << chapters.text(id);
        cli.out.flush();
        return CliOk;
    }
    if (verb == QLatin1String("save"))
        return saveChapter(cli, *library, chapters, novelId, args);
    if (verb == QLatin1String("new-chapter"))
        return newChapter(cli, *library, chapters, novelId, args);
    if (verb == QLatin1String("new-volume")) {
        if (!args.isEmpty())
            return cli.fail(kUsage, CliUsage);
        QString error;
        const qint64 id = chapters.addVolume(&error);
        if (id <= 0)
            return cli.fail(error);
        cli.out << id << Qt::endl;
        return CliOk;
    }
    if (args.size() != 2 || hasOption(args))
        return cli.fail(kUsage, CliUsage);
    const QString error = chapters.renameVolume(args.at(0), args.at(1));
    return error.isEmpty() ? CliOk : cli.fail(error);
}

const CliRegistry::Registration
    registration({QStringLiteral("write"),
                  QStringLiteral("NOVELID text ID | save ID [FILE|-] [--force] | new-volume | "
                                 "new-chapter [--after ID|--volume NAME] | rename-volume OLD NEW"),
                  QStringLiteral("小说写作助手的章节：取出正文、保存、新增分卷和章节、分卷改名"), runWrite});

} // namespace
