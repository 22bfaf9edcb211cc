#include "download/ui/filechooser.h"

#include <QFileDialog>

namespace FileChooser {

namespace {

Handler& handler() {
    static Handler h;
    return h;
}

} // namespace

void setHandler(Handler h) {
    handler() = std::move(h);
}

QString openFile(QWidget* parent, const QString& caption, const QString& filter, const QString& folder) {
    if (handler())
        return handler()(Mode::Open, caption, folder);
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString saveFile(QWidget* parent, const QString& caption, const QString& filter, const QString& proposed) {
    if (handler())
        return handler()(Mode::Save, caption, proposed);
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

} // namespace FileChooser
