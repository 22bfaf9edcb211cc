#pragma once

#include "library/systemcheck.h"

#include <QDialog>
#include <QList>

#include <memory>

class LibraryContext;
class QPushButton;
class QTextBrowser;

// "常见问题检测": the system check, one line per item, each filled in as soon as its check ends. The
// network line fetches NetCheckUrl, or says how to set it.
class FrmCheck : public QDialog {
    Q_OBJECT

public:
    explicit FrmCheck(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmCheck() override;

    bool isChecking() const { return m_job != nullptr; }

private:
    void startCheck();
    void showLines();

    LibraryContext& m_library;
    QList<CheckLine> m_lines;
    std::unique_ptr<SystemCheck> m_job;
    QTextBrowser* m_txtCheck = nullptr;
    QPushButton* m_cmdCheck = nullptr;
};
