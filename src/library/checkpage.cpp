#include "library/checkpage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString CheckPage::colorOf(const QString& state) {
    if (state == QLatin1String("ok"))
        return QStringLiteral("green");
    if (state == QLatin1String("warning"))
        return QStringLiteral("blue");
    if (state == QLatin1String("failed"))
        return QStringLiteral("red");
    if (state == QLatin1String("skipped"))
        return QStringLiteral("gray");
    return QStringLiteral("black");
}

QString CheckPage::fromJson(const QByteArray& json, QString* error) {
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (!doc.isArray() || doc.array().isEmpty()) {
        if (error)
            *error = parse.error != QJsonParseError::NoError ? parse.errorString() : tr("检测没有结果");
        return {};
    }
    QString lines;
    for (const QJsonValue& value : doc.array()) {
        const QJsonObject item = value.toObject();
        lines += QStringLiteral("<p>%1：<font color=%2>%3</font></p>\r\n")
                     .arg(item.value(QLatin1String("item")).toString().toHtmlEscaped(),
                          colorOf(item.value(QLatin1String("state")).toString()),
                          item.value(QLatin1String("text")).toString().toHtmlEscaped());
    }
    return QStringLiteral(
               "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
               "<title>%1</title><style>body{font-family:\"WenQuanYi Micro Hei\",\"Noto Sans CJK SC\","
               "sans-serif;font-size:15px;line-height:1.8;margin:24px 40px;}</style></head>"
               "<body><h3>%1</h3>\r\n%2</body></html>")
        .arg(tr("常见问题检测"), lines);
}
