#pragma once

// Helpers of the window tests: every message box answered from a script and recorded, controls found
// by objectName, dialogs driven while they run modal, pages of a web view asked, and a main that
// prepares the reading view's browser.

#include "widgets/memorypages.h"
#include "widgets/messages.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>
#include <memory>

// Records the messages shown; questions get the next scripted answer (Yes by default). A Yes/No/Cancel
// question takes its answer from buttons when that holds one, else from answers.
class MessageRecorder {
public:
    MessageRecorder() {
        Messages::setHandler([this](Messages::Kind kind, const QString& text) {
            shown << text;
            kinds << kind;
            if (kind == Messages::Kind::YesNoCancel && !buttons.isEmpty())
                return buttons.takeFirst();
            if (kind == Messages::Kind::Question || kind == Messages::Kind::OkCancel
                || kind == Messages::Kind::YesNoCancel) {
                const bool yes = answers.isEmpty() ? true : answers.takeFirst();
                if (kind == Messages::Kind::OkCancel)
                    return yes ? QMessageBox::Ok : QMessageBox::Cancel;
                return yes ? QMessageBox::Yes : QMessageBox::No;
            }
            return QMessageBox::Ok;
        });
    }
    ~MessageRecorder() { Messages::setHandler({}); }

    QString last() const { return shown.isEmpty() ? QString() : shown.last(); }

    QStringList shown;
    QList<Messages::Kind> kinds;
    QList<bool> answers;
    QList<QMessageBox::StandardButton> buttons;
};

// The control of that objectName; a missing one ends the test run.
template <typename T> T* child(QObject& window, const char* name) {
    T* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

inline void click(QObject& window, const char* name) {
    child<QAbstractButton>(window, name)->click();
}

// Triggers the window's action of that objectName, which must be enabled.
inline void trigger(QObject& window, const char* name) {
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action && action->isEnabled(), name);
    action->trigger();
}

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

// The value of a script run in the page, once it answers (an invalid value after ten seconds).
inline QVariant js(QWebEngineView* view, const QString& code) {
    // Shared, so an answer arriving after the wait gave up writes to live memory.
    struct Answer {
        QVariant value;
        bool done = false;
    };
    auto answer = std::make_shared<Answer>();
    view->page()->runJavaScript(code, [answer](const QVariant& v) {
        answer->value = v;
        answer->done = true;
    });
    if (!QTest::qWaitFor([&] { return answer->done; }, 10000))
        qWarning("no answer from the page to %s", qPrintable(code));
    return answer->value;
}

// Waits until the view has finished loading a page whose address ends so (asked of the document
// itself: the view's address changes before the old document is gone).
inline bool shows(QWebEngineView* view, const QString& ending) {
    return QTest::qWaitFor(
        [&] {
            return js(view, "document.readyState === 'complete' ? decodeURIComponent(location.pathname) : ''")
                .toString()
                .endsWith(ending);
        },
        15000);
}

#define QUIVERAL_UI_TEST_MAIN(TestClass)                                                                     \
    int main(int argc, char** argv) {                                                                        \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                          \
        MemoryPages::registerScheme();                                                                       \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
