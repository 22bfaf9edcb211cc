#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProcessResult {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

// Runs a program of the build to its end (or kills it after timeoutMs).
ProcessResult runProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         int timeoutMs = 60000);

inline ProcessResult runCli(const QStringList& args,
                            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    return runProgram(QStringLiteral(QUIVERAL_CLI_PATH), args, env);
}
