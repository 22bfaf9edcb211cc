#pragma once

#include "text/charset.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Text files of the program: read as UTF-16 or UTF-8 when they carry a BOM, as UTF-8 when they are
// (plausible) UTF-8, otherwise as GB18030 (a superset of the GBK files the old program wrote);
// written with the GB18030 encoder unless told otherwise. Writes are atomic.

// The whole file, read at once by its size (a buffered readAll copies it through Qt's buffer, which
// costs more than the read when thousands of pages are read); nothing when it cannot be opened.
std::optional<QByteArray> readFileBytes(const QString& path);

QString decodeTextFileBytes(const QByteArray& bytes);
QString readTextFile(const QString& path);

bool writeBytesAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// Also all or nothing for readers and for a killed process (the whole file given the target's name
// at once), but without waiting for the disk: for downloads that can be fetched again, where one flush per
// chapter page costs more than the fetch.
bool replaceFileBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);
bool writeTextFile(const QString& path, const QString& text, const char* encoding = "GB18030",
                   QString* error = nullptr);
