// Text utilities on files: quiveral-cli text <op> [ARGS] [FILE] [--charset NAME].
#include "app/cli.h"
#include "app/cli_args.h"

#include "storage/textfile.h"
#include "text/charset.h"
#include "text/chinese.h"
#include "text/html.h"
#include "text/innertext.h"
#include "text/markers.h"
#include "text/regex.h"

#include <QFile>

#include <cstdio>

namespace {

const QString kUsage =
    QStringLiteral("用法: quiveral-cli text <操作> [参数] [文件] [--charset 字符集]\n"
                   "读取文件（省略或为 - 时读标准输入），结果以 UTF-8 写到标准输出，不另加换行。\n"
                   "操作:\n"
                   "  decode                         按字符集解码（默认 gb2312），所用字符集写到标准错误\n"
                   "  paragraphs                     排成段落（每段首行缩进，段间 <br><br>）\n"
                   "  inner-text                     HTML 的显示文字\n"
                   "  plain                          HTML 转为纯文本（去掉链接、选项和脚本）\n"
                   "  clean-word                     清理 Word 产生的 HTML\n"
                   "  clean-title                    清理书名或作者\n"
                   "  s2t | t2s                      简体转繁体 | 繁体转简体（逐字）\n"
                   "  between START END              START 与 END 之间的文字\n"
                   "  regex-replace PATTERN REPLACEMENT   正则替换（不分大小写，全部替换）\n"
                   "不带 --charset 时，文件按 UTF-8（有 BOM 或合法时）或 GB18030 读取。");

struct Operation {
    const char* name;
    int arguments; // words after the name before FILE
};

const Operation kOperations[] = {
    {"decode", 0},      {"paragraphs", 0}, {"inner-text", 0}, {"plain", 0},   {"clean-word", 0},
    {"clean-title", 0}, {"s2t", 0},        {"t2s", 0},        {"between", 2}, {"regex-replace", 2},
};

int runText(CliContext& cli, const QStringList& rawArgs) {
    QStringList args;
    QString charset;
    bool charsetGiven = false;
    for (int i = 0; i < rawArgs.size(); ++i) {
        const QString& a = rawArgs.at(i);
        if (a == QLatin1String("--charset")) {
            if (i + 1 >= rawArgs.size())
                return cli.fail(kUsage, CliUsage);
            charset = rawArgs.at(++i);
            charsetGiven = true;
        } else if (a.startsWith(QLatin1String("--charset="))) {
            charset = a.mid(10);
            charsetGiven = true;
        } else {
            args << a;
        }
    }
    if (args.isEmpty())
        return cli.fail(kUsage, CliUsage);
    const QString op = args.takeFirst();
    const Operation* operation = nullptr;
    for (const Operation& candidate : kOperations) {
        if (op == QLatin1String(candidate.name))
            operation = &candidate;
    }
    if (!operation || args.size() < operation->arguments || args.size() > operation->arguments + 1)
        return cli.fail(kUsage, CliUsage);
    const QStringList opArgs = args.mid(0, operation->arguments);
    const QString file = args.size() > operation->arguments ? args.last() : QString();

    // A bad pattern is reported before any input is waited for.
    if (op == QLatin1String("regex-replace")) {
        const QString problem = regexPatternError(opArgs.at(0));
        if (!problem.isEmpty())
            return cli.fail(problem);
    }
    if ((op == QLatin1String("s2t") || op == QLatin1String("t2s")) && !chineseScriptTablesAvailable())
        return cli.fail(QStringLiteral("找不到简繁字表（OpenCC 数据文件）"));

    QByteArray bytes;
    QString error;
    if (!readInput(file, &bytes, &error))
        return cli.fail(error);

    QString text;
    if (op == QLatin1String("decode")) {
        if (!charsetGiven)
            charset = QStringLiteral("none");
        text = bytesToText(bytes, charset);
        cli.err << QStringLiteral("字符集：") << charset << Qt::endl;
    } else if (charsetGiven) {
        text = bytesToText(bytes, charset);
    } else {
        text = decodeTextFileBytes(bytes);
    }

    QString result;
    if (op == QLatin1String("decode"))
        result = text;
    else if (op == QLatin1String("paragraphs"))
        result = formatParagraphs(text);
    else if (op == QLatin1String("inner-text"))
        result = htmlInnerText(text);
    else if (op == QLatin1String("plain"))
        result = htmlToPlainText(text);
    else if (op == QLatin1String("clean-word"))
        result = cleanWordHtml(text);
    else if (op == QLatin1String("clean-title"))
        result = cleanTitleText(text);
    else if (op == QLatin1String("s2t") || op == QLatin1String("t2s"))
        result = convertChineseScript(text, op == QLatin1String("s2t"));
    else if (op == QLatin1String("between"))
        result = getTextBetween(text, opArgs.at(0), opArgs.at(1));
    else if (op == QLatin1String("regex-replace")) {
        result = regexReplace(opArgs.at(0), text, opArgs.at(1), &error);
        if (!error.isEmpty())
            return cli.fail(error);
    }

    const QByteArray utf8 = result.toUtf8();
    cli.out.flush();
    if (std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout) != size_t(utf8.size()) ||
        std::fflush(stdout) != 0)
        return cli.fail(QStringLiteral("无法写出结果"));
    return CliOk;
}

const CliRegistry::Registration
    registration({QStringLiteral("text"), QStringLiteral("<操作> [参数] [文件] [--charset 字符集]"),
                  QStringLiteral("文本工具：解码、排段、HTML 转文字、简繁转换、截取、正则替换"), runText});

} // namespace
