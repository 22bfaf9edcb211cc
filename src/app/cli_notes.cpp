// notes: the writing assistant's notes of a novel: list, add, edit, delete, move.
#include "app/cli.h"
#include "app/cli_args.h"

#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "writer/writerstore.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral(
    "用法: quiveral-cli notes NOVELID list\n"
    "      quiveral-cli notes NOVELID add --type 分类|链接|文本|图片 --title T [--parent ID] [--url U] "
    "[--remark R] [--copy]\n"
    "      quiveral-cli notes NOVELID edit ID [--title T] [--url U] [--remark R]\n"
    "      quiveral-cli notes NOVELID delete ID [--yes]\n"
    "      quiveral-cli notes NOVELID move ID (--up | --down | --to PARENT)");

// The id of one of the novel's notes (or 0 for the top, when allowed); else the message and exit code.
int readNoteId(CliContext& cli, const WriterStore& store, const QString& novelId, const QString& text,
               bool topAllowed, qint64* id) {
    bool numeric = false;
    *id = text.toLongLong(&numeric);
    if (!numeric || *id < 0 || (*id == 0 && !topAllowed))
        return cli.fail(QStringLiteral("辅助编号无效：") + text, CliUsage);
    if (*id != 0 && store.note(*id).novelId != novelId)
        return cli.fail(QStringLiteral("没有这个辅助：") + text);
    return CliOk;
}

QJsonObject toJson(const WriterNote& n) {
    return QJsonObject{{"id", n.id},
                       {"parent", n.topId},
                       {"displayorder", n.displayOrder},
                       {"type", WriterStore::typeName(n.type)},
                       {"title", n.title},
                       {"url", n.url},
                       {"remark", n.remark}};
}

QJsonArray childrenJson(const QList<WriterNote>& notes, const QHash<qint64, QList<qsizetype>>& children,
                        qint64 parent) {
    QJsonArray array;
    for (qsizetype i : children.value(parent)) {
        QJsonObject object = toJson(notes.at(i));
        object.insert(QStringLiteral("children"), childrenJson(notes, children, notes.at(i).id));
        array.append(object);
    }
    return array;
}

int list(CliContext& cli, const WriterStore& store, const QString& novelId) {
    const QList<WriterNote> notes = store.tree(novelId);
    if (cli.json) {
        // The tree comes parent first, so every child finds its parent already listed.
        QHash<qint64, QList<qsizetype>> children;
        for (qsizetype i = 0; i < notes.size(); ++i)
            children[notes.at(i).depth == 0 ? 0 : notes.at(i).topId].append(i);
        cli.printJson(childrenJson(notes, children, 0));
        return CliOk;
    }
    for (const WriterNote& n : notes) {
        cli.out << QString(n.depth * 2, u' ') << n.id << '\t' << WriterStore::typeName(n.type) << '\t'
                << n.title;
        if (!n.url.isEmpty())
            cli.out << '\t' << n.url;
        cli.out << '\n';
    }
    cli.out.flush();
    return CliOk;
}

int printNote(CliContext& cli, const WriterNote& n) {
    if (cli.json)
        cli.printJson(toJson(n));
    else
        cli.out << n.id << '\t' << n.topId << '\t' << n.displayOrder << Qt::endl;
    return CliOk;
}

int add(CliContext& cli, LibraryContext& library, const WriterStore& store, const QString& novelId,
        QStringList args) {
    const bool copy = takeFlag(args, QStringLiteral("--copy"));
    QString type, parent, url, remark;
    WriterNote n;
    bool hasType = false, hasTitle = false, hasParent = false, hasUrl = false, hasRemark = false;
    if (!takeOption(args, QStringLiteral("--type"), &type, &hasType) ||
        !takeOption(args, QStringLiteral("--title"), &n.title, &hasTitle) ||
        !takeOption(args, QStringLiteral("--parent"), &parent, &hasParent) ||
        !takeOption(args, QStringLiteral("--url"), &n.url, &hasUrl) ||
        !takeOption(args, QStringLiteral("--remark"), &n.remark, &hasRemark) || !args.isEmpty() || !hasType)
        return cli.fail(kUsage, CliUsage);
    n.novelId = novelId;
    n.type = WriterStore::typeOf(type);
    if (n.type < 0)
        return cli.fail(QStringLiteral("类型无效：") + type, CliUsage);
    if (copy && n.type != WriterNote::Picture)
        return cli.fail(QStringLiteral("只有图片才能复制到小说的下载目录中"), CliUsage);
    qint64 selected = 0;
    if (hasParent)
        if (const int code = readNoteId(cli, store, novelId, parent, true, &selected); code != CliOk)
            return code;
    n.topId = store.parentFor(selected);
    if (const QString error = WriterStore::validate(n); !error.isEmpty())
        return cli.fail(error);
    if (copy) {
        QString error;
        n.url = WriterStore::copyPicture(n.url, library.folder().novelDir(novelId),
                                         QDateTime::currentDateTime(), &error);
        if (n.url.isEmpty())
            return cli.fail(error);
    }
    const WriterStore::Result result = store.insertNote(n);
    if (!result.ok())
        return cli.fail(result.error);
    return printNote(cli, store.note(result.id));
}

