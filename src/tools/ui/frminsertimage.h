#pragma once

#include <QDialog>

class QLineEdit;

// "插入图片": the address of the picture the design view inserts, typed or picked from a file.
class FrmInsertImage : public QDialog {
    Q_OBJECT

public:
    explicit FrmInsertImage(QWidget* parent = nullptr);

    // The picture's address, trimmed: a "file://" address when picked.
    QString address() const;

private:
    void browse();
    void onOk();

    QLineEdit* m_txtImage = nullptr;
};
