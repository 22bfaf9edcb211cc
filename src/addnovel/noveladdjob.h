#pragma once

#include "fetch/fetchoptions.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class Database;
class Settings;

// Adds a novel by its table-of-contents address off the window's thread: the address must answer,
// a missing name comes from the page's title, with readInformation the author, brief and cover are
// read from the site, then the novel is stored the way the add-novel window stores it. No chapter is
// downloaded; a renewal does that.
class NovelAddJob : public Job {
    Q_OBJECT

public:
    struct Request {
        QString name; // "" takes the page's title
        QString listUrl;
        QString categoryName;
        std::optional<NovelMarkers> markers; // none: the site sign's
        bool readInformation = false;        // "读取其他信息"
    };

    struct Result {
        QString novelId;
        QString name;
        QString error; // the user's message; "" on success
        bool ok() const { return error.isEmpty() && !novelId.isEmpty(); }
    };

    NovelAddJob(Database& db, const LibraryFolder& folder, const Settings& settings, const Request& request,
                QObject* parent = nullptr);
    ~NovelAddJob() override;

    Result result() const { return m_result; }

protected:
    void run() override;

private:
    Database& m_db;
    LibraryFolder m_folder;
    QString m_charset;
    bool m_judgePicExt = false;
    QString m_signFile;
    FetchOptions m_fetch;
    Request m_request;
    Result m_result;
};
