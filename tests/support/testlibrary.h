#pragma once

#include "storage/librarycontext.h"

#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A fresh library in a temporary folder, opened the way the program opens one (or the test run ends).
// Database errors are collected instead of printed so that tests can assert them.
class TestLibrary {
public:
    TestLibrary();

    bool isValid() const { return m_ok; }
    QString path() const { return m_dir.path(); }
    LibraryContext& context() { return *m_context; }
    Database& db() { return m_context->database(); }
    QStringList& errors() { return m_errors; }

    // Adds a novel row directly (LB may be empty); returns its NovelID.
    QString addNovel(const QString& name, const QString& lb = QString(), int displayorder = 0);
    // Adds a chapter row; returns its id.
    qint64 addChapter(const QString& novelId, const QString& title, bool read = false,
                      const QString& comeFrom = QString());
    // Adds chapters written "title/volume" (or "title" for none), in that order; their ids by title.
    QHash<QString, qint64> addChapters(const QString& novelId, const QStringList& titleAndVolume);
    // Categories 01 甲 and 02 乙, then a bookcase entry per "name|code|path"; their ids.
    QList<qint64> addBooks(const QStringList& rows);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibraryContext> m_context;
    QStringList m_errors;
    bool m_ok = false;
};

// The bytes of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes a fixture file whole, its folder made first.
bool writeFile(const QString& path, const QByteArray& bytes);

// Runs statements on a database file with a private connection (to build old-shaped databases or
// inspect files behind the program's back).
QStringList sqliteExec(const QString& path, const QStringList& statements);
QVariant sqliteScalar(const QString& path, const QString& sql);
