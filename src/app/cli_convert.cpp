// convert: the chapter conversion commands of the main window on the command line. Status texts go to
// stderr, the counts to stdout; Ctrl-C stops at the next chapter and what is written stays.
#include "app/cli.h"
#include "app/cli_args.h"
#include "app/cli_prompter.h"
#include "app/cli_signals.h"

#include "library/chapterconversionjob.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QEventLoop>
#include <QJsonObject>

namespace {

using Mode = ChapterConversionJob::Mode;

int runConvert(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli convert NOVELID... --mode "
                       "style|traditional|simplified|typeset|big5|gb2312|optimise [--chapters ID,ID...]");
    const QList<std::pair<QLatin1String, Mode>> modes = {
        {QLatin1String("style"), Mode::Style},
        {QLatin1String("traditional"), Mode::Traditional},
        {QLatin1String("simplified"), Mode::Simplified},
        {QLatin1String("typeset"), Mode::Typeset},
        {QLatin1String("big5"), Mode::Big5},
        {QLatin1String("gb2312"), Mode::Gb2312},
        {QLatin1String("optimise"), Mode::Style},
    };
    ChapterConversionJob::Request request;
    bool modeGiven = false;
    bool chaptersGiven = false;
    QString chapters;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--mode") && i + 1 < args.size()) {
            const QString name = args.at(++i);
            modeGiven = false;
            for (const auto& [flag, mode] : modes) {
                if (name == flag) {
                    request.mode = mode;
                    request.keepStyledPages = name == QLatin1String("optimise");
                    modeGiven = true;
                }
            }
            if (!modeGiven)
                return cli.fail(QStringLiteral("转换方式无效：") + name + u'\n' + usage);
        } else if (a == QLatin1String("--chapters") && i + 1 < args.size()) {
            chaptersGiven = true;
            chapters = args.at(++i);
        } else if (!a.startsWith(QLatin1String("--"))) {
            request.novelIds << a;
        } else {
            return cli.fail(usage);
        }
    }
    if (!modeGiven || request.novelIds.isEmpty())
        return cli.fail(usage);
    if (chaptersGiven && request.novelIds.size() > 1)
        return cli.fail(QStringLiteral("指定章节时只能转换一本小说"));

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const Database& db = library->database();
    for (const QString& id : std::as_const(request.novelIds))
        if (!NovelStore(db).loadNovel(id))
            return cli.fail(QStringLiteral("没有这本小说：") + id);
    if (chaptersGiven) {
        const QString error = readChapterIds(db, request.novelIds.first(), chapters, &request.chapterIds);
        if (!error.isEmpty())
            return cli.fail(error);
    }

    CliPrompter prompter;
    ChapterConversionJob job(library->database(), library->folder(), library->settings(), request);
    job.setPrompter(&prompter);
    bool interrupted = false;
    if (!runJobPrintingStatus(cli, job, &interrupted))
        return CliFailed;

    const ChapterConversionJob::Result result = job.result();
    if (!result.error.isEmpty())
        return CliFailed; // the prompter has said why
    if (cli.json) {
        cli.printJson(QJsonObject{{"converted", result.converted},
                                  {"missing", result.missing},
                                  {"undecodable", result.undecodable},
                                  {"failed", result.failed},
                                  {"stopped", result.stopped}});
    } else {
        cli.out << QStringLiteral(
                       "已转换%1个章节，%2个章节文件不存在，%3个章节文件无法识别编码，%4个章节文件未能写入")
                       .arg(result.converted)
                       .arg(result.missing)
                       .arg(result.undecodable)
                       .arg(result.failed)
                << Qt::endl;
    }
    return result.stopped || interrupted || result.failed > 0 ? CliFailed : CliOk;
}

const CliRegistry::Registration registration({QStringLiteral("convert"),
                                              QStringLiteral("NOVELID... --mode style|traditional|simplified|"
                                                             "typeset|big5|gb2312|optimise [--chapters IDS]"),
                                              QStringLiteral("转换章节内容：样式、简繁体、编码或自动排版"),
                                              runConvert});

} // namespace
