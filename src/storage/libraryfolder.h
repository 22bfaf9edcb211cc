#pragma once

#include <QString>

// The one folder that holds all user data: pim.db, book.ini, the record files, templates and the
// chapter pages under chm/<NovelID>/.
class LibraryFolder {
public:
    // --library wins, then QUIVERAL_HOME, then ~/.local/share/Quiveral.
    static QString resolve(const QString& commandLineFolder = QString());
    static QString defaultPath();
    // Where the files shipped beside the program are found.
    static QString shippedDataDir();
    // The same for a program in appDir with QUIVERAL_DATA_DIR set to overrideDir (either may be empty).
    static QString shippedDataDir(const QString& overrideDir, const QString& appDir);

    explicit LibraryFolder(const QString& path = QString());

    // Creates the folder and its subfolders and copies in the shipped files that are missing.
    bool prepare(QString* error = nullptr) const;

    QString path() const { return m_path; }
    QString file(const QString& name) const { return m_path + u'/' + name; }
    QString databasePath() const { return file(QStringLiteral("pim.db")); }
    QString settingsPath() const { return file(QStringLiteral("book.ini")); }
    QString chmDir() const { return file(QStringLiteral("chm")); }
    QString tempDir() const { return file(QStringLiteral("temp")); }
    QString novelDir(const QString& novelId) const { return chmDir() + u'/' + novelId; }
    QString chapterPage(const QString& novelId, qint64 chapterId) const {
        return novelDir(novelId) + u'/' + QString::number(chapterId) + QLatin1String(".htm");
    }
    // The novel's contents page; also the path its bookcase entry is known by.
    QString novelListPage(const QString& novelId) const {
        return novelDir(novelId) + QLatin1String("/List.htm");
    }

private:
    QString m_path;
};
