#include "output/chmcompiler.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString ChmCompiler::findProgram() {
    const QString chosen = qEnvironmentVariable("QUIVERAL_CHMCMD");
    if (!chosen.isEmpty())
        return QFileInfo(chosen).isExecutable() ? chosen : QString();
    return QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
}

ChmCompiler::ChmCompiler(QString program)
    : m_program(std::move(program)) {}

ChmCompiler::Outcome ChmCompiler::compile(const QString& workDir, const QString& projectFile,
                                          const QString& outputName,
                                          const std::function<bool()>& stopRequested, QString* error,
                                          int attempts) const {
    if (m_program.isEmpty()) {
        if (error)
            *error = tr("没有找到电子书编译程序 chmcmd，请安装 fp-utils");
        return Outcome::Failed;
    }
    const QString output = workDir + u'/' + outputName;
    QString detail;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        QFile::remove(output);
        QProcess process;
        process.setWorkingDirectory(workDir);
        process.setProcessChannelMode(QProcess::MergedChannels);
        // The pages and the file list are complete; scanning would also pull in whatever a
        // downloaded page links to anywhere on the disk.
        process.start(m_program, {QStringLiteral("--no-html-scan"), projectFile});
        if (!process.waitForStarted(10000)) {
            if (error)
                *error = tr("无法启动电子书编译程序：%1").arg(process.errorString());
            return Outcome::Failed;
        }
        QByteArray log;
        // Read as it comes: a full pipe would stall the compiler.
        while (!process.waitForFinished(100)) {
            log += process.readAll();
            if (log.size() > 65536)
                log = log.right(8192);
            if (process.state() == QProcess::NotRunning)
                break;
            if (stopRequested && stopRequested()) {
                process.kill();
                process.waitForFinished(5000);
                QFile::remove(output);
                return Outcome::Stopped;
            }
        }
        const QFileInfo result(output);
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 && result.exists() &&
            result.size() > 0)
            return Outcome::Compiled;
        log += process.readAll();
        detail = QString::fromLocal8Bit(log).trimmed();
        if (detail.isEmpty())
            detail = tr("退出代码 %1").arg(process.exitCode());
    }
    QFile::remove(output);
    if (error)
        *error = tr("电子书编译失败：%1").arg(detail.right(500));
    return Outcome::Failed;
}
