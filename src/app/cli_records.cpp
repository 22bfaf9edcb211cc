// Record-file commands: sitesign, lst, bookmarks.
#include "app/cli.h"

#include "fetch/pagefetcher.h"
#include "sites/sitesigntable.h"
#include "sites/sitesignupdate.h"
#include "storage/librarycontext.h"
#include "storage/novellist.h"
#include "storage/recorddocument.h"
#include "storage/recordlists.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace {

QString signFile(const LibraryContext& library) {
    return library.folder().file(QStringLiteral("sitesign.xml"));
}

QJsonObject signJson(const SiteSign& sign) {
    QJsonObject object;
    const QStringList names = SiteSign::elementNames();
    for (int i = 0; i < SiteSign::FieldCount; ++i)
        object.insert(names.at(i), sign.fields[i]);
    return object;
}

int sitesignList(CliContext& cli, LibraryContext& library) {
    SiteSignTable table;
    table.load(signFile(library));
    if (cli.json) {
        QJsonArray array;
        for (const SiteSign& sign : table.signs())
            array.append(signJson(sign));
        cli.printJson(array);
        return CliOk;
    }
    for (const SiteSign& sign : table.signs())
        cli.out << sign[SiteSign::Url] << '\t' << sign[SiteSign::Name] << '\n';
    cli.out.flush();
    return CliOk;
}

int sitesignImport(CliContext& cli, LibraryContext& library, const QStringList& args) {
    QString file;
    std::optional<bool> answer;
    for (const QString& a : args) {
        if (a == QLatin1String("--overwrite-all"))
            answer = true;
        else if (a == QLatin1String("--keep-all"))
            answer = false;
        else if (file.isEmpty() && !a.startsWith(QLatin1String("--")))
            file = a;
        else
            return cli.fail(
                QStringLiteral("用法: quiveral-cli sitesign import FILE [--overwrite-all|--keep-all]"),
                CliUsage);
    }
    if (file.isEmpty())
        return cli.fail(
            QStringLiteral("用法: quiveral-cli sitesign import FILE [--overwrite-all|--keep-all]"), CliUsage);
    SiteSignTable table;
    table.load(signFile(library));
    QStringList refused;
    const auto result = table.mergeFile(file, [&](const SiteSign& existing, const SiteSign&) {
        if (!answer)
            refused << existing[SiteSign::Url];
        return SiteSignTable::Decision{answer.value_or(false), false};
    });
    if (!result.error.isEmpty())
        return cli.fail(result.error);
    QString error;
    if (!table.save(signFile(library), &error))
        return cli.fail(error);
    cli.out << QStringLiteral("新增 %1，覆盖 %2，保留 %3，相同 %4")
                   .arg(result.added)
                   .arg(result.overwritten)
                   .arg(result.kept)
                   .arg(result.identical)
            << Qt::endl;
    for (const QString& url : refused)
        cli.err << QStringLiteral("已保留原有标志（用 --overwrite-all 覆盖）：") << url << Qt::endl;
    return CliOk;
}

int sitesignUpdate(CliContext& cli, LibraryContext& library, const QStringList& args) {
    std::optional<bool> answer;
    for (const QString& a : args) {
        if (a == QLatin1String("--overwrite-all"))
            answer = true;
        else if (a == QLatin1String("--keep-all"))
            answer = false;
        else
            return cli.fail(QStringLiteral("用法: quiveral-cli sitesign update [--overwrite-all|--keep-all]"),
                            CliUsage);
    }
    SiteSignTable table;
    table.load(signFile(library));
    QStringList refused;
    PageFetcher fetcher(FetchOptions::fromSettings(library.settings()));
    const auto result = SiteSignUpdate::updateFromServer(
        fetcher, table, library.settings().value(QStringLiteral("SiteSignUpdateUrl")),
        library.folder().path(),
        [&](const SiteSign& existing, const SiteSign&) {
            if (!answer)
                refused << existing[SiteSign::Url];
            return SiteSignTable::Decision{answer.value_or(false), false};
        },
        [&](const QString& text) { cli.out << text << Qt::endl; });
    if (!result.ok)
        return cli.fail(result.message);
    QString error;
    if (!table.save(signFile(library), &error))
        return cli.fail(error);
    cli.out << QStringLiteral("新增 %1，覆盖 %2，保留 %3，相同 %4")
                   .arg(result.merge.added)
                   .arg(result.merge.overwritten)
                   .arg(result.merge.kept)
                   .arg(result.merge.identical)
            << Qt::endl;
    for (const QString& url : refused)
        cli.err << QStringLiteral("已保留原有标志（用 --overwrite-all 覆盖）：") << url << Qt::endl;
    return CliOk;
}

