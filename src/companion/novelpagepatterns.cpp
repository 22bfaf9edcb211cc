#include "companion/novelpagepatterns.h"

#include "storage/textfile.h"

NovelPagePatterns NovelPagePatterns::parse(const QString& text, QStringList* warnings) {
    NovelPagePatterns patterns;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        const auto warn = [&](const QString& why) {
            if (warnings)
                warnings->append(tr("%1 第%2行：%3").arg(fileName()).arg(n + 1).arg(why));
        };
        if (fields.size() != 3 || fields.at(0).trimmed().isEmpty() || fields.at(1).isEmpty()) {
            warn(tr("应为 前缀、正则表达式、替换式 三项，以 Tab 分隔"));
            continue;
        }
        Entry entry;
        const QString pattern = fields.at(0).trimmed();
        entry.prefix = pattern.section(QStringLiteral("||"), 0, 0);
        entry.part = pattern.section(QStringLiteral("||"), 1);
        entry.expression = QRegularExpression(fields.at(1), QRegularExpression::CaseInsensitiveOption);
        if (!entry.expression.isValid()) {
            warn(tr("正则表达式有误：") + entry.expression.errorString());
            continue;
        }
        entry.replacement = fields.at(2).trimmed();
        patterns.m_entries.append(entry);
    }
    return patterns;
}

NovelPagePatterns NovelPagePatterns::load(const QString& path, QStringList* warnings) {
    const std::optional<QByteArray> bytes = readFileBytes(path);
    if (!bytes) {
        if (warnings)
            warnings->append(tr("无法读取：") + path);
        return {};
    }
    return parse(decodeTextFileBytes(*bytes), warnings);
}

QString NovelPagePatterns::clean(const QString& address) {
    QString cleaned = address;
    cleaned.remove(QStringLiteral("about:blank"), Qt::CaseInsensitive);
    cleaned.remove(QStringLiteral("about:"), Qt::CaseInsensitive);
    return cleaned.trimmed();
}

QString NovelPagePatterns::contentsAddress(const QString& address) const {
    const QString page = clean(address);
    if (page.isEmpty())
        return {};
    for (const Entry& e : m_entries) {
        if (!page.startsWith(e.prefix, Qt::CaseInsensitive) ||
            (!e.part.isEmpty() && !page.contains(e.part, Qt::CaseInsensitive)))
            continue;
        const QRegularExpressionMatch m = e.expression.match(page);
        if (!m.hasMatch())
            continue;
        QString contents = e.replacement;
        for (int g = m.lastCapturedIndex(); g >= 0; --g)
            contents.replace(QLatin1Char('\\') + QString::number(g), m.captured(g));
        return contents;
    }
    return {};
}

QList<ShowTopLink> NovelPagePatterns::defaultLinks() {
    const QString site = QStringLiteral("http://127.0.0.1:18808/");
    return {{0, tr("演示小说站排行榜"), site + QStringLiteral("top.html"), 1},
            {0, tr("演示小说站全本小说"), site + QStringLiteral("full.html"), 2},
            {0, tr("演示小说站首页"), site, 3},
            {0, tr("演示小说站书页"), site + QStringLiteral("bookinfo.html"), 4}};
}
