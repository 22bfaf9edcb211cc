// The desktop program.
#include "app/ui/frmbook.h"
#include "library/demolibrary.h"
#include "library/treekeys.h"
#include "localsite/localsitethread.h"
#include "renewal/processtuning.h"
#include "storage/librarycontext.h"
#include "storage/novellist.h"
#include "storage/singleinstance.h"
#include "widgets/memorypages.h"
#include "widgets/messages.h"
#include "widgets/qttranslation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

bool hasScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// A desktop starts the program with what was opened (Exec=quiveral %U): a novel's address, which
// means "addnew", or a novel list file, given as a path or a file: URL.
struct OpenedArgument {
    QString commandLine;
    QString listFile;
};

OpenedArgument readOpenedArgument(const QStringList& positional) {
    OpenedArgument opened{positional.join(u' '), QString()};
    if (positional.size() != 1)
        return opened;
    const QString argument = positional.first();
    const QUrl url(argument);
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
        opened.commandLine = QStringLiteral("addnew ") + argument;
        return opened;
    }
    const QFileInfo file(url.isLocalFile() ? url.toLocalFile() : argument);
    if (file.suffix().compare(QLatin1String("lst"), Qt::CaseInsensitive) == 0 && file.isFile()) {
        opened.commandLine.clear();
        opened.listFile = file.absoluteFilePath();
    }
    return opened;
}

void fail(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    if (hasScreen())
        Messages::warning(nullptr, message);
}

} // namespace

int main(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    // The reading view's browser shares its GL context with the widgets; this must precede the app.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MemoryPages::registerScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quiveral"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quiveral"));
    QApplication::setApplicationVersion(QStringLiteral(QUIVERAL_VERSION));
    // Lets the desktop match the windows to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quiveral.Quiveral"));
    installQtTranslation(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quiveral — 网络小说下载阅读"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption libraryOption(QStringLiteral("library"), QStringLiteral("书库文件夹"),
                                           QStringLiteral("DIR"));
    parser.addOption(libraryOption);
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("演示：在本机提供演示网站，并打开含演示小说的书库"
                                                       "（未指定 --library 时为临时书库）"));
    parser.addOption(demoOption);
    parser.addPositionalArgument(QStringLiteral("addnew"), QStringLiteral("addnew <目录页网址>：新增小说"),
                                 QStringLiteral("[addnew <网址> | <网址> | <小说列表.lst>]"));
    parser.process(app);

    // The demo library is a temporary folder unless one is named; it goes when the program ends.
    const bool demo = parser.isSet(demoOption);
    std::unique_ptr<QTemporaryDir> demoFolder;
    if (demo && !parser.isSet(libraryOption)) {
        demoFolder =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quiveral-demo-XXXXXX"));
        if (!demoFolder->isValid()) {
            fail(QObject::tr("无法建立演示书库：") + demoFolder->errorString());
            return 1;
        }
    }
    const QString folder =
        LibraryFolder::resolve(demoFolder ? demoFolder->path() : parser.value(libraryOption));
    const OpenedArgument opened = readOpenedArgument(parser.positionalArguments());
    const QString address = SingleInstance::addNewAddress(opened.commandLine);

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

    // The demo site answers on its own thread, so the window's jobs and the add below can fetch.
    std::unique_ptr<LocalSiteThread> demoSite;
    QString demoNovel;
    if (demo) {
        const QString site = DemoLibrary::siteFolder();
        if (site.isEmpty()) {
            fail(QObject::tr("找不到演示网站 data/demo-site"));
            return 1;
        }
        demoSite = std::make_unique<LocalSiteThread>(site);
        if (!demoSite->start(DemoLibrary::kPort) && !demoSite->start()) {
            fail(demoSite->errorString());
            return 1;
        }
        const QString problem = DemoLibrary::prepare(library, demoSite->baseUrl(), &demoNovel);
        if (!problem.isEmpty()) {
            fail(problem);
            return 1;
        }
        std::fprintf(stderr, "demo site %s, library %s\n", qPrintable(demoSite->baseUrl()),
                     qPrintable(folder));
    }

    // A list opened from the desktop is imported as 导入小说列表 does, before the tree is filled.
    std::optional<NovelList::Result> listImport;
    if (!opened.listFile.isEmpty())
        listImport = NovelList::importFrom(library.database(), opened.listFile);

    FrmBook window(library);
    if (!demoNovel.isEmpty())
        window.selectNode(TreeKeys::novel(demoNovel));
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
        if (!window.isVisible())
            window.showNormal();
        window.bringToFront();
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
    if (listImport)
        QMetaObject::invokeMethod(
            &window,
            [&window, result = *listImport] {
                if (result.ok)
                    Messages::information(&window, result.message);
                else
                    Messages::warning(&window, result.message);
            },
            Qt::QueuedConnection);
    if (!address.isEmpty())
        QMetaObject::invokeMethod(
            &window, [&window, address] { window.requestAddNovel(address); }, Qt::QueuedConnection);
    return app.exec();
}
