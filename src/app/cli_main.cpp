#include "app/cli.h"

#include "renewal/processtuning.h"
#include "storage/librarycontext.h"
#include "storage/singleinstance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

QList<CliCommand>& CliRegistry::commands() {
    static QList<CliCommand> list;
    return list;
}

CliContext::CliContext(QString folder, bool asJson)
    : libraryFolder(std::move(folder))
    , json(asJson)
    , out(stdout)
    , err(stderr) {}

CliContext::~CliContext() = default;

LibraryContext* CliContext::openLibrary(bool exclusive) {
    if (m_library)
        return m_library.get();
    m_instance = std::make_unique<SingleInstance>(libraryFolder);
    if (exclusive && !m_instance->tryBecomePrimary()) {
        fail(tr("书库正由另一个程序使用：") + libraryFolder);
        return nullptr;
    }
    auto library = std::make_unique<LibraryContext>(libraryFolder);
    library->database().setErrorHandler([this](const QString& message) { err << message << Qt::endl; });
    QString error;
    if (!library->open(&error)) {
        fail(error);
        return nullptr;
    }
    m_library = std::move(library);
    return m_library.get();
}

int CliContext::fail(const QString& message, int code) {
    err << message << Qt::endl;
    return code;
}

void CliContext::printJson(const QJsonValue& value) {
    QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
    out.flush();
}

namespace {

void printHelp(QTextStream& out) {
    out << "用法: quiveral-cli [--library DIR] [--json] <命令> [参数]\n\n"
           "选项:\n"
           "  --library DIR   书库文件夹 (默认: QUIVERAL_HOME 或 ~/.local/share/Quiveral)\n"
           "  --json          以 JSON 输出列表\n"
           "  --help          显示本帮助\n"
           "  --version       显示版本\n\n"
           "命令:\n";
    QList<CliCommand> commands = CliRegistry::commands();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    for (const CliCommand& c : commands) {
        const QString left = c.name + (c.usage.isEmpty() ? QString() : u' ' + c.usage);
        out << "  " << left.leftJustified(34) << ' ' << c.summary << '\n';
    }
    out.flush();
}

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    // No windows here: the plain event dispatcher wakes a thread without a system call per posted
    // event, which the download threads post thousands of.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quiveral-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUIVERAL_VERSION));

    QString library;
    bool json = false;
    QStringList rest;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--library")) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "--library 需要一个文件夹\n");
                return CliUsage;
            }
            library = args.at(++i);
        } else if (a.startsWith(QLatin1String("--library="))) {
            library = a.mid(10);
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream out(stdout);
            printHelp(out);
            return CliOk;
        } else if (a == QLatin1String("--version")) {
            std::printf("quiveral-cli %s\n", QUIVERAL_VERSION);
            return CliOk;
        } else {
            rest << a;
        }
    }

    if (rest.isEmpty()) {
        QTextStream err(stderr);
        printHelp(err);
        return CliUsage;
    }
    const QString name = rest.takeFirst();
    for (const CliCommand& command : CliRegistry::commands()) {
        if (command.name != name)
            continue;
        CliContext context(LibraryFolder::resolve(library), json);
        return command.run(context, rest);
    }
    std::fprintf(stderr, "未知命令: %s\n", name.toUtf8().constData());
    return CliUsage;
}
