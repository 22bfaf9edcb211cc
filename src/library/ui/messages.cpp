#include "library/ui/messages.h"

#include <QApplication>

namespace Messages {

namespace {

Handler& handler() {
    static Handler h;
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

} // namespace Messages
