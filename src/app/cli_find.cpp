// find and replace: the chapter search window on the command line. A search prints its hits and writes
// the novel's find.htm; a replacement asks its question on stderr and changes nothing without --yes.
// Ctrl-C stops at the next chapter; what is written stays.
#include "app/cli.h"
#include "app/cli_args.h"
#include "app/cli_prompter.h"
#include "app/cli_signals.h"

#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "tools/findreplacejob.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using Kind = FindReplaceJob::Kind;
using Field = FindReplaceJob::Field;
using Operation = FindReplaceJob::Operation;

const QString kFindUsage = QStringLiteral(
    "用法: quiveral-cli find NOVELID (TEXT [--field title|volume|url] | --between S E | --regex RE) "
    "[--chapters IDS]");
const QString kReplaceUsage = QStringLiteral(
    "用法: quiveral-cli replace NOVELID (TEXT | --between S E | --regex RE) --with R "
    "[--field title|volume|url] [--chapters IDS] [--yes]\n"
    "      quiveral-cli replace NOVELID --op clear|del-pic|center-pic|zoom-pic|del-small-pic|ocr|to-full|"
    "to-half [--chapters IDS] [--yes]");

const QList<std::pair<QLatin1String, Field>> kFields = {
    {QLatin1String("title"), Field::Title},
    {QLatin1String("volume"), Field::Volume},
    {QLatin1String("url"), Field::ComeFrom},
};

const QList<std::pair<QLatin1String, Operation>> kOperations = {
    {QLatin1String("clear"), Operation::ClearContent},
    {QLatin1String("del-pic"), Operation::DeletePictures},
    {QLatin1String("center-pic"), Operation::CenterPictures},
    {QLatin1String("zoom-pic"), Operation::ZoomPictures},
    {QLatin1String("del-small-pic"), Operation::DeleteSmallPictures},
    {QLatin1String("ocr"), Operation::Ocr},
    {QLatin1String("to-full"), Operation::ToFullWidth},
    {QLatin1String("to-half"), Operation::ToHalfWidth},
};

template <typename T>
std::optional<T> named(const QList<std::pair<QLatin1String, T>>& names, const QString& name) {
    for (const auto& [key, value] : names)
        if (name == key)
            return value;
    return std::nullopt;
}

// The request the arguments describe; "" or the message that refuses them. Values are taken as they
// stand, so a text to find may begin with "-".
QString readRequest(QStringList args, bool replace, FindReplaceJob::Request* request, QString* chapters,
                    bool* yes) {
    const QString& usage = replace ? kReplaceUsage : kFindUsage;
    QStringList plain;
    bool withGiven = false;
    bool fieldGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--between") && i + 2 < args.size()) {
            request->kind = Kind::Between;
            request->startText = args.at(++i);
            request->endText = args.at(++i);
        } else if (a == QLatin1String("--regex") && hasValue) {
            request->kind = Kind::Regex;
            request->pattern = args.at(++i);
        } else if (a == QLatin1String("--field") && hasValue) {
            const std::optional<Field> field = named(kFields, args.at(++i));
            if (!field)
                return QStringLiteral("字段无效：") + args.at(i) + u'\n' + usage;
            request->field = *field;
            fieldGiven = true;
        } else if (a == QLatin1String("--chapters") && hasValue) {
            *chapters = args.at(++i);
        } else if (replace && a == QLatin1String("--with") && hasValue) {
            request->replaceText = args.at(++i);
            withGiven = true;
        } else if (replace && a == QLatin1String("--op") && hasValue) {
            const std::optional<Operation> operation = named(kOperations, args.at(++i));
            if (!operation)
                return QStringLiteral("操作无效：") + args.at(i) + u'\n' + usage;
            request->kind = Kind::Operation;
            request->operation = *operation;
        } else if (replace && a == QLatin1String("--yes")) {
            *yes = true;
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            return usage;
        } else {
            plain << a;
        }
    }
    if (plain.isEmpty())
        return usage;
    request->novelId = plain.takeFirst();
    if (request->kind == Kind::Plain) {
        if (plain.size() != 1)
            return usage;
        request->findText = plain.first();
    } else if (!plain.isEmpty() || fieldGiven) {
        return usage;
    }
    if (replace && (request->kind == Kind::Operation) == withGiven)
        return usage;
    return QString();
}