int sitesignExport(CliContext& cli, LibraryContext& library, const QStringList& args) {
    QString file;
    QStringList urls;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--url") && i + 1 < args.size())
            urls << args.at(++i);
        else if (file.isEmpty() && !args.at(i).startsWith(QLatin1String("--")))
            file = args.at(i);
        else
            return cli.fail(QStringLiteral("用法: quiveral-cli sitesign export FILE [--url URL ...]"),
                            CliUsage);
    }
    if (file.isEmpty())
        file = SiteSignTable::proposedExportName();
    SiteSignTable table;
    table.load(signFile(library));
    QList<SiteSign> chosen;
    for (const SiteSign& sign : table.signs()) {
        const bool wanted =
            urls.isEmpty() || std::any_of(urls.begin(), urls.end(), [&](const QString& url) {
                return getSiteRoot(url).compare(getSiteRoot(sign[SiteSign::Url]), Qt::CaseInsensitive) == 0;
            });
        if (wanted)
            chosen.append(sign);
    }
    if (chosen.isEmpty())
        return cli.fail(QStringLiteral("没有正文标志内容"));
    QString error;
    if (!writeRecordFile(file, siteSignsText(chosen), &error))
        return cli.fail(error);
    const QString message = urls.isEmpty() ? QStringLiteral("当前的小说正文标志已导出到文件\"%1\"中")
                                           : QStringLiteral("当前选中的小说正文标志已导出到文件\"%1\"中");
    cli.out << message.arg(file) << Qt::endl;
    return CliOk;
}

int sitesignApply(CliContext& cli, LibraryContext& library, const QStringList& args) {
    const bool all = args == QStringList{QStringLiteral("--all")};
    if (args.isEmpty() || (!all && args.contains(QStringLiteral("--all"))))
        return cli.fail(QStringLiteral("用法: quiveral-cli sitesign apply (--all | NOVELID...)"), CliUsage);
    SiteSignTable table;
    if (!table.load(signFile(library)))
        return cli.fail(QStringLiteral("尚未对该网站的正文标志进行设定"));
    const int applied = table.applyToNovels(library.database(), all ? QStringList() : args);
    cli.out << QStringLiteral("设定完毕（%1 部小说）").arg(applied) << Qt::endl;
    return CliOk;
}

int runSitesign(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli sitesign list | import FILE "
                       "[--overwrite-all|--keep-all] | update [--overwrite-all|--keep-all] | "
                       "export FILE [--url URL ...] | apply (--all | NOVELID...)");
    if (args.isEmpty())
        return cli.fail(usage, CliUsage);
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb != QLatin1String("list") && verb != QLatin1String("import") && verb != QLatin1String("export") &&
        verb != QLatin1String("apply") && verb != QLatin1String("update"))
        return cli.fail(usage, CliUsage);
    if (verb == QLatin1String("list") && !rest.isEmpty())
        return cli.fail(usage, CliUsage);
    const bool changes =
        verb == QLatin1String("import") || verb == QLatin1String("apply") || verb == QLatin1String("update");
    LibraryContext* library = cli.openLibrary(changes);
    if (!library)
        return CliFailed;
    if (verb == QLatin1String("list"))
        return sitesignList(cli, *library);
    if (verb == QLatin1String("import"))
        return sitesignImport(cli, *library, rest);
    if (verb == QLatin1String("export"))
        return sitesignExport(cli, *library, rest);
    if (verb == QLatin1String("update"))
        return sitesignUpdate(cli, *library, rest);
    return sitesignApply(cli, *library, rest);
}

int runBookmarks(CliContext& cli, const QStringList& args) {
    if (args != QStringList{QStringLiteral("list")})
        return cli.fail(QStringLiteral("用法: quiveral-cli bookmarks list"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    QList<Bookmark> bookmarks;
    loadBookmarks(library->folder().path(), bookmarks);
    if (cli.json) {
        QJsonArray array;
        for (const Bookmark& b : bookmarks)
            array.append(QJsonObject{
                {"name", b.name}, {"url", b.url}, {"strPos", b.strPos}, {"fullAddress", b.fullAddress}});
        cli.printJson(array);
        return CliOk;
    }
    for (const Bookmark& b : bookmarks)
        cli.out << b.name << '\t' << b.fullAddress << (b.strPos.isEmpty() ? QString() : u'#' + b.strPos)
                << '\n';
    cli.out.flush();
    return CliOk;
}

int runLst(CliContext& cli, const QStringList& args) {
    const bool exporting = args.size() == 2 && args.at(0) == QLatin1String("export");
    const bool importing = args.size() == 2 && args.at(0) == QLatin1String("import");
    if (!exporting && !importing)
        return cli.fail(QStringLiteral("用法: quiveral-cli lst export FILE | lst import FILE"), CliUsage);
    LibraryContext* library = cli.openLibrary(importing);
    if (!library)
        return CliFailed;
    const NovelList::Result result = exporting ? NovelList::exportTo(library->database(), args.at(1))
                                               : NovelList::importFrom(library->database(), args.at(1));
    if (!result.ok)
        return cli.fail(result.message);
    cli.out << result.message << Qt::endl;
    if (importing && result.skipped > 0)
        cli.err << QStringLiteral("已有同名小说，跳过 %1 部").arg(result.skipped) << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration registrations[] = {
    CliRegistry::Registration(
        {QStringLiteral("sitesign"), QStringLiteral("list | import FILE | update | export FILE | apply"),
         QStringLiteral("正文标志：列出、导入、在线更新、导出、按设定标志替换"), runSitesign}),
    CliRegistry::Registration({QStringLiteral("lst"), QStringLiteral("export FILE | import FILE"),
                               QStringLiteral("导出或导入小说列表 (.lst)"), runLst}),
    CliRegistry::Registration(
        {QStringLiteral("bookmarks"), QStringLiteral("list"), QStringLiteral("列出书签"), runBookmarks}),
};

} // namespace
