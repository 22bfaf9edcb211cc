#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

// Runs the CHM compiler (chmcmd of Free Pascal) on a project as a separate process, on the calling
// thread, and waits for it in steps of 100 ms so that a stop request ends it at once.
class ChmCompiler {
    Q_DECLARE_TR_FUNCTIONS(ChmCompiler)

public:
    // QUIVERAL_CHMCMD names another program; otherwise chmcmd from the PATH.
    static QString findProgram();

    explicit ChmCompiler(QString program = findProgram());

    bool isAvailable() const { return !m_program.isEmpty(); }
    QString program() const { return m_program; }

    enum class Outcome { Compiled, Failed, Stopped };
    // Compiles projectFile (inside workDir) into workDir/outputName. chmcmd now and then dies of an
    // access violation at the end of a run without writing its output; such a run is repeated up to
    // attempts times. error holds the user's message on failure.
    Outcome compile(const QString& workDir, const QString& projectFile, const QString& outputName,
                    const std::function<bool()>& stopRequested, QString* error, int attempts = 3) const;

private:
    QString m_program;
};
