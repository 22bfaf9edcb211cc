// chapter: the chapter menu's commands (add, edit, delete, merge, split, up, down, move, volume).
#include "app/cli.h"

#include "library/addresscheckjob.h"
#include "library/chaptereditor.h"
#include "storage/librarycontext.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <optional>

namespace {

const QString kUsage =
    QStringLiteral("用法: quiveral-cli chapter add NOVELID [--title T] [--url U] [--before ID]\n"
                   "       quiveral-cli chapter edit ID --title T [--url U]\n"
                   "       quiveral-cli chapter delete|merge ID... [--yes]\n"
                   "       quiveral-cli chapter split ID (--pattern RE | --size N) [--yes]\n"
                   "       quiveral-cli chapter up|down ID\n"
                   "       quiveral-cli chapter move ID... (--before ID | --to NOVELID) [--copy] [--yes]\n"
                   "       quiveral-cli chapter volume ID... (--name V | --last)");

struct Arguments {
    QStringList positional;
    QHash<QString, QString> values; // --title, --url, --before, --pattern, --size, --to, --name
    QSet<QString> flags;            // --yes, --copy, --last
    bool ok = true;
};

Arguments parse(const QStringList& args) {
    static const QStringList valued{"--title", "--url", "--before", "--pattern", "--size", "--to", "--name"};
    static const QStringList switches{"--yes", "--copy", "--last"};
    Arguments a;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (valued.contains(arg)) {
            if (i + 1 >= args.size() || a.values.contains(arg))
                a.ok = false;
            else
                a.values.insert(arg, args.at(++i));
        } else if (switches.contains(arg)) {
            a.flags.insert(arg);
        } else if (arg.startsWith(QLatin1String("--"))) {
            a.ok = false;
        } else {
            a.positional << arg;
        }
    }
    return a;
}

std::optional<QList<qint64>> chapterIds(const QStringList& texts) {
    QList<qint64> ids;
    for (const QString& text : texts) {
        bool ok = false;
        const qint64 id = text.toLongLong(&ok);
        if (!ok || id <= 0)
            return std::nullopt;
        ids << id;
    }
    return ids;
}

// --before ID: 0 when not given, none when it is no chapter id.
std::optional<qint64> beforeId(const Arguments& a) {
    if (!a.values.contains(QStringLiteral("--before")))
        return 0;
    const auto ids = chapterIds({a.values.value(QStringLiteral("--before"))});
    return ids ? std::optional<qint64>(ids->first()) : std::nullopt;
}

