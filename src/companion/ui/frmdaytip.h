#pragma once

#include "companion/tips.h"

#include <QDialog>

class QLabel;

// "每日一贴": one tip at a time, starting with a random one.
class FrmDayTip : public QDialog {
    Q_OBJECT

public:
    explicit FrmDayTip(QWidget* parent = nullptr, Tips::Random random = {});

private:
    Tips m_tips;
    QLabel* m_lblTip = nullptr;
};
