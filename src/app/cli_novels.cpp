// novels and chapters: what the library tree and the chapter list show, for scripts and checks.
#include "app/cli.h"

#include "library/librarylists.h"
#include "storage/chapterstore.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// A field of a TSV line: tabs and line breaks would break the columns.
QString tsv(QString text) {
    for (const QChar c : {u'\t', u'\r', u'\n'})
        text.replace(c, u' ');
    return text;
}

int runNovels(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli novels"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    const Database& db = library->database();
    QJsonArray rows;
    for (const NovelRow& n : LibraryLists::novels(db)) {
        const int chapters = ChapterStore(db).count(n.novelId);
        const int unread = LibraryLists::unreadCount(db, n.novelId);
        const bool ended = n.bIsEnd == QLatin1String("1");
        if (cli.json) {
            rows.append(QJsonObject{{"novelId", n.novelId},
                                    {"name", n.name},
                                    {"category", n.categoryName},
                                    {"author", n.author},
                                    {"chapters", chapters},
                                    {"unread", unread},
                                    {"ended", ended},
                                    {"listUrl", n.listUrl}});
            continue;
        }
        cli.out << n.novelId << '\t' << tsv(n.name) << '\t' << tsv(n.categoryName) << '\t' << chapters << '\t'
                << unread << '\t' << (ended ? "不再更新" : "更新") << '\t' << n.listUrl << '\n';
    }
    if (cli.json)
        cli.printJson(rows);
    cli.out.flush();
    return CliOk;
}

int runChapters(CliContext& cli, const QStringList& args) {
    if (args.size() != 1)
        return cli.fail(QStringLiteral("用法: quiveral-cli chapters NOVELID"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    const Database& db = library->database();
    if (!NovelStore(db).loadNovel(args.first()))
        return cli.fail(QStringLiteral("没有这本小说：") + args.first());
    QJsonArray rows;
    for (const ChapterRow& c : LibraryLists::chapters(db, args.first())) {
        if (cli.json) {
            rows.append(QJsonObject{{"id", c.id},
                                    {"order", c.displayorder},
                                    {"volume", c.volume},
                                    {"title", c.title},
                                    {"comeFrom", c.comeFrom},
                                    {"wordNums", c.wordNums ? QJsonValue(*c.wordNums) : QJsonValue()},
                                    {"read", c.read},
                                    {"placeholder", c.placeholder}});
            continue;
        }
        cli.out << c.id << '\t' << c.displayorder << '\t' << tsv(c.volume) << '\t' << tsv(c.title) << '\t'
                << c.comeFrom << '\t' << (c.wordNums ? QString::number(*c.wordNums) : QString()) << '\t'
                << (c.read ? "已读" : "未读") << (c.placeholder ? "\t（待更新）" : "") << '\n';
    }
    if (cli.json)
        cli.printJson(rows);
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration registrations[] = {
    CliRegistry::Registration({QStringLiteral("novels"), QString(),
                               QStringLiteral("列出小说（编号、名称、分类、章数、未读、状态、目录页网址）"),
                               runNovels}),
    CliRegistry::Registration(
        {QStringLiteral("chapters"), QStringLiteral("NOVELID"),
         QStringLiteral("列出小说的章节（编号、顺序、分卷、标题、网址、字数、已读、待更新）"), runChapters}),
};

} // namespace
