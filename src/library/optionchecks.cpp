#include "library/optionchecks.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

const QList<OptionChecks::NumberField>& OptionChecks::numberFields() {
    static const QList<NumberField> fields = {
        {QStringLiteral("NovelConnTimeOut"), tr("连接超时数"), 5, 300, QStringLiteral("10")},
        {QStringLiteral("MultGetNums"), tr("最大下载任务数"), 1, 10, QStringLiteral("1")},
        {QStringLiteral("ListPerLineNums"), tr("目录页每行章数"), 1, 8, QStringLiteral("2")},
        {QStringLiteral("DelayTime"), tr("每章下载后等待时间"), 0, 60, QStringLiteral("0")},
        {QStringLiteral("LinkDepth"), tr("最大链接深度"), 1, 2, QStringLiteral("1")},
        {QStringLiteral("PlaceholderMinChars"), tr("占位章节字数"), 0, 100000, QStringLiteral("300")},
        {QStringLiteral("PlaceholderTries"), tr("占位章节重试次数"), 0, 1000, QStringLiteral("20")},
    };
    return fields;
}

const OptionChecks::NumberField* OptionChecks::numberField(const QString& key) {
    for (const NumberField& f : numberFields())
        if (f.key == key)
            return &f;
    return nullptr;
}

QString OptionChecks::checkNumber(const NumberField& field, const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || (value >= field.minimum && value <= field.maximum))
        return {};
    return field.label + tr("应该在") + QString::number(field.minimum) + tr("与") +
           QString::number(field.maximum) + tr("之间");
}

QString OptionChecks::numberValue(const NumberField& field, const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? QString::number(value) : field.fallback;
}

QStringList OptionChecks::intervalEntries() {
    QStringList entries{tr("无"), tr("30分钟")};
    for (int hours = 1; hours <= 6; ++hours)
        entries << QString::number(hours) + tr("小时");
    return entries;
}

int OptionChecks::intervalMinutes(int index) {
    if (index <= 0)
        return 0;
    if (index == 1)
        return 30;
    return (index - 1) * 60;
}

int OptionChecks::intervalIndex(const QString& stored) {
    bool ok = false;
    const int minutes = stored.trimmed().toInt(&ok);
    if (!ok)
        return 0;
    for (int i = 0; i < intervalEntries().size(); ++i)
        if (intervalMinutes(i) == minutes)
            return i;
    return 0;
}

QString OptionChecks::checkChmFolder(const QString& path) {
    if (path.trimmed().isEmpty())
        return tr("电子书输出目录不能为空");
    const QString folder = QDir::cleanPath(path.trimmed());
    if (!QDir().mkpath(folder))
        return tr("无效的电子书输出目录，请重新输入");
    // The folder must take files, not just exist.
    QTemporaryFile probe(folder + QLatin1String("/.quiveral-XXXXXX"));
    if (!probe.open())
        return tr("无效的电子书输出目录，请重新输入");
    return {};
}

QString OptionChecks::checkArticleStyle(const QString& style) {
    return style.trimmed().isEmpty() ? tr("章节显示样式不能为空") : QString();
}

QString OptionChecks::checkOtherEditor(bool enabled, const QString& path) {
    if (!enabled)
        return {};
    const QString program = path.trimmed();
    // A file, or a program found on the PATH.
    if (program.isEmpty() ||
        (!QFileInfo(program).isFile() && QStandardPaths::findExecutable(program).isEmpty()))
        return tr("请选择具体的外部编辑器文件。");
    return {};
}
