#pragma once

#include "output/chmcompiler.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QString>
#include <QStringList>

class Database;

// Makes one e-book of several novels: each novel's chapter pages linked in reading order, a cover
// with a picture of every novel and a list with each novel's last chapter, compiled with chmcmd. The
// collection's own pages live only in the build's work folder; the novels' folders are reached
// through links, so the book names them "chm/<NovelID>/..." as a single novel's book does.
class ChmCollectionJob : public Job {
    Q_OBJECT

public:
    ChmCollectionJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                     QStringList novelIds, QString name, QObject* parent = nullptr);

    // "" when the name can be a collection's name, else the message for it. tempFolder is where a
    // trial file "<name>.txt" is made and removed again.
    static QString checkName(const QString& name, const QString& tempFolder);

    // "是否加入封面": the book opens at the cover rather than at the list.
    void setCoverFirst(bool on) { m_coverFirst = on; }
    // The collection's own picture, copied into the book; "" for none.
    void setCoverPicture(const QString& path) { m_coverPicture = path; }
    // Default: the output folder + the name + ".chm"; a folder holds the book under that name.
    void setTargetPath(const QString& path) { m_targetPath = path; }
    void setCompiler(const ChmCompiler& compiler) { m_compiler = compiler; }

    struct Result {
        bool ok = false;
        bool stopped = false;
        QString error; // the message the user was given
        QString chmPath;
    };
    Result result() const { return m_result; }

protected:
    void run() override;

private:
    bool build(const QString& target);
    void fail(const QString& message);
    void reportProgress(int done, int total);

    Database& m_db;
    LibraryFolder m_folder;
    Settings m_settings;
    QStringList m_novelIds;
    QString m_name;
    bool m_coverFirst = true;
    QString m_coverPicture;
    QString m_targetPath;
    ChmCompiler m_compiler;
    Result m_result;
};
