#pragma once

#include <QDialog>

class QLineEdit;

// "新增网址": a saved link's name and address; refuses empty ones.
class FrmAddWebView : public QDialog {
    Q_OBJECT

public:
    FrmAddWebView(const QString& name, const QString& url, QWidget* parent = nullptr);

    QString name() const;
    QString url() const;

private:
    void onOk();

    QLineEdit* m_txtName = nullptr;
    QLineEdit* m_txtUrl = nullptr;
};
