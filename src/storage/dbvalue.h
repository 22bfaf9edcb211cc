#pragma once

#include <QString>
#include <QVariant>

// A column value with Null replaced by the default of its column kind: 0 for "int"/"smallint",
// "" for the text and date kinds, 0/1 for "bit"; an unknown kind gives an empty value.
QVariant valueOrDefault(const QVariant& value, const QString& typeName);

// Shorthands for the common reads.
inline QString textOf(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}
inline int intOf(const QVariant& value) {
    return value.isNull() ? 0 : value.toInt();
}
// A LIKE pattern (with a backslash as the ESCAPE character) that finds the text anywhere, "%" and "_" as
// themselves.
inline QString likeContaining(QString text) {
    text.replace(u'\\', QLatin1String("\\\\"));
    text.replace(u'%', QLatin1String("\\%"));
    text.replace(u'_', QLatin1String("\\_"));
    return u'%' + text + u'%';
}
// Empty text is stored as Null.
inline QVariant nullIfEmpty(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}
