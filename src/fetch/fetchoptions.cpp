#include "fetch/fetchoptions.h"

#include "storage/settings.h"

FetchOptions FetchOptions::fromSettings(const Settings& settings) {
    FetchOptions options;
    bool ok = false;
    // Seconds as a decimal number; nonsense or nothing keeps the default rather than never timing out.
    const double seconds = settings.value(QStringLiteral("NovelConnTimeOut")).trimmed().toDouble(&ok);
    if (ok && seconds > 0)
        options.timeoutMs = int(qMin(seconds, 24.0 * 3600) * 1000);
    options.concurrency = qMax(1, settings.intValue(QStringLiteral("MultGetNums"), options.concurrency));
    // Novels mostly come from one site: the number the user chose applies to it, not a lower cap.
    options.perHostLimit = qMax(options.perHostLimit, options.concurrency);
    options.chapterPauseMs = qBound(0, settings.intValue(QStringLiteral("DelayTime"), 0), 3600) * 1000;
    options.jumpUrlPatterns = settings.value(QStringLiteral("JumpUrlPatterns"));
    options.jumpFeedPatterns = settings.value(QStringLiteral("JumpFeedPatterns"));
    options.jumpBodyPatterns = settings.value(QStringLiteral("JumpBodyPatterns"));
    const QString charset = settings.value(QStringLiteral("charset"));
    if (!charset.isEmpty())
        options.displayCharset = charset;
    options.judgePicExt = settings.isOn(QStringLiteral("bIsJudgePicExt"));
    options.caFile = QString::fromLocal8Bit(qgetenv("QUIVERAL_TEST_CA"));
    return options;
}

QByteArray FetchOptions::defaultUserAgent() {
    // Some novel sites answer unknown clients with an empty page or a block notice.
    return "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/108.0.0.0 "
           "Safari/537.36";
}
