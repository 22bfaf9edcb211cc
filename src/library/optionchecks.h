#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// The rules of the options dialog: the limits of its number fields, the renewal intervals it
// offers, and the e-book folder check. Each check returns "" or the message for the user.
class OptionChecks {
    Q_DECLARE_TR_FUNCTIONS(OptionChecks)

public:
    struct NumberField {
        QString key;   // settings key
        QString label; // as the message names it
        int minimum;
        int maximum;
        QString fallback; // stored when the text is not a number
    };
    static const QList<NumberField>& numberFields();
    static const NumberField* numberField(const QString& key);

    // "连接超时数应该在5与300之间" for a number outside the limits; text that is no number passes
    // here and is stored as the fallback.
    static QString checkNumber(const NumberField& field, const QString& text);
    static QString numberValue(const NumberField& field, const QString& text);

    // "无", "30分钟", "1小时" … "6小时", stored as 0, 30, 60 … 360 minutes.
    static QStringList intervalEntries();
    static int intervalMinutes(int index);
    // The entry of a stored value; the first ("无") for an empty or unknown one.
    static int intervalIndex(const QString& stored);

    static QStringList charsets() {
        return {QStringLiteral("gb2312"), QStringLiteral("big5"), QStringLiteral("utf-8")};
    }

    // The e-book folder must be given and usable (it is created when missing).
    static QString checkChmFolder(const QString& path);
    static QString checkArticleStyle(const QString& style);
    static QString checkOtherEditor(bool enabled, const QString& path);
};
