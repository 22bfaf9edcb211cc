// bookcase: the bookcase window's commands on the command line: list and find books, add one or a
// batch, edit, delete (books or a category, optionally with the files), move, check the files, change
// paths in bulk.
#include "app/cli.h"
#include "app/cli_args.h"

#include "bookcase/bookcase.h"
#include "bookcase/bookcasecheckjob.h"
#include "library/urlreplace.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kUsage = QStringLiteral(
    "用法: quiveral-cli bookcase list [--category CODE] [--find TEXT]\n"
    "      quiveral-cli bookcase add PATH... [--name N] [--author A] [--category CODE] [--note S]\n"
    "      quiveral-cli bookcase edit ID [--name N] [--author A] [--category CODE] [--path P] [--note S]\n"
    "      quiveral-cli bookcase delete ID... [--delete-files] [--yes]\n"
    "      quiveral-cli bookcase delete-category CODE [--delete-files] [--yes]\n"
    "      quiveral-cli bookcase move ID... --category CODE\n"
    "      quiveral-cli bookcase check\n"
    "      quiveral-cli bookcase replace-path FIND REPLACEMENT ID...");

int usage(CliContext& cli) {
    return cli.fail(kUsage, CliUsage);
}

// Paths are stored whole, as the file dialog gives them.
QString fullPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool readIds(const QStringList& args, QList<qint64>* ids) {
    for (const QString& a : args) {
        bool ok = false;
        const qint64 id = a.toLongLong(&ok);
        if (!ok || id <= 0)
            return false;
        if (!ids->contains(id))
            ids->append(id);
    }
    return !ids->isEmpty();
}

QJsonObject toJson(const BookcaseEntry& e) {
    return QJsonObject{
        {"id", e.id},     {"name", e.mc}, {"author", e.zz}, {"category", e.lb}, {"categoryName", e.lbTitle},
        {"path", e.wjlj}, {"note", e.sm}};
}

// The list's columns: 图书名称, 作者, 分类, 存放路径 after the id.
void printEntries(CliContext& cli, const QList<BookcaseEntry>& entries) {
    if (cli.json) {
        QJsonArray array;
        for (const BookcaseEntry& e : entries)
            array.append(toJson(e));
        cli.printJson(array);
        return;
    }
    for (const BookcaseEntry& e : entries)
        cli.out << e.id << '\t' << e.mc << '\t' << e.zz << '\t' << e.lbTitle << '\t' << e.wjlj << '\n';
    cli.out.flush();
}

QList<BookcaseEntry> entriesOf(const LibraryContext& library, const QList<qint64>& ids) {
    QList<BookcaseEntry> entries;
    const BookcaseStore store(library.database());
    for (const qint64 id : ids)
        if (const std::optional<BookcaseEntry> e = store.get(id))
            entries << *e;
    return entries;
}

// Deleting needs --yes; without it the command shows what it would delete and changes nothing.
int refuseUnconfirmed(CliContext& cli, const QList<BookcaseEntry>& entries) {
    printEntries(cli, entries);
    cli.err << Bookcase::deleteQuestion() << Qt::endl;
    return cli.fail(QStringLiteral("未确认：加 --yes 才会删除"));
}

int printRemoval(CliContext& cli, const Bookcase::Result& result) {
    if (!result.ok())
        return cli.fail(result.error);
    const Bookcase::Files& f = result.files;
    if (cli.json) {
        QJsonArray ids;
        for (const qint64 id : result.ids)
            ids.append(id);
        cli.printJson(QJsonObject{{"deleted", ids},
                                  {"filesKept", QJsonArray::fromStringList(f.kept)},
                                  {"filesTrashed", QJsonArray::fromStringList(f.trashed)},
                                  {"filesRemoved", QJsonArray::fromStringList(f.removed)},
                                  {"filesFailed", QJsonArray::fromStringList(f.failed)}});
    } else {
        for (const qint64 id : result.ids)
            cli.out << id << '\n';
        cli.out.flush();
        for (const QString& path : f.kept)
            cli.err << QStringLiteral("小说的目录页保留：") << path << Qt::endl;
        for (const QString& path : f.removed)
            cli.err << QStringLiteral("没有回收站，已直接删除：") << path << Qt::endl;
        for (const QString& path : f.failed)
            cli.err << QStringLiteral("无法删除文件：") << path << Qt::endl;
    }
    return f.failed.isEmpty() ? CliOk : CliFailed;
}

