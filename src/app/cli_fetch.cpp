// fetch: one address through the program's own fetcher, for trying a site by hand.
#include "app/cli.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "storage/settings.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int runFetch(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli fetch URL [--decode] [--jump] [--referer URL] [--verbose]");
    QString url;
    QString referer;
    bool decode = false;
    bool jump = false;
    bool verbose = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--decode"))
            decode = true;
        else if (a == QLatin1String("--jump"))
            jump = true;
        else if (a == QLatin1String("--verbose") || a == QLatin1String("-v"))
            verbose = true;
        else if (a == QLatin1String("--referer") && i + 1 < args.size())
            referer = args.at(++i);
        else if (!a.startsWith(QLatin1String("--")) && url.isEmpty())
            url = a;
        else
            return cli.fail(usage, CliUsage);
    }
    if (url.isEmpty() || (jump && decode))
        return cli.fail(usage, CliUsage);

    // The time-out and jump patterns of the library, when it has settings; nothing is created.
    Settings settings(cli.libraryFolder);
    if (QFileInfo::exists(settings.iniPath()))
        settings.loadSettings();
    PageFetcher fetcher(FetchOptions::fromSettings(settings));

    if (jump) {
        const QString target = fetcher.getJumpUrl(url);
        if (target.isEmpty())
            return cli.fail(QStringLiteral("没有跳转地址"));
        cli.out << target << Qt::endl;
        return CliOk;
    }
    const FetchedPage page = fetcher.fetch(url, referer);
    if (verbose)
        cli.err << "HTTP " << page.status << '\t' << page.contentType << '\t' << page.url << Qt::endl;
    if (!page.ok())
        return cli.fail(page.error.isEmpty() ? QStringLiteral("下载失败") : page.error);
    if (decode) {
        PageDecoder decoder(settings.value(QStringLiteral("charset")));
        decoder.takeContentType(page.contentType);
        const QString text = decoder.decode(page.body);
        if (verbose)
            cli.err << QStringLiteral("字符集: ") << decoder.pageCharset() << Qt::endl;
        cli.out << text;
        cli.out.flush();
        return CliOk;
    }
    cli.out.flush();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(page.body) != page.body.size())
        return cli.fail(QStringLiteral("无法写出页面内容"));
    out.flush();
    return CliOk;
}

const CliRegistry::Registration
    registration({QStringLiteral("fetch"), QStringLiteral("URL [--decode] [--jump] [--referer URL]"),
                  QStringLiteral("下载一个网址，输出原始内容或解码后的文字"), runFetch});

} // namespace
