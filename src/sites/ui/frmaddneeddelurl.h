#pragma once

#include "sites/needdelurl.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "新增过滤链接" / "编辑过滤链接": one link the novel never downloads, by address or by pattern.
class FrmAddNeedDelUrl : public QDialog {
    Q_OBJECT

public:
    explicit FrmAddNeedDelUrl(const NeedDelUrl::Entry& entry = {}, bool editing = false,
                              QWidget* parent = nullptr);

    // After acceptance.
    NeedDelUrl::Entry entry() const;

private:
    void onOk();

    QLineEdit* m_txtTitle = nullptr;
    QLineEdit* m_txtUrl = nullptr;
    QCheckBox* m_chkRegex = nullptr;
};
