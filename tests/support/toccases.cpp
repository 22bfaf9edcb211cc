#include "support/toccases.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kTocDir = QStringLiteral(QUIVERAL_TEST_DATA_DIR "/toc/");

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

} // namespace

QStringList TocCase::expectedLines(const QString& base) const {
    QString text = QString::fromUtf8(readAll(kTocDir + expectedFile));
    text.replace(QLatin1String("{base}"), base);
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QList<TocCase> tocCases() {
    QList<TocCase> cases;
    const QJsonArray array = QJsonDocument::fromJson(readAll(kTocDir + QLatin1String("cases.json"))).array();
    for (const QJsonValue& value : array) {
        const QJsonObject o = value.toObject();
        TocCase c;
        c.name = o.value("name").toString();
        c.site = o.value("site").toString();
        c.page = o.value("page").toString();
        c.listStart = o.value("listStart").toString();
        c.listEnd = o.value("listEnd").toString();
        c.volumeStart = o.value("volumeStart").toString();
        c.volumeEnd = o.value("volumeEnd").toString();
        const QJsonObject settings = o.value("settings").toObject();
        for (auto it = settings.begin(); it != settings.end(); ++it)
            c.settings.insert(it.key(), it.value().toString());
        c.expectedFile = o.value("expected").toString();
        cases.append(c);
    }
    if (cases.isEmpty())
        qFatal("no cases in %scases.json", qPrintable(kTocDir));
    return cases;
}

TocCase tocCase(const QString& site) {
    for (const TocCase& c : tocCases())
        if (c.site == site)
            return c;
    qFatal("no case for %s", qPrintable(site));
}
