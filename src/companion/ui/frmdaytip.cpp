#include "companion/ui/frmdaytip.h"

#include "widgets/dialogbuttons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FrmDayTip::FrmDayTip(QWidget* parent, Tips::Random random)
    : QDialog(parent)
    , m_tips(std::move(random)) {
    setObjectName(QStringLiteral("frmDayTip"));
    setWindowTitle(tr("每日一贴"));
    m_lblTip = new QLabel(m_tips.randomTip());
    m_lblTip->setObjectName(QStringLiteral("lblTip"));
    m_lblTip->setWordWrap(true);
    m_lblTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblTip->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblTip->setMinimumHeight(110);
    auto* next = namedButton(this, "cmdNext", tr("下一条"));
    auto* ok = namedButton(this, "cmdOK", tr("关闭"));
    ok->setDefault(true);
    connect(next, &QPushButton::clicked, this, [this] { m_lblTip->setText(m_tips.nextTip()); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblTip, 1);
    layout->addLayout(buttons);
    resize(420, 200);
}
