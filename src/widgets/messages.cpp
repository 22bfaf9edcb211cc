#include "widgets/messages.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>

namespace Messages {

namespace {

Handler& handler() {
    static Handler h;
    return h;
}

PickHandler& pickHandler() {
    static PickHandler h;
    return h;
}

QMessageBox::StandardButton show(QWidget* parent, Kind kind, const QString& text) {
    if (handler())
        return handler()(kind, text);
    const QString title = QApplication::applicationDisplayName();
    switch (kind) {
    case Kind::Warning:
        return QMessageBox::warning(parent, title, text);
    case Kind::Information:
        return QMessageBox::information(parent, title, text);
    case Kind::Question:
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No);
    case Kind::OkCancel:
        return QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel);
    case Kind::YesNoCancel:
        return QMessageBox::question(parent, title, text,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    }
    return QMessageBox::NoButton;
}

} // namespace

void setHandler(Handler h) {
    handler() = std::move(h);
}

void warning(QWidget* parent, const QString& text) {
    show(parent, Kind::Warning, text);
}

void information(QWidget* parent, const QString& text) {
    show(parent, Kind::Information, text);
}

bool question(QWidget* parent, const QString& text) {
    return show(parent, Kind::Question, text) == QMessageBox::Yes;
}

bool okCancel(QWidget* parent, const QString& text) {
    return show(parent, Kind::OkCancel, text) == QMessageBox::Ok;
}

QMessageBox::StandardButton yesNoCancel(QWidget* parent, const QString& text) {
    const QMessageBox::StandardButton pressed = show(parent, Kind::YesNoCancel, text);
    return pressed == QMessageBox::Yes || pressed == QMessageBox::No ? pressed : QMessageBox::Cancel;
}

void setPickHandler(PickHandler h) {
    pickHandler() = std::move(h);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) {
    if (pickHandler())
        return pickHandler()(Pick::OpenFile, caption, filter);
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QStringList openFileNames(QWidget* parent, const QString& caption, const QString& folder,
                          const QString& filter) {
    if (pickHandler())
        return pickHandler()(Pick::OpenFiles, caption, filter).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                     const QString& filter) {
    if (pickHandler())
        return pickHandler()(Pick::SaveFile, caption, proposed);
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

QString existingFolder(QWidget* parent, const QString& caption, const QString& folder) {
    if (pickHandler())
        return pickHandler()(Pick::Folder, caption, folder);
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

QColor color(QWidget* parent, const QString& caption, const QColor& current) {
    if (pickHandler()) {
        const QString name = pickHandler()(Pick::Color, caption, current.name());
        return name.isEmpty() ? QColor() : QColor(name);
    }
    return QColorDialog::getColor(current, parent, caption);
}

} // namespace Messages
