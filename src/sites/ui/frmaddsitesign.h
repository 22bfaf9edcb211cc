#pragma once

#include "sites/sitesign.h"

#include <QDialog>
#include <QList>

#include <array>
#include <memory>

class Job;
class QComboBox;
class QLineEdit;
class QPushButton;
class Settings;

// Adds a site sign to the list of the site-sign window or edits one of its rows. The address must
// answer before the row is taken.
class FrmAddSiteSign : public QDialog {
    Q_OBJECT

public:
    // rows: the window's list; editRow -1 adds.
    FrmAddSiteSign(const QList<SiteSign>& rows, int editRow, const Settings& settings,
                   QWidget* parent = nullptr);
    ~FrmAddSiteSign() override;

    // After acceptance: the record with its address ending in "/".
    SiteSign sign() const;
    int editRow() const { return m_editRow; }
    QLineEdit* box(SiteSign::Field field) const { return m_boxes[field]; }

private:
    void onGetValue();
    void onOk();
    void checkFinished();

    QList<SiteSign> m_rows;
    int m_editRow;
    const Settings& m_settings;
    std::array<QLineEdit*, SiteSign::FieldCount> m_boxes{};
    QComboBox* m_cboSiteSign = nullptr;
    QPushButton* m_cmdOK = nullptr;
    std::unique_ptr<Job> m_job;
};
