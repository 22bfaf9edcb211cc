#include "widgets/openwithshell.h"

#include "widgets/messages.h"
#include "storage/files.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool openWithShell(const QString& pathOrAddress, QWidget* parent) {
    const QString problem = openTargetProblem(pathOrAddress);
    if (!problem.isEmpty()) {
        Messages::warning(parent, problem);
        return false;
    }
    const QUrl given(pathOrAddress);
    const bool local = given.scheme().isEmpty() || given.scheme().size() == 1;
    const QUrl url = local ? QUrl::fromLocalFile(QFileInfo(pathOrAddress).absoluteFilePath()) : given;
    if (QDesktopServices::openUrl(url))
        return true;
    Messages::warning(parent, openFailedMessage(pathOrAddress));
    return false;
}
