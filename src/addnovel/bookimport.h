#pragma once

#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ChmArchive;
class QTemporaryDir;
class Database;

// Where imported files come from: a compiled help book or a folder. Paths are from the source's
// root, "/"-separated (resolveRelativePath), so nothing outside it is ever read.
class ImportSource {
public:
    virtual ~ImportSource() = default;
    // The file's bytes; nothing when it is absent or larger than an import takes.
    virtual std::optional<QByteArray> read(const QString& path) const = 0;
    virtual bool exists(const QString& path) const = 0;
    // The charset of pages that declare none ("" lets their bytes decide).
    virtual QString pageCharset() const { return {}; }
    // What the chapter row keeps as the place it came from.
    virtual QString origin(const QString& path) const = 0;
};

class ChmImportSource : public ImportSource {
public:
    ChmImportSource(const ChmArchive& archive, const QString& chmPath);
    std::optional<QByteArray> read(const QString& path) const override;
    bool exists(const QString& path) const override;
    QString pageCharset() const override;
    QString origin(const QString& path) const override;

private:
    const ChmArchive& m_archive;
    QString m_chmPath;
};

class FolderImportSource : public ImportSource {
public:
    explicit FolderImportSource(const QString& root);
    std::optional<QByteArray> read(const QString& path) const override;
    bool exists(const QString& path) const override;
    QString origin(const QString& path) const override;

private:
    QString m_root;
};

// One chapter to be: a page, a text file or a picture (by its extension).
struct ImportItem {
    QString title;
    QString volume;
    QString path;   // from the source's root
    int source = 0; // BookImporter::addSource's number
};

// Turns files into chapters: a page with the content markers keeps its text, any other page is
// kept whole in the display charset, a text file becomes escaped text, a picture a picture chapter.
// Pictures and style sheets the pages use come along (pictures named <NovelID>_<id>_<n>.<ext>).
// Everything is stored at once: rows in one transaction, pages written under temp/ and moved into
// the novel's folder before the commit; a stop or a failure leaves nothing behind.
class BookImporter {
    Q_DECLARE_TR_FUNCTIONS(BookImporter)

public:
    BookImporter(const Database& db, const LibraryFolder& folder, const Settings& settings);
    ~BookImporter();

    int addSource(std::unique_ptr<ImportSource> source);

    // done of total; false stops the import.
    using Progress = std::function<bool(int done, int total)>;

    struct Result {
        QString novelId;
        QString novelName;
        int chapters = 0;
        bool stopped = false;
        QString error; // for the user; empty on success and on a stop
        bool ok() const { return !novelId.isEmpty(); }
    };

    // A new novel named name (a taken name gets "（2）", "（3）", …) in the category with that code.
    Result importNovel(const QString& name, const QString& categoryCode, const QList<ImportItem>& items,
                       const Progress& progress = {});
    // The items as chapters after the last one of an existing novel.
    Result appendChapters(const QString& novelId, const QList<ImportItem>& items, const Progress& progress = {});

    // The items whose files exist, each path once (a contents file may name a page again by anchor).
    QList<ImportItem> existingOnce(const QList<ImportItem>& items) const;

    static bool isPicture(const QString& path);

private:
    struct Asset;
    struct Prepared;
    std::optional<Prepared> prepare(const ImportItem& item) const;
    QList<Prepared> prepareAll(const QList<ImportItem>& items, const Progress& progress, bool* stopped) const;
    // The chapters read and an empty folder under temp/ for their files; nothing (result says why)
    // on a stop, a failure or no chapter at all.
    std::unique_ptr<QTemporaryDir> prepareStage(const QList<ImportItem>& items, const Progress& progress,
                                                QList<Prepared>& chapters, Result& result) const;
    bool writeStaged(const QString& stageDir, const QString& novelId, const QList<qint64>& ids,
                     const QList<Prepared>& chapters, const Progress& progress, bool* stopped, QString* error) const;
    QString relinkAssets(const QString& html, const QString& pageFolder, int source, QList<Asset>& assets) const;

    const Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    std::vector<std::unique_ptr<ImportSource>> m_sources;
};

// The text of an imported page: UTF-16 by its byte-order mark, else the charset it declares, else
// fallbackCharset when given, else what its bytes read as. A charset name in the page becomes
// "gb2312", the program's own from here on.
QString decodeImportedPage(const QByteArray& bytes, const QString& fallbackCharset);
