// serve: the loopback test site in the foreground, for trying site signs and the demo by hand.
#include "app/cli.h"

#include "download/localsite.h"

#include <QFileInfo>
#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_UNIX)
int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    // Only async-signal-safe work here: the event loop picks the byte up and quits.
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so the site closes its connections before the program exits.
bool quitOnSignals(QObject* owner) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier] {
        notifier->setEnabled(false);
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}
#else
bool quitOnSignals(QObject*) {
    return true;
}
#endif

int runServe(CliContext& cli, const QStringList& args) {
    const QString usage = QStringLiteral("用法: quiveral-cli serve DIR [--port N] [--quiet]");
    QString folder;
    int port = 0;
    bool quiet = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        QString portText;
        if (a == QLatin1String("--port")) {
            if (i + 1 >= args.size())
                return cli.fail(usage, CliUsage);
            portText = args.at(++i);
        } else if (a.startsWith(QLatin1String("--port="))) {
            portText = a.mid(7);
        } else if (a == QLatin1String("--quiet")) {
            quiet = true;
            continue;
        } else if (a.startsWith(u'-') || !folder.isEmpty()) {
            return cli.fail(usage, CliUsage);
        } else {
            folder = a;
            continue;
        }
        bool ok = false;
        port = portText.toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return cli.fail(QStringLiteral("端口号无效：") + portText, CliUsage);
    }
    if (folder.isEmpty())
        return cli.fail(usage, CliUsage);
    if (!QFileInfo(folder).isDir())
        return cli.fail(QStringLiteral("文件夹不存在：") + folder);

    LocalSite site(folder);
    if (!site.listen(quint16(port)))
        return cli.fail(site.errorString());
    for (const QString& problem : site.ruleErrors())
        cli.err << problem << Qt::endl;
    if (!quiet) {
        QObject::connect(&site, &LocalSite::requestReceived, &site, [&cli](const LocalSiteRequest& r) {
            cli.err << r.method << ' ' << r.target << ' ' << r.status << Qt::endl;
        });
    }
    if (!quitOnSignals(&site))
        return cli.fail(QStringLiteral("无法处理终止信号"));

    cli.out << site.baseUrl() << Qt::endl;
    QCoreApplication::exec();
    return CliOk;
}

const CliRegistry::Registration
    registration({QStringLiteral("serve"), QStringLiteral("DIR [--port N] [--quiet]"),
                  QStringLiteral("在 127.0.0.1 上提供测试网站（文件夹与规则文件）"), runServe});

} // namespace