int runList(CliContext& cli, QStringList args) {
    QString code;
    QString find;
    bool hasCode = false;
    bool hasFind = false;
    if (!takeOption(args, QStringLiteral("--category"), &code, &hasCode) ||
        !takeOption(args, QStringLiteral("--find"), &find, &hasFind) || !args.isEmpty())
        return usage(cli);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    if (hasCode) {
        const QList<Category> categories = CategoryStore(library->database()).list();
        if (std::none_of(categories.begin(), categories.end(),
                         [&](const Category& c) { return c.code == code; }))
            return cli.fail(QStringLiteral("没有这个分类：") + code);
    }
    printEntries(cli, BookcaseStore(library->database()).list(code, find));
    return CliOk;
}

struct EntryOptions {
    QString name, author, category, path, note;
    bool hasName = false, hasAuthor = false, hasCategory = false, hasPath = false, hasNote = false;

    bool take(QStringList& args, bool withPath) {
        return takeOption(args, QStringLiteral("--name"), &name, &hasName) &&
               takeOption(args, QStringLiteral("--author"), &author, &hasAuthor) &&
               takeOption(args, QStringLiteral("--category"), &category, &hasCategory) &&
               (!withPath || takeOption(args, QStringLiteral("--path"), &path, &hasPath)) &&
               takeOption(args, QStringLiteral("--note"), &note, &hasNote) && !hasOption(args);
    }
    void applyTo(BookcaseEntry& e) const {
        if (hasName)
            e.mc = name;
        if (hasAuthor)
            e.zz = author;
        if (hasCategory)
            e.lb = category;
        if (hasPath)
            e.wjlj = path.trimmed().isEmpty() ? path : fullPath(path);
        if (hasNote)
            e.sm = note;
    }
};

int runAdd(CliContext& cli, QStringList args) {
    EntryOptions options;
    if (!options.take(args, false) || args.isEmpty())
        return usage(cli);
    // Several files are a batch: names from the files, nothing else to set.
    if (args.size() > 1 && (options.hasName || options.hasAuthor || options.hasNote))
        return usage(cli);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const Bookcase bookcase(*library);
    Bookcase::Result result;
    if (args.size() == 1) {
        BookcaseEntry entry;
        entry.wjlj = args.at(0).trimmed().isEmpty() ? QString() : fullPath(args.at(0));
        entry.mc = Bookcase::nameFromFile(entry.wjlj);
        options.applyTo(entry);
        result = bookcase.add(entry);
    } else {
        QList<Bookcase::BatchRow> rows;
        for (const QString& path : args)
            rows.append({Bookcase::nameFromFile(path), fullPath(path)});
        result = bookcase.addBatch(rows, options.category);
    }
    if (!result.ok())
        return cli.fail(result.error);
    printEntries(cli, entriesOf(*library, result.ids));
    return CliOk;
}

int runEdit(CliContext& cli, QStringList args) {
    EntryOptions options;
    QList<qint64> ids;
    if (!options.take(args, true) || args.size() != 1 || !readIds(args, &ids))
        return usage(cli);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    std::optional<BookcaseEntry> entry = BookcaseStore(library->database()).get(ids.first());
    if (!entry)
        return cli.fail(QStringLiteral("没有这本图书：") + args.first());
    options.applyTo(*entry);
    const Bookcase::Result result = Bookcase(*library).edit(*entry);
    if (!result.ok())
        return cli.fail(result.error);
    printEntries(cli, entriesOf(*library, result.ids));
    return CliOk;
}

