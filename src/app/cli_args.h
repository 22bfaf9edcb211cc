#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class QByteArray;

// Reading a command's arguments.

// Takes a flag out of the arguments; true when it was there.
bool takeFlag(QStringList& args, const QString& flag);
// Takes "--name VALUE" out of the arguments. False when the option is there without a value or twice.
bool takeOption(QStringList& args, const QString& name, QString* value, bool* given);
// Whether an option is left over.
bool hasOption(const QStringList& args);

// "3,5,8" as chapter ids of the novel: "" when they are, else the message naming the first one that
// is not a number or not one of the novel's chapters ("章节编号无效：x").
QString readChapterIds(const Database& db, const QString& novelId, const QString& text, QList<qint64>* ids);

// The bytes of FILE, or of standard input for "" and "-"; false with the message in error.
bool readInput(const QString& file, QByteArray* bytes, QString* error);
// The same as UTF-8 text ("输入不是 UTF-8 文本" when it is not).
bool readUtf8Input(const QString& file, QString* text, QString* error);
