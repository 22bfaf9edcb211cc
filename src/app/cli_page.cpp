// page: the chapter page editor on the command line. show prints the text the editor edits, save puts
// edited text back as the editor's save does (after its 简化 with --simplify), table prints the HTML of
// the insert-table dialog.
#include "app/cli.h"
#include "app/cli_args.h"

#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "text/html.h"
#include "tools/chapterpageedit.h"
#include "tools/tablehtml.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const QString kUsage = QStringLiteral(
    "用法: quiveral-cli page show NOVELID ID\n"
    "      quiveral-cli page save NOVELID ID [FILE|-] [--simplify]\n"
    "      quiveral-cli page table ROWS COLS [--style custom|print|edit] [--border N] [--cellpadding N] "
    "[--cellspacing N] [--width N[%]] [--height N[%]] [--align A]\n"
    "      （自定义样式缺省：--border 1 --cellpadding 0 --cellspacing 0）");

// Opens the chapter's page for the editor; prints the message and gives the exit code on failure.
int openPage(CliContext& cli, const QStringList& args, bool exclusive,
             std::unique_ptr<ChapterPageEdit>* edit) {
    bool numeric = false;
    const qint64 id = args.at(1).toLongLong(&numeric);
    if (!numeric || id <= 0)
        return cli.fail(QStringLiteral("章节编号无效：") + args.at(1));
    LibraryContext* library = cli.openLibrary(exclusive);
    if (!library)
        return CliFailed;
    if (!NovelStore(library->database()).loadNovel(args.at(0)))
        return cli.fail(QStringLiteral("没有这本小说：") + args.at(0));
    *edit = std::make_unique<ChapterPageEdit>(*library, args.at(0), id);
    const QString error = (*edit)->open();
    return error.isEmpty() ? CliOk : cli.fail(error);
}

int show(CliContext& cli, const QStringList& args) {
    if (args.size() != 2 || hasOption(args))
        return cli.fail(kUsage, CliUsage);
    std::unique_ptr<ChapterPageEdit> edit;
    if (const int code = openPage(cli, args, false, &edit); code != CliOk)
        return code;
    cli.out << edit->content();
    cli.out.flush();
    return CliOk;
}

int save(CliContext& cli, QStringList args) {
    const bool simplify = takeFlag(args, QStringLiteral("--simplify"));
    if (args.size() < 2 || args.size() > 3 ||
        (args.size() == 3 && args.at(2).startsWith(QLatin1String("--"))))
        return cli.fail(kUsage, CliUsage);
    QString text;
    QString error;
    if (!readUtf8Input(args.value(2), &text, &error))
        return cli.fail(error);
    // Text pasted from a word processor carries its styles; the editor's 简化 drops them.
    if (simplify)
        text = cleanWordHtml(text);
    std::unique_ptr<ChapterPageEdit> edit;
    if (const int code = openPage(cli, args, true, &edit); code != CliOk)
        return code;
    error = edit->save(text);
    if (!error.isEmpty())
        return cli.fail(error);
    cli.err << QStringLiteral("已保存：") << edit->path() << Qt::endl;
    return CliOk;
}

int table(CliContext& cli, QStringList args) {
    TableFields fields;
    // A plain bordered grid unless told otherwise.
    fields.border = QStringLiteral("1");
    fields.cellPadding = QStringLiteral("0");
    fields.cellSpacing = QStringLiteral("0");
    QString style;
    bool given = false;
    bool ok = takeOption(args, QStringLiteral("--style"), &style, &given);
    if (given) {
        if (style == QLatin1String("print"))
            fields.style = TableFields::Style::Print;
        else if (style == QLatin1String("edit"))
            fields.style = TableFields::Style::Edit;
        else if (style != QLatin1String("custom"))
            return cli.fail(kUsage, CliUsage);
    }
    ok = ok && takeOption(args, QStringLiteral("--border"), &fields.border, &given);
    ok = ok && takeOption(args, QStringLiteral("--cellpadding"), &fields.cellPadding, &given);
    ok = ok && takeOption(args, QStringLiteral("--cellspacing"), &fields.cellSpacing, &given);
    ok = ok && takeOption(args, QStringLiteral("--width"), &fields.width, &fields.useWidth);
    ok = ok && takeOption(args, QStringLiteral("--height"), &fields.height, &fields.useHeight);
    ok = ok && takeOption(args, QStringLiteral("--align"), &fields.align, &given);
    if (!ok || hasOption(args) || args.size() != 2)
        return cli.fail(kUsage, CliUsage);
    fields.rows = args.at(0);
    fields.cols = args.at(1);
    const QString error = TableHtml::check(fields);
    if (!error.isEmpty())
        return cli.fail(error);
    cli.out << TableHtml::html(fields) << Qt::endl;
    return CliOk;
}

int run(CliContext& cli, QStringList args) {
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("show"))
        return show(cli, args);
    if (verb == QLatin1String("save"))
        return save(cli, args);
    if (verb == QLatin1String("table"))
        return table(cli, args);
    return cli.fail(kUsage, CliUsage);
}

const CliRegistry::Registration registration(
    {QStringLiteral("page"),
     QStringLiteral("show NOVELID ID | save NOVELID ID [FILE|-] [--simplify] | table ROWS COLS [选项]"),
     QStringLiteral("章节内容编辑：取出、保存正文，生成插入表格的 HTML"),
     [](CliContext& cli, const QStringList& args) { return run(cli, args); }});

} // namespace
