#pragma once

#include "fetch/fetchoptions.h"
#include "fetch/pagesource.h"
#include "storage/job.h"

#include <QString>

class Settings;

// Whether an address the user set answers: fetched once the way the program fetches it, off the
// window's thread.
class AddressCheckJob : public Job {
    Q_OBJECT

public:
    enum class Kind {
        Page,           // NetCheckUrl: the page itself
        SearchEngine,   // SearchEngineUrl: a search for a sample name
        SiteSignUpdate, // SiteSignUpdateUrl: the site-sign file of the update server
    };

    AddressCheckJob(const Settings& settings, Kind kind, const QString& value, QObject* parent = nullptr);
    ~AddressCheckJob() override;

    // What is fetched to check a value of that kind; "" for an empty value.
    static QString addressToFetch(Kind kind, const QString& value);
    // One try with no second chance: the user waits for the answer.
    static FetchOptions quickOptions(const Settings& settings);
    static QString emptyText() { return tr("尚未填写网址"); }

    // After finished().
    bool answered() const { return m_answered; }
    // "网址可以连接" or "网址连接不上：" and why.
    QString text() const { return m_text; }

protected:
    void run() override;

private:
    FetchOptions m_options;
    QString m_address;
    bool m_answered = false;
    QString m_text;
};
