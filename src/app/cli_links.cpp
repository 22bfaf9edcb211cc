// links, novel-page: the ranking pages' saved links, and what a novel page's address leads to.
#include "app/cli.h"
#include "app/cli_args.h"

#include "companion/novelpagepatterns.h"
#include "storage/librarycontext.h"
#include "storage/showtopstore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral("用法: quiveral-cli links [list]\n"
                                      "      quiveral-cli links add NAME URL\n"
                                      "      quiveral-cli links edit ID NAME URL\n"
                                      "      quiveral-cli links delete ID\n"
                                      "      quiveral-cli links up|down ID");

void print(CliContext& cli, const QList<ShowTopLink>& links) {
    if (cli.json) {
        QJsonArray array;
        for (const ShowTopLink& l : links)
            array.append(QJsonObject{{"id", l.id}, {"name", l.name}, {"url", l.url}});
        cli.printJson(array);
        return;
    }
    for (const ShowTopLink& l : links)
        cli.out << l.id << '\t' << l.name << '\t' << l.url << '\n';
    cli.out.flush();
}

int runLinks(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    const QString verb = args.isEmpty() ? QStringLiteral("list") : args.takeFirst();
    const bool changes = verb != QLatin1String("list");
    if (hasOption(args))
        return cli.fail(kUsage, CliUsage);
    LibraryContext* library = cli.openLibrary(changes);
    if (!library)
        return CliFailed;
    const ShowTopStore store(library->database());
    if (!store.ensure(NovelPagePatterns::defaultLinks()))
        return CliFailed;
    bool ok = false;
    const qint64 id = args.value(0).toLongLong(&ok);
    const bool known = ok && store.get(id).has_value();
    if (verb == QLatin1String("list") && args.isEmpty()) {
        print(cli, store.list());
        return CliOk;
    }
    if (verb == QLatin1String("add") && args.size() == 2) {
        if (const QString problem = ShowTopStore::check(args.at(0), args.at(1)); !problem.isEmpty())
            return cli.fail(problem);
        const qint64 added = store.add(args.at(0), args.at(1));
        if (added == 0)
            return CliFailed;
        print(cli, {*store.get(added)});
        return CliOk;
    }
    const bool withId = (verb == QLatin1String("edit") && args.size() == 3) ||
                        ((verb == QLatin1String("delete") || verb == QLatin1String("up") ||
                          verb == QLatin1String("down")) &&
                         args.size() == 1);
    if (!withId)
        return cli.fail(kUsage, CliUsage);
    if (!known)
        return cli.fail(QStringLiteral("无此链接：") + args.value(0));
    if (verb == QLatin1String("edit")) {
        if (const QString problem = ShowTopStore::check(args.at(1), args.at(2)); !problem.isEmpty())
            return cli.fail(problem);
        if (!store.update(id, args.at(1), args.at(2)))
            return CliFailed;
    } else if (verb == QLatin1String("delete")) {
        if (!store.remove(id))
            return CliFailed;
    } else if (store.swap(id, verb == QLatin1String("up")) == ShowTopStore::Swap::Failed) {
        return CliFailed;
    }
    print(cli, store.list());
    return CliOk;
}

int runNovelPage(CliContext& cli, const QStringList& args) {
    if (args.size() != 1 || hasOption(args))
        return cli.fail(QStringLiteral("用法: quiveral-cli novel-page URL"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    QStringList warnings;
    const NovelPagePatterns patterns =
        NovelPagePatterns::load(library->folder().file(NovelPagePatterns::fileName()), &warnings);
    for (const QString& w : warnings)
        cli.err << w << '\n';
    cli.err.flush();
    const QString contents = patterns.contentsAddress(args.first());
    if (contents.isEmpty())
        return cli.fail(QStringLiteral("该网址不是已知网站的小说页面"));
    cli.out << contents << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration links{
    {"links", "[add NAME URL | edit ID NAME URL | delete ID | up|down ID]", "小说排行榜的链接", runLinks}};
const CliRegistry::Registration novelPage{
    {"novel-page", "URL", "小说页面网址对应的目录页网址", runNovelPage}};

} // namespace
