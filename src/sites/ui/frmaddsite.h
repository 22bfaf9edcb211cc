#pragma once

#include "sites/sitelist.h"

#include <QDialog>

#include <map>
#include <memory>

class Job;
class QLabel;
class QLineEdit;
class QPushButton;
class Settings;

// "新增网站": one of the user's search sites. On OK the site's own pages are read for its search rules;
// rules the user typed are kept.
class FrmAddSite : public QDialog {
    Q_OBJECT

public:
    FrmAddSite(const NovelSite& site, bool editing, const Settings& settings, QWidget* parent = nullptr);
    ~FrmAddSite() override;

    // After acceptance: the site with its rules.
    const NovelSite& site() const { return m_site; }
    bool isBusy() const { return m_job != nullptr; }

private:
    void onOk();
    void discoveryFinished();
    NovelSite siteOfBoxes() const;

    NovelSite m_site;
    const Settings& m_settings;
    std::map<NovelSite::Field, QLineEdit*> m_boxes;
    QLabel* m_lblStatus = nullptr;
    QPushButton* m_cmdOK = nullptr;
    std::unique_ptr<Job> m_job;
};
