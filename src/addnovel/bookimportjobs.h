#pragma once

#include "addnovel/bookimport.h"
#include "storage/job.h"

#include <QStringList>

class LibraryContext;

// The imports of e-books and local files as jobs: progress in the status text ("…导入进度：12.50%"),
// a stop that leaves nothing behind, the result after finished().
class ImportJob : public Job {
    Q_OBJECT

public:
    const BookImporter::Result& result() const { return m_result; }

protected:
    ImportJob(LibraryContext& library, QObject* parent);
    void run() override;
    // Fills the importer's sources and returns the items, or sets m_result.error.
    virtual QList<ImportItem> collect(BookImporter& importer) = 0;
    virtual BookImporter::Result store(BookImporter& importer, const QList<ImportItem>& items,
                                       const BookImporter::Progress& progress) = 0;
    virtual QString progressText() const = 0;
    virtual QString doneText() const = 0;

    LibraryContext& m_library;
    BookImporter::Result m_result;
};

// A compiled help book as a new novel: its own list page gives volumes and chapters when it is one
// of ours, else its contents file, else a lone "temp.htm" is the chapter "正文".
class ChmImportJob : public ImportJob {
    Q_OBJECT

public:
    ChmImportJob(LibraryContext& library, QString chmPath, QString categoryCode, QString name = QString(),
                 QObject* parent = nullptr);
    ~ChmImportJob() override;

    static QString invalidBookMessage();

protected:
    QList<ImportItem> collect(BookImporter& importer) override;
    BookImporter::Result store(BookImporter& importer, const QList<ImportItem>& items,
                               const BookImporter::Progress& progress) override;
    QString progressText() const override;
    QString doneText() const override;

private:
    QString m_chmPath;
    QString m_categoryCode;
    QString m_name;
    std::unique_ptr<ChmArchive> m_archive;
};

// The txt, htm and html files of a folder, in natural order ("2.txt" before "10.txt"), as a new novel.
class FolderImportJob : public ImportJob {
    Q_OBJECT

public:
    FolderImportJob(LibraryContext& library, QString folder, QString categoryCode, QString name = QString(),
                    QObject* parent = nullptr);

protected:
    QList<ImportItem> collect(BookImporter& importer) override;
    BookImporter::Result store(BookImporter& importer, const QList<ImportItem>& items,
                               const BookImporter::Progress& progress) override;
    QString progressText() const override;
    QString doneText() const override;

private:
    QString m_folder;
    QString m_categoryCode;
    QString m_name;
};

// Chosen files (text, pages, pictures) as chapters after the last one of a novel, titled by their names.
class LocalFilesImportJob : public ImportJob {
    Q_OBJECT

public:
    LocalFilesImportJob(LibraryContext& library, QString novelId, QStringList files, QObject* parent = nullptr);

protected:
    QList<ImportItem> collect(BookImporter& importer) override;
    BookImporter::Result store(BookImporter& importer, const QList<ImportItem>& items,
                               const BookImporter::Progress& progress) override;
    QString progressText() const override;
    QString doneText() const override;

private:
    QString m_novelId;
    QStringList m_files;
};
