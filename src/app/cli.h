#pragma once

// The headless program: commands register themselves from their own files.

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>

class LibraryContext;
class SingleInstance;

enum CliExit { CliOk = 0, CliFailed = 1, CliUsage = 2 };

class CliContext {
    Q_DECLARE_TR_FUNCTIONS(CliContext)

public:
    CliContext(QString libraryFolder, bool json);
    ~CliContext();

    QString libraryFolder;
    bool json = false;
    QTextStream out;
    QTextStream err;

    // Opens the library, creating it when needed. A command that changes it asks for exclusive use,
    // which fails while the desktop program has it open. Prints the message and returns nullptr on
    // failure.
    LibraryContext* openLibrary(bool exclusive);

    // Prints the message on stderr and returns the exit code, for one-line error returns.
    int fail(const QString& message, int code = CliFailed);
    void printJson(const class QJsonValue& value);

private:
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<LibraryContext> m_library;
};

struct CliCommand {
    QString name;
    QString usage;   // arguments after the name
    QString summary; // one line for --help
    std::function<int(CliContext&, const QStringList& args)> run;
};

namespace CliRegistry {
QList<CliCommand>& commands();
struct Registration {
    explicit Registration(CliCommand command) { commands().append(std::move(command)); }
};
} // namespace CliRegistry