// The dialog's address check: a local file is taken as it is, anything else must answer.
bool addressAnswers(const LibraryContext& library, const QString& url) {
    const QString address = url.trimmed();
    if (address.isEmpty() || address.startsWith(u'/') ||
        address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return true;
    AddressCheckJob job(library.settings(), AddressCheckJob::Kind::Page, address);
    job.runHere();
    return job.answered();
}

QString chapterLine(const ChapterEditor& editor, qint64 id) {
    const auto c = editor.chapter(id);
    return QString::number(id) + u'\t' + (c ? c->title : QString());
}

int printChapters(CliContext& cli, const ChapterEditor& editor, const QList<qint64>& ids) {
    if (cli.json) {
        QJsonArray rows;
        for (const qint64 id : ids) {
            const auto c = editor.chapter(id);
            rows.append(QJsonObject{
                {"id", id}, {"title", c ? c->title : QString()}, {"novelId", c ? c->novelId : QString()}});
        }
        cli.printJson(rows);
        return CliOk;
    }
    for (const qint64 id : ids)
        cli.out << chapterLine(editor, id) << '\n';
    cli.out.flush();
    return CliOk;
}

// Without --yes a destructive verb only says what it would do.
int unconfirmed(CliContext& cli, const QString& question, const QStringList& lines) {
    cli.out << question << '\n';
    for (const QString& line : lines)
        cli.out << line << '\n';
    cli.out.flush();
    return cli.fail(QStringLiteral("未作改动：加 --yes 确认后执行"));
}

int runChapter(CliContext& cli, const QStringList& args) {
    if (args.isEmpty())
        return cli.fail(kUsage, CliUsage);
    const QString verb = args.first();
    const Arguments a = parse(args.mid(1));
    if (!a.ok)
        return cli.fail(kUsage, CliUsage);
    const bool yes = a.flags.contains(QStringLiteral("--yes"));

    if (verb == QLatin1String("add")) {
        if (a.positional.size() != 1)
            return cli.fail(kUsage, CliUsage);
        const std::optional<qint64> before = beforeId(a);
        if (!before)
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        const QString url = a.values.value("--url");
        if (!addressAnswers(*library, url))
            return cli.fail(ChapterEditor::tr("无效的章节网址"));
        QString title = a.values.value("--title");
        // Neither given: the title the dialog would propose.
        if (title.trimmed().isEmpty() && url.trimmed().isEmpty())
            title = editor.proposeTitle(a.positional.first());
        const auto result = editor.add(a.positional.first(), title, url, *before);
        if (!result.ok())
            return cli.fail(result.error);
        if (cli.json) {
            cli.printJson(QJsonObject{{"id", result.ids.first()},
                                      {"title", editor.chapter(result.ids.first())->title}});
            return CliOk;
        }
        cli.out << chapterLine(editor, result.ids.first()) << Qt::endl;
        return CliOk;
    }

    const auto ids = chapterIds(a.positional);
    if (!ids || ids->isEmpty())
        return cli.fail(kUsage, CliUsage);

    if (verb == QLatin1String("edit")) {
        if (ids->size() != 1 || !a.values.contains("--title"))
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        const auto current = editor.chapter(ids->first());
        if (!current)
            return cli.fail(ChapterEditor::tr("请选择具体项"));
        const QString url = a.values.contains("--url") ? a.values.value("--url") : current->comeFrom;
        if (a.values.contains("--url") && !addressAnswers(*library, url))
            return cli.fail(ChapterEditor::tr("无效的章节网址"));
        const auto result = editor.editProperties(ids->first(), a.values.value("--title"), url);
        if (!result.ok())
            return cli.fail(result.error);
        return printChapters(cli, editor, result.ids);
    }

    if (verb == QLatin1String("delete") || verb == QLatin1String("merge")) {
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        const bool merging = verb == QLatin1String("merge");
        if (merging && QSet<qint64>(ids->begin(), ids->end()).size() < 2)
            return cli.fail(ChapterEditor::tr("至少选中两个章节进行合并。"));
        if (const QString error = editor.checkChapters(*ids); !error.isEmpty())
            return cli.fail(error);
        if (!yes) {
            QStringList lines;
            for (const qint64 id : *ids)
                lines << chapterLine(editor, id);
            return unconfirmed(cli,
                               merging ? ChapterEditor::tr("您是否确定合并选中的章节吗?")
                                       : ChapterEditor::tr("您是否确定删除选中的章节吗?"),
                               lines);
        }
        const auto result =
            merging ? editor.merge(*ids)
                    : editor.remove(*ids, library->settings().value(QStringLiteral("bIsDeleteUrl")) == u'1');
        if (!result.ok())
            return cli.fail(result.error);
        if (merging)
            return printChapters(cli, editor, result.ids);
        if (cli.json) {
            QJsonArray deleted;
            for (const qint64 id : result.ids)
                deleted.append(id);
            cli.printJson(QJsonObject{{"deleted", deleted}});
        } else {
            cli.out << QStringLiteral("已删除%1个章节").arg(result.ids.size()) << Qt::endl;
        }
        return CliOk;
    }

    if (verb == QLatin1String("split")) {
        const bool byPattern = a.values.contains("--pattern");
        if (ids->size() != 1 || byPattern == a.values.contains("--size"))
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        if (const QString error = editor.checkChapters(*ids); !error.isEmpty())
            return cli.fail(error);
        const ChapterEditor::Split plan =
            byPattern ? editor.planSplitByPattern(ids->first(), a.values.value("--pattern"))
                      : editor.planSplitBySize(ids->first(), a.values.value("--size"));
        if (!plan.ok())
            return cli.fail(plan.error);
        if (!yes)
            return unconfirmed(cli, ChapterEditor::tr("您确定将此章节拆分为%1个章节吗?").arg(plan.parts),
                               plan.titles);
        const auto result = editor.split(plan);
        if (!result.ok())
            return cli.fail(result.error);
        return printChapters(cli, editor, result.ids);
    }

    if (verb == QLatin1String("up") || verb == QLatin1String("down")) {
        if (ids->size() != 1)
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        if (const QString error = editor.checkChapters(*ids); !error.isEmpty())
            return cli.fail(error);
        const bool up = verb == QLatin1String("up");
        if (!editor.moveOne(ids->first(), up ? ChapterEditor::Direction::Up : ChapterEditor::Direction::Down))
            return cli.fail(up ? QStringLiteral("章节已在最前，未移动")
                               : QStringLiteral("章节已在最后，未移动"));
        return CliOk;
    }

    if (verb == QLatin1String("move")) {
        const bool hasBefore = a.values.contains("--before");
        if (hasBefore == a.values.contains("--to"))
            return cli.fail(kUsage, CliUsage);
        const std::optional<qint64> before = beforeId(a);
        if (!before)
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        if (const QString error = editor.checkChapters(*ids); !error.isEmpty())
            return cli.fail(error);
        const bool copy = a.flags.contains(QStringLiteral("--copy"));
        const QString target = a.values.value("--to");
        if (!yes) {
            QStringList lines;
            for (const qint64 id : *ids)
                lines << chapterLine(editor, id);
            const QString where = hasBefore ? QStringLiteral("章节 %1 之前").arg(chapterLine(editor, *before))
                                            : QStringLiteral("小说 %1 末尾").arg(target);
            return unconfirmed(
                cli,
                (copy ? QStringLiteral("将复制%1个章节到%2：") : QStringLiteral("将移动%1个章节到%2："))
                    .arg(ids->size())
                    .arg(where),
                lines);
        }
        const auto result = editor.move(*ids, *before, target, copy);
        if (!result.ok())
            return cli.fail(result.error);
        return printChapters(cli, editor, result.ids);
    }

    if (verb == QLatin1String("volume")) {
        const bool last = a.flags.contains(QStringLiteral("--last"));
        if (last == a.values.contains("--name"))
            return cli.fail(kUsage, CliUsage);
        LibraryContext* library = cli.openLibrary(true);
        if (!library)
            return CliFailed;
        ChapterEditor editor(*library);
        if (const QString error = editor.checkChapters(*ids); !error.isEmpty())
            return cli.fail(error);
        QString name = a.values.value("--name");
        if (last) {
            name = editor.lastVolume(editor.chapter(ids->first())->novelId);
            if (name.isEmpty())
                return cli.fail(ChapterEditor::tr("该小说尚未分卷"));
        }
        const auto result = editor.setVolume(*ids, name);
        if (!result.ok())
            return cli.fail(result.error);
        if (!cli.json)
            cli.out << name << Qt::endl;
        else
            cli.printJson(QJsonObject{{"volume", name}, {"chapters", int(result.ids.size())}});
        return CliOk;
    }
    return cli.fail(kUsage, CliUsage);
}

const CliRegistry::Registration registration(
    {QStringLiteral("chapter"), QStringLiteral("add|edit|delete|merge|split|up|down|move|volume ..."),
     QStringLiteral("编辑章节：新增、属性、删除、合并、拆分、上下移动、移至、分卷（改动需 --yes）"),
     runChapter});

} // namespace
