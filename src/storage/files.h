#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Files, folders and file names.

// Appends the names (no path) of the folder's files whose name ends in "." + one of the extensions,
// compared in lower case; extensions is "*.*" for every file or a comma list without dots
// ("htm,html"). True when something was appended; names is untouched otherwise.
bool listFilesByExtension(const QString& folder, const QString& extensions, QStringList& names);
// Appends the names of the folder's files whose name contains the text, ignoring case.
bool listFilesContaining(const QString& folder, const QString& text, QStringList& names);
// Appends the names of the folder's subfolders, "*.*" for all or those ending in "." + one of the
// extensions. False when the folder does not exist or nothing was appended.
bool listSubfolders(const QString& folder, const QString& extensions, QStringList& names);

// "bmp", "gif", "jpg", "png" from a picture's first bytes; "" when unknown or under five bytes.
QString getImageType(const QByteArray& bytes);

// Writes the bytes atomically, creating the folder; does nothing for an empty array.
bool saveBytesToFile(const QByteArray& bytes, const QString& path, QString* error = nullptr);

// Why a file or address cannot be opened with its default program, as the message to show
// ("文件没有找到"), or "" when nothing is known against it.
QString openTargetProblem(const QString& pathOrAddress);
// The message for a default program that could not be started.
QString openFailedMessage(const QString& pathOrAddress);

// "" when the name holds none of \/:*?"<>|',& — otherwise the message for the field's label.
QString checkFileNameChars(const QString& name, const QString& fieldLabel);
// Each of \/:*?"<>| becomes "_", so a title can be a file name.
QString replaceInvalidFileNameChars(const QString& text);