int runDelete(CliContext& cli, QStringList args) {
    const bool files = takeFlag(args, QStringLiteral("--delete-files"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    QList<qint64> ids;
    if (hasOption(args) || !readIds(args, &ids))
        return usage(cli);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const QList<BookcaseEntry> entries = entriesOf(*library, ids);
    // All or none: one unknown book stops the command before anything goes.
    for (const qint64 id : ids)
        if (std::none_of(entries.begin(), entries.end(), [id](const BookcaseEntry& e) { return e.id == id; }))
            return cli.fail(QStringLiteral("没有这本图书：") + QString::number(id));
    if (!yes)
        return refuseUnconfirmed(cli, entries);
    return printRemoval(cli, Bookcase(*library).remove(ids, files));
}

int runDeleteCategory(CliContext& cli, QStringList args) {
    const bool files = takeFlag(args, QStringLiteral("--delete-files"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    if (hasOption(args) || args.size() != 1)
        return usage(cli);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const QString code = args.first();
    if (!yes) {
        const QList<Category> categories = CategoryStore(library->database()).list();
        if (std::none_of(categories.begin(), categories.end(),
                         [&](const Category& c) { return c.code == code; }))
            return cli.fail(QStringLiteral("没有这个分类：") + code);
        return refuseUnconfirmed(cli, BookcaseStore(library->database()).list(code));
    }
    return printRemoval(cli, Bookcase(*library).removeCategory(code, files));
}

int runMove(CliContext& cli, QStringList args) {
    QString code;
    bool hasCode = false;
    QList<qint64> ids;
    if (!takeOption(args, QStringLiteral("--category"), &code, &hasCode) || !hasCode || hasOption(args) ||
        !readIds(args, &ids))
        return usage(cli);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const Bookcase::Result result = Bookcase(*library).move(ids, code);
    if (!result.ok())
        return cli.fail(result.error);
    printEntries(cli, entriesOf(*library, result.ids));
    return CliOk;
}

int runCheck(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return usage(cli);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    BookcaseCheckJob job(BookcaseStore(library->database()).list());
    job.runHere();
    const QList<qint64> missing = job.missing();
    printEntries(cli, entriesOf(*library, missing));
    if (missing.isEmpty()) {
        if (!cli.json)
            cli.err << Bookcase::checkMessage(0) << Qt::endl;
        return CliOk;
    }
    return cli.fail(QStringLiteral("有%1本图书和存放路径不相一致").arg(missing.size()));
}

int runReplacePath(CliContext& cli, QStringList args) {
    QList<qint64> ids;
    if (hasOption(args) || args.size() < 3 || !readIds(args.mid(2), &ids))
        return usage(cli);
    const QString find = args.at(0);
    if (find.isEmpty())
        return cli.fail(QStringLiteral("请输入查找内容"));
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const QList<BookcaseEntry> entries = entriesOf(*library, ids);
    if (entries.size() != ids.size())
        for (const qint64 id : ids)
            if (std::none_of(entries.begin(), entries.end(),
                             [id](const BookcaseEntry& e) { return e.id == id; }))
                return cli.fail(QStringLiteral("没有这本图书：") + QString::number(id));
    QString error;
    const int changed =
        UrlReplace::replaceInBookcasePaths(library->database(), ids, find, args.at(1), &error);
    if (changed < 0)
        return cli.fail(error.isEmpty() ? QStringLiteral("无法保存更改") : error);
    printEntries(cli, entriesOf(*library, ids));
    return CliOk;
}

int runBookcase(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("list"))
        return runList(cli, args);
    if (verb == QLatin1String("add"))
        return runAdd(cli, args);
    if (verb == QLatin1String("edit"))
        return runEdit(cli, args);
    if (verb == QLatin1String("delete"))
        return runDelete(cli, args);
    if (verb == QLatin1String("delete-category"))
        return runDeleteCategory(cli, args);
    if (verb == QLatin1String("move"))
        return runMove(cli, args);
    if (verb == QLatin1String("check"))
        return runCheck(cli, args);
    if (verb == QLatin1String("replace-path"))
        return runReplacePath(cli, args);
    return usage(cli);
}

const CliRegistry::Registration
    registration({QStringLiteral("bookcase"),
                  QStringLiteral("list|add|edit|delete|delete-category|move|check|"
                                 "replace-path ..."),
                  QStringLiteral("我的书柜：列出、查找、新增、编辑、删除、移动图书，"
                                 "检测文件，批量更改文件路径"),
                  runBookcase});

} // namespace
