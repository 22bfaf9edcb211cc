// serve: the loopback test site in the foreground, for trying site signs and the demo by hand.
#include "app/cli.h"
#include "app/cli_signals.h"

#include "localsite/localsite.h"
#include "storage/textfile.h"

#include <QFileInfo>

namespace {

int runServe(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli serve DIR [--port N] [--quiet] [--https [--ca-out FILE]]");
    QString folder;
    QString caOut;
    int port = 0;
    bool quiet = false;
    bool https = false;
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
        } else if (a == QLatin1String("--https")) {
            https = true;
            continue;
        } else if (a == QLatin1String("--ca-out") || a.startsWith(QLatin1String("--ca-out="))) {
            caOut = a.contains(u'=') ? a.section(u'=', 1) : i + 1 < args.size() ? args.at(++i) : QString();
            if (caOut.isEmpty())
                return cli.fail(usage, CliUsage);
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
    if (folder.isEmpty() || (!caOut.isEmpty() && !https))
        return cli.fail(usage, CliUsage);
    if (!QFileInfo(folder).isDir())
        return cli.fail(QStringLiteral("文件夹不存在：") + folder);

    LocalSite site(folder);
    if (!site.listen(quint16(port), https))
        return cli.fail(site.errorString());
    for (const QString& problem : site.ruleErrors())
        cli.err << problem << Qt::endl;
    if (!quiet) {
        QObject::connect(&site, &LocalSite::requestReceived, &site, [&cli](const LocalSiteRequest& r) {
            cli.err << r.method << ' ' << r.target << ' ' << r.status << Qt::endl;
        });
    }
    // SIGINT and SIGTERM end the event loop, so the site closes its connections before the program exits.
    if (!onTerminationSignal(&site, [] { QCoreApplication::quit(); }))
        return cli.fail(QStringLiteral("无法处理终止信号"));

    // The CA is made anew by every run; without --ca-out its temporary file goes when the program ends.
    // It is written before the address appears: a script that waits for the address may use it at once.
    if (https) {
        QString error;
        if (caOut.isEmpty())
            caOut = LocalSite::caFile();
        else if (!writeBytesAtomically(caOut, LocalSite::caPem(), &error))
            caOut.clear();
        if (caOut.isEmpty())
            return cli.fail(QStringLiteral("无法写入 CA 证书：") + error);
        cli.err << "CA: " << QFileInfo(caOut).absoluteFilePath() << Qt::endl;
    }
    cli.out << site.baseUrl() << Qt::endl;
    QCoreApplication::exec();
    return CliOk;
}

const CliRegistry::Registration registration(
    {QStringLiteral("serve"), QStringLiteral("DIR [--port N] [--quiet] [--https [--ca-out FILE]]"),
     QStringLiteral("在 127.0.0.1 上提供测试网站（文件夹与规则文件），可用 https"), runServe});

} // namespace
