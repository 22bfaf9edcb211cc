#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

class LibraryFolder;
class Settings;

// Where e-books and exported files go: the NovelChmPath setting, or the library's chm folder.
class OutputFolder {
    Q_DECLARE_TR_FUNCTIONS(OutputFolder)

public:
    OutputFolder(const LibraryFolder& folder, const Settings& settings);

    QString path() const { return m_path; }
    bool exists() const;
    // "电子书输出目录不存在，请在设置中重新设定电子书输出目录"
    static QString missingMessage();
    // The file for a novel name and an extension such as ".chm"; characters a file name cannot hold
    // become "_".
    QString fileFor(const QString& novelName, const QString& extension) const;
    // The file a chosen target names: an existing folder means the novel's file in it, as in the
    // output folder; anything else is the file itself.
    static QString targetFile(const QString& target, const QString& novelName, const QString& extension);
    // Where a book is written: the chosen target (targetFile), else the file in the output folder;
    // nothing when that folder is gone (missingMessage() says so).
    std::optional<QString> bookFile(const QString& chosen, const QString& novelName,
                                    const QString& extension) const;

private:
    QString m_path;
};