int edit(CliContext& cli, const WriterStore& store, qint64 id, QStringList args) {
    WriterNote n = store.note(id);
    bool hasTitle = false, hasUrl = false, hasRemark = false;
    if (!takeOption(args, QStringLiteral("--title"), &n.title, &hasTitle) ||
        !takeOption(args, QStringLiteral("--url"), &n.url, &hasUrl) ||
        !takeOption(args, QStringLiteral("--remark"), &n.remark, &hasRemark) || !args.isEmpty() ||
        !(hasTitle || hasUrl || hasRemark))
        return cli.fail(kUsage, CliUsage);
    const WriterStore::Result result = store.updateNote(id, n.title, n.url, n.remark);
    if (!result.ok())
        return cli.fail(result.error);
    return printNote(cli, store.note(id));
}

int remove(CliContext& cli, const WriterStore& store, qint64 id, QStringList args) {
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    if (!args.isEmpty())
        return cli.fail(kUsage, CliUsage);
    if (!yes) {
        cli.err << (store.note(id).type == WriterNote::Category
                        ? QStringLiteral("是否将此分类及其下的所有项都删除？")
                        : QStringLiteral("是否将此项删除？"))
                << Qt::endl;
        return cli.fail(QStringLiteral("未确认：加 --yes 才会删除"));
    }
    const QList<qint64> ids = store.deleteSubtree(id);
    if (ids.isEmpty())
        return cli.fail(QStringLiteral("删除辅助失败"));
    if (cli.json) {
        QJsonArray array;
        for (qint64 deleted : ids)
            array.append(deleted);
        cli.printJson(QJsonObject{{"deleted", array}});
        return CliOk;
    }
    for (qint64 deleted : ids)
        cli.out << deleted << '\n';
    cli.out.flush();
    return CliOk;
}

int move(CliContext& cli, const WriterStore& store, const QString& novelId, qint64 id, QStringList args) {
    const bool up = takeFlag(args, QStringLiteral("--up"));
    const bool down = takeFlag(args, QStringLiteral("--down"));
    QString to;
    bool hasTo = false;
    if (!takeOption(args, QStringLiteral("--to"), &to, &hasTo) || !args.isEmpty() ||
        int(up) + down + hasTo != 1)
        return cli.fail(kUsage, CliUsage);
    if (hasTo) {
        qint64 parent = 0;
        if (const int code = readNoteId(cli, store, novelId, to, true, &parent); code != CliOk)
            return code;
        const WriterStore::Result result = store.moveTo(id, parent);
        if (!result.ok())
            return cli.fail(result.error);
    } else if (store.swapWithSibling(id, up) == WriterStore::Swap::Failed) {
        return cli.fail(QStringLiteral("移动辅助失败"));
    }
    // The first cannot go up nor the last down: that is no error, the note just stays.
    return printNote(cli, store.note(id));
}

int runNotes(CliContext& cli, const QStringList& given) {
    QStringList args = given;
    if (args.size() < 2)
        return cli.fail(kUsage, CliUsage);
    const QString novelId = args.takeFirst();
    const QString verb = args.takeFirst();
    const bool listing = verb == QLatin1String("list");
    const bool withId = QStringList{"edit", "delete", "move"}.contains(verb);
    if ((!listing && !withId && verb != QLatin1String("add")) || (listing && !args.isEmpty()) ||
        (withId && (args.isEmpty() || args.first().startsWith(QLatin1String("--")))))
        return cli.fail(kUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(!listing);
    if (!library)
        return CliFailed;
    if (!NovelStore(library->database()).loadNovel(novelId))
        return cli.fail(QStringLiteral("没有这本小说：") + novelId);
    WriterStore store(library->database());
    // As opening the assistant does: a novel's notes start with the four categories.
    if (!store.ensureNovel(novelId))
        return CliFailed;
    if (listing)
        return list(cli, store, novelId);
    if (verb == QLatin1String("add"))
        return add(cli, *library, store, novelId, args);

    qint64 id = 0;
    if (const int code = readNoteId(cli, store, novelId, args.takeFirst(), false, &id); code != CliOk)
        return code;
    if (verb == QLatin1String("edit"))
        return edit(cli, store, id, args);
    if (verb == QLatin1String("delete"))
        return remove(cli, store, id, args);
    return move(cli, store, novelId, id, args);
}

const CliRegistry::Registration
    registration({QStringLiteral("notes"),
                  QStringLiteral("NOVELID list | add --type T --title T … | "
                                 "edit ID … | delete ID [--yes] | move ID …"),
                  QStringLiteral("小说写作助手的辅助：列出、新增、编辑、删除、移动"), runNotes});

} // namespace
