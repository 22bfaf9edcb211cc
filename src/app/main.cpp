// The desktop program.
#include "library/ui/frmbook.h"
#include "library/ui/messages.h"
#include "storage/librarycontext.h"
#include "storage/singleinstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace {

bool hasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void fail(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    if (hasScreen())
        Messages::warning(nullptr, message);
}

} // namespace

int main(int argc, char** argv) {
    // The reading view's browser shares its GL context with the widgets; this must precede the app.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quiveral"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quiveral"));
    QApplication::setApplicationVersion(QStringLiteral(QUIVERAL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quiveral — 网络小说下载阅读"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption libraryOption(QStringLiteral("library"), QStringLiteral("书库文件夹"),
                                           QStringLiteral("DIR"));
    parser.addOption(libraryOption);
    parser.addPositionalArgument(QStringLiteral("addnew"), QStringLiteral("addnew <目录页网址>：新增小说"),
                                 QStringLiteral("[addnew <网址>]"));
    parser.process(app);

    const QString folder = LibraryFolder::resolve(parser.value(libraryOption));
    const QString commandLine = parser.positionalArguments().join(u' ');
    const QString address = SingleInstance::addNewAddress(commandLine);

    SingleInstance instance(folder);
    if (!instance.tryBecomePrimary()) {
        const QString request =
            address.isEmpty() ? QStringLiteral("activate") : QStringLiteral("addnew ") + address;
        if (instance.sendToPrimary(request))
            return 0;
        fail(QObject::tr("书库正由另一个程序使用：") + folder);
        return 1;
    }

    LibraryContext library(folder);
    QString error;
    if (!library.open(&error)) {
        fail(error);
        return 1;
    }

    FrmBook window(library);
    QPointer<FrmBook> guard(&window);
    // Statements may fail on a job's thread; the message is shown on the window's.
    library.database().setErrorHandler([guard](const QString& message) {
        QMetaObject::invokeMethod(
            qApp,
            [guard, message] {
                if (guard && hasScreen())
                    Messages::warning(guard, message);
                std::fprintf(stderr, "%s\n", message.toUtf8().constData());
            },
            Qt::QueuedConnection);
    });
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&instance, &SingleInstance::addNewRequested, &window, &FrmBook::requestAddNovel);
    QObject::connect(&window, &FrmBook::addNovelRequested, [](const QString& requested) {
        std::fprintf(stdout, "addnew %s\n", requested.toUtf8().constData());
        std::fflush(stdout);
    });
    window.show();
    // The start-up benchmark times the start to the filled tree, then wants the program gone.
    if (qEnvironmentVariableIsSet("QUIVERAL_QUIT_AFTER_START"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    if (!address.isEmpty())
        QMetaObject::invokeMethod(
            &window, [&window, address] { window.requestAddNovel(address); }, Qt::QueuedConnection);
    return app.exec();
}