void printHits(CliContext& cli, const FindReplaceJob::Result& result) {
    if (cli.json) {
        QJsonArray hits;
        for (const FindReplaceJob::Hit& hit : result.hits)
            hits.append(QJsonObject{{"id", hit.chapterId},
                                    {"title", hit.title},
                                    {"lines", QJsonArray::fromStringList(hit.lines)}});
        cli.printJson(QJsonObject{{"hits", hits}, {"page", result.resultPage}, {"stopped", result.stopped}});
        return;
    }
    for (const FindReplaceJob::Hit& hit : result.hits) {
        cli.out << hit.chapterId << u'\t' << hit.title << u'\n';
        for (const QString& line : hit.lines)
            cli.out << u'\t' << line << u'\n';
    }
    cli.out.flush();
    if (!result.resultPage.isEmpty())
        cli.err << QStringLiteral("搜索结果：") << result.resultPage << Qt::endl;
}

void printChanges(CliContext& cli, const FindReplaceJob::Result& result) {
    if (cli.json) {
        cli.printJson(QJsonObject{{"changed", result.changed},
                                  {"missing", result.missing},
                                  {"undecodable", result.undecodable},
                                  {"failed", result.failed},
                                  {"stopped", result.stopped}});
        return;
    }
    cli.out << QStringLiteral("已处理%1个章节，%2个章节文件不存在，%3个章节文件无法识别编码，%4个未能写入")
                   .arg(result.changed)
                   .arg(result.missing)
                   .arg(result.undecodable)
                   .arg(result.failed)
            << Qt::endl;
}

int runFindOrReplace(CliContext& cli, const QStringList& args, bool replace) {
    FindReplaceJob::Request request;
    request.replace = replace;
    QString chapters;
    bool yes = false;
    const QString usageError = readRequest(args, replace, &request, &chapters, &yes);
    if (!usageError.isEmpty())
        return cli.fail(usageError);
    const QString inputError = FindReplaceJob::inputError(request);
    if (!inputError.isEmpty())
        return cli.fail(inputError);

    LibraryContext* library = cli.openLibrary(replace);
    if (!library)
        return CliFailed;
    const Database& db = library->database();
    if (!NovelStore(db).loadNovel(request.novelId))
        return cli.fail(QStringLiteral("没有这本小说：") + request.novelId);
    if (!chapters.isEmpty()) {
        const QString error = readChapterIds(db, request.novelId, chapters, &request.chapterIds);
        if (!error.isEmpty())
            return cli.fail(error);
    }
    request.allChapters = request.chapterIds.isEmpty();
    if (request.operation == Operation::Ocr && request.chapterIds.size() != 1)
        return cli.fail(QStringLiteral("图片转文字处理只能单章处理方式：用 --chapters 指定一个章节"));

    // Recognising one chapter's pictures asks nothing in the window; here every change waits for --yes.
    if (replace && !yes && FindReplaceJob::confirmation(request).isEmpty())
        return cli.fail(QStringLiteral("未确认：加 --yes 才会替换"));

    CliPrompter prompter(yes ? 0 : -1);
    FindReplaceJob job(library->database(), library->folder(), library->settings(), request);
    job.setPrompter(&prompter);
    bool interrupted = false;
    if (!runJobPrintingStatus(cli, job, &interrupted))
        return CliFailed;

    const FindReplaceJob::Result result = job.result();
    if (!result.error.isEmpty())
        return cli.fail(result.error);
    if (result.declined)
        return cli.fail(QStringLiteral("未确认：加 --yes 才会替换"));
    if (replace)
        printChanges(cli, result);
    else
        printHits(cli, result);
    return result.stopped || interrupted || result.failed > 0 ? CliFailed : CliOk;
}

const CliRegistry::Registration findRegistration(
    {QStringLiteral("find"),
     QStringLiteral(
         "NOVELID (TEXT [--field title|volume|url] | --between S E | --regex RE) [--chapters IDS]"),
     QStringLiteral("查找章节内容、标题、分卷名或下载地址，写出 find.htm"),
     [](CliContext& cli, const QStringList& args) { return runFindOrReplace(cli, args, false); }});

const CliRegistry::Registration replaceRegistration(
    {QStringLiteral("replace"),
     QStringLiteral("NOVELID (TEXT | --between S E | --regex RE) --with R [--field …] | --op OPERATION "
                    "[--chapters IDS] [--yes]"),
     QStringLiteral("替换章节内容，或清空、图片、图片→文字、全角半角等操作"),
     [](CliContext& cli, const QStringList& args) { return runFindOrReplace(cli, args, true); }});

} // namespace
