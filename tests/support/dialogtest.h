#pragma once

// Driving the download windows in tests: message boxes answered from a script, controls by objectName.
#include "widgets/messages.h"

#include <QAbstractButton>
#include <QList>
#include <QMessageBox>
#include <QStringList>

// Records every message shown; questions take the scripted answers in turn, then "Yes".
struct MessageLog {
    QStringList texts;
    QList<QMessageBox::StandardButton> answers;
    MessageLog() {
        Messages::setHandler([this](Messages::Kind, const QString& text) {
            texts << text;
            return answers.isEmpty() ? QMessageBox::Yes : answers.takeFirst();
        });
    }
    ~MessageLog() { Messages::setHandler({}); }
};

template <typename T> T* child(QObject& window, const char* name) {
    T* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

inline void click(QObject& window, const char* name) {
    child<QAbstractButton>(window, name)->click();
}
