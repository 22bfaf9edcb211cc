#pragma once

// Helpers of the window tests: every message box answered from a script and recorded, dialogs
// driven while they run modal, and a main that prepares the reading view's browser.

#include "widgets/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

// Records the messages shown; questions get the next scripted answer (Yes by default).
class MessageRecorder {
public:
    MessageRecorder() {
        Messages::setHandler([this](Messages::Kind kind, const QString& text) {
            shown << text;
            kinds << kind;
            if (kind == Messages::Kind::Question || kind == Messages::Kind::OkCancel) {
                const bool yes = answers.isEmpty() ? true : answers.takeFirst();
                return kind == Messages::Kind::Question ? (yes ? QMessageBox::Yes : QMessageBox::No)
                                                        : (yes ? QMessageBox::Ok : QMessageBox::Cancel);
            }
            return QMessageBox::Ok;
        });
    }
    ~MessageRecorder() { Messages::setHandler({}); }

    QString last() const { return shown.isEmpty() ? QString() : shown.last(); }

    QStringList shown;
    QList<Messages::Kind> kinds;
    QList<bool> answers;
};

// Runs work on the next modal dialog of that objectName once it is open (it must close it).
inline void whenDialogOpens(const QString& objectName, const std::function<void(QDialog*)>& work) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, work] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(w);
            if (dialog && dialog->objectName() == objectName && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                work(dialog);
                return;
            }
        }
    });
    timer->start();
}

inline void clickButton(QWidget* parent, const char* name) {
    auto* button = parent->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    button->click();
}

#define QUIVERAL_UI_TEST_MAIN(TestClass)                                                                     \
    int main(int argc, char** argv) {                                                                        \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                          \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
