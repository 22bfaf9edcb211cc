#pragma once

#include <QDialog>

class ChmUnpackJob;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "反编译chm文件": unpacks a compiled help book into a folder, as a job that closing the window
// stops.
class FrmChm2Htm : public QDialog {
    Q_OBJECT

public:
    explicit FrmChm2Htm(const QString& startFolder, QWidget* parent = nullptr);
    ~FrmChm2Htm() override;

    // True while unpacking runs.
    bool isBusy() const { return m_job != nullptr; }

protected:
    void reject() override;

private:
    void cmdChm();
    void cmdFolder();
    void cmdStart();
    void finish();

    QString m_startFolder;
    QLineEdit* m_txtChm;
    QLineEdit* m_txtFolder;
    QPushButton* m_cmdStart;
    QProgressBar* m_progress;
    ChmUnpackJob* m_job = nullptr;
};
