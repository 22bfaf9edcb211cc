// Category and novel-placement commands: category add|list|rename|move|delete, novel move|delete.
#include "app/cli.h"
#include "app/cli_args.h"

#include "library/categoryeditor.h"
#include "library/novelremoval.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kCategoryUsage =
    QStringLiteral("用法: quiveral-cli category add NAME | list | rename CODE NAME | move CODE --to CODE | "
                   "delete CODE [--files] [--yes]");
const QString kNovelUsage = QStringLiteral("用法: quiveral-cli novel move NOVELID (--category CODE | --none) "
                                           "[--before NOVELID] | novel delete NOVELID... [--files] [--yes]");

// Deleting needs --yes; without it the command says what it would delete and changes nothing.
int refuseUnconfirmed(CliContext& cli, const QString& question) {
    cli.err << question << Qt::endl;
    return cli.fail(QStringLiteral("未确认：加 --yes 才会删除"));
}

int printList(CliContext& cli, const CategoryStore& store) {
    const QList<Category> categories = store.list();
    if (cli.json) {
        QJsonArray array;
        for (const Category& c : categories)
            array.append(QJsonObject{{"code", c.code}, {"name", c.name}});
        cli.printJson(array);
        return CliOk;
    }
    for (const Category& c : categories)
        cli.out << c.code << '\t' << c.name << '\n';
    cli.out.flush();
    return CliOk;
}

int runCategory(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    const bool files = takeFlag(args, QStringLiteral("--files"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    QString target;
    bool hasTarget = false;
    if (!takeOption(args, QStringLiteral("--to"), &target, &hasTarget) || hasOption(args))
        return cli.fail(kCategoryUsage, CliUsage);
    const bool deleting = verb == QLatin1String("delete");
    const bool valid = (verb == QLatin1String("list") && args.isEmpty()) ||
                       (verb == QLatin1String("add") && args.size() == 1) ||
                       (verb == QLatin1String("rename") && args.size() == 2) ||
                       (verb == QLatin1String("move") && args.size() == 1 && hasTarget) ||
                       (deleting && args.size() == 1);
    if (!valid || (hasTarget && verb != QLatin1String("move")) || ((files || yes) && !deleting))
        return cli.fail(kCategoryUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(verb != QLatin1String("list"));
    if (!library)
        return CliFailed;
    CategoryStore store(library->database());
    if (verb == QLatin1String("list"))
        return printList(cli, store);

    CategoryEditor editor(*library);
    CategoryEditor::Result result;
    if (verb == QLatin1String("add")) {
        result = editor.add(args.at(0));
    } else if (verb == QLatin1String("rename")) {
        result = editor.rename(args.at(0), args.at(1));
    } else if (verb == QLatin1String("move")) {
        result = editor.moveTo(args.at(0), target);
    } else {
        const QString code = args.at(0);
        const QList<Category> categories = store.list();
        const bool known = std::any_of(categories.begin(), categories.end(),
                                       [&code](const Category& c) { return c.code == code; });
        if (!yes && known) {
            for (const CategoryNovel& n : editor.novelsOf(code))
                cli.out << n.novelId << '\t' << n.name << '\n';
            cli.out.flush();
            return refuseUnconfirmed(
                cli, QStringLiteral("您是否确定删除\"%1\"分类以及其下的所有小说?").arg(store.nameOf(code)));
        }
        result = editor.remove(code, files);
    }
    if (!result.ok())
        return cli.fail(result.error);

    if (cli.json) {
        QJsonObject object{{"code", result.code}, {"name", store.nameOf(result.code)}};
        if (deleting)
            object =
                QJsonObject{{"code", result.code}, {"novels", QJsonArray::fromStringList(result.novelIds)}};
        cli.printJson(object);
    } else if (deleting) {
        for (const QString& id : result.novelIds)
            cli.out << id << '\n';
        cli.out.flush();
    } else if (verb == QLatin1String("add")) {
        cli.out << result.code << Qt::endl;
    } else {
        cli.out << result.code << '\t' << store.nameOf(result.code) << Qt::endl;
    }
    return CliOk;
}

int runNovelMove(CliContext& cli, QStringList args) {
    QString code;
    QString before;
    bool hasCode = false;
    bool hasBefore = false;
    const bool none = takeFlag(args, QStringLiteral("--none"));
    if (!takeOption(args, QStringLiteral("--category"), &code, &hasCode) ||
        !takeOption(args, QStringLiteral("--before"), &before, &hasBefore) || hasOption(args) ||
        args.size() != 1 || hasCode == none)
        return cli.fail(kNovelUsage, CliUsage);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const CategoryEditor::Result result = CategoryEditor(*library).moveNovel(args.at(0), code, before);
    if (!result.ok())
        return cli.fail(result.error);
    if (cli.json)
        cli.printJson(QJsonObject{{"novel", args.at(0)}, {"category", code}});
    else
        cli.out << args.at(0) << '\t' << code << Qt::endl;
    return CliOk;
}

int runNovelDelete(CliContext& cli, QStringList args) {
    const bool files = takeFlag(args, QStringLiteral("--files"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    if (args.isEmpty() || hasOption(args))
        return cli.fail(kNovelUsage, CliUsage);
    args.removeDuplicates();
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    NovelStore novels(library->database());
    // All or none: one unknown novel stops the command before anything goes.
    for (const QString& id : args)
        if (!novels.loadNovel(id))
            return cli.fail(QStringLiteral("没有这本小说：") + id);
    if (!yes) {
        for (const QString& id : args)
            cli.out << id << '\t' << novels.novelName(id) << '\n';
        cli.out.flush();
        return refuseUnconfirmed(cli, QStringLiteral("您确定要删除选中的小说吗？"));
    }
    const QStringList deleted = NovelRemoval::deleteNovels(*library, args, files);
    if (cli.json)
        cli.printJson(QJsonObject{{"novels", QJsonArray::fromStringList(deleted)}});
    else
        for (const QString& id : deleted)
            cli.out << id << '\n';
    cli.out.flush();
    return deleted.size() == args.size() ? CliOk : CliFailed;
}

int runNovel(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("move"))
        return runNovelMove(cli, args);
    if (verb == QLatin1String("delete"))
        return runNovelDelete(cli, args);
    return cli.fail(kNovelUsage, CliUsage);
}

const CliRegistry::Registration registrations[] = {
    CliRegistry::Registration({QStringLiteral("category"),
                               QStringLiteral("add NAME | list | rename CODE NAME | move CODE --to CODE | "
                                              "delete CODE [--files] [--yes]"),
                               QStringLiteral("新增、列出、改名、移动或删除分类（删除连同其下的小说）"),
                               runCategory}),
    CliRegistry::Registration({QStringLiteral("novel"),
                               QStringLiteral("move NOVELID (--category CODE | --none) [--before NOVELID] | "
                                              "delete NOVELID... [--files] [--yes]"),
                               QStringLiteral("把小说移到分类中的某个位置，或删除小说"), runNovel}),
};

} // namespace
