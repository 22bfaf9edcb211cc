#pragma once

#include <QDialog>

class QCheckBox;

// "删除小说": confirms deleting the selected novels, optionally with their downloaded files.
class FrmBookDel : public QDialog {
    Q_OBJECT

public:
    explicit FrmBookDel(QWidget* parent = nullptr);

    bool deleteFiles() const;

private:
    QCheckBox* m_chkbIsDel = nullptr;
};
