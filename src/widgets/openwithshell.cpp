#include "widgets/openwithshell.h"

#include "storage/files.h"
#include "widgets/messages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

ShellOpener& opener() {
    static ShellOpener o;
    return o;
}

bool isLocal(const QString& pathOrAddress) {
    const QUrl given(pathOrAddress);
    return given.scheme().isEmpty() || given.scheme().size() == 1;
}

bool openUrl(const QUrl& url) {
    return opener() ? opener()(url) : QDesktopServices::openUrl(url);
}

// Warns and gives true when something stands against opening.
bool refused(const QString& pathOrAddress, QWidget* parent) {
    const QString problem = openTargetProblem(pathOrAddress);
    if (!problem.isEmpty())
        Messages::warning(parent, problem);
    return !problem.isEmpty();
}

QUrl urlOf(const QString& pathOrAddress) {
    return isLocal(pathOrAddress) ? QUrl::fromLocalFile(QFileInfo(pathOrAddress).absoluteFilePath())
                                  : QUrl(pathOrAddress);
}

} // namespace

void setShellOpener(ShellOpener o) {
    opener() = std::move(o);
}

bool openWithShell(const QString& pathOrAddress, QWidget* parent) {
    if (refused(pathOrAddress, parent))
        return false;
    if (openUrl(urlOf(pathOrAddress)))
        return true;
    Messages::warning(parent, openFailedMessage(pathOrAddress));
    return false;
}

bool openWrittenFile(const QString& path, QWidget* parent) {
    if (refused(path, parent))
        return false;
    if (openUrl(urlOf(path)))
        return true;
    const QString folder = QFileInfo(path).absolutePath();
    const QString question =
        openFailedMessage(path) +
        QCoreApplication::translate("openWithShell", "，文件在“%1”。是否打开所在的文件夹？")
            .arg(QDir::toNativeSeparators(path));
    if (!Messages::question(parent, question))
        return false;
    return openWithShell(folder, parent);
}
