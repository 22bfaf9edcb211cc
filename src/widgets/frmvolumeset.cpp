#include "widgets/frmvolumeset.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmVolumeSet::FrmVolumeSet(const QStringList& knownVolumes, const QString& current, LastVolume lastVolume,
                           QWidget* parent)
    : QDialog(parent)
    , m_lastVolume(std::move(lastVolume)) {
    setObjectName(QStringLiteral("frmVolumeSet"));
    setWindowTitle(tr("设定分卷名"));
    auto* hint = new QLabel(tr("在这里您可为所有选中的章节设定分卷的名称"), this);
    hint->setWordWrap(true);
    m_txtVolume = new QComboBox(this);
    m_txtVolume->setObjectName(QStringLiteral("txtVolume"));
    m_txtVolume->setEditable(true);
    m_txtVolume->setMinimumWidth(240);
    m_txtVolume->addItems(knownVolumes);
    m_txtVolume->setCurrentText(current);
    QPushButton* last = namedButton(this, "cmdLast", tr("最后分卷名"));
    last->setVisible(bool(m_lastVolume));
    auto* row = new QHBoxLayout;
    row->addWidget(m_txtVolume, 1);
    row->addWidget(last);
    auto* form = new QFormLayout;
    form->addRow(tr("分卷名称"), row);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmVolumeSet::onOk);
    connect(last, &QPushButton::clicked, this, &FrmVolumeSet::onLast);
}

QString FrmVolumeSet::volume() const {
    return m_txtVolume->currentText().trimmed();
}

void FrmVolumeSet::onOk() {
    if (volume().isEmpty()) {
        Messages::warning(this, tr("分卷名称不能为空"));
        m_txtVolume->setFocus();
        return;
    }
    accept();
}

void FrmVolumeSet::onLast() {
    const QString last = m_lastVolume ? m_lastVolume() : QString();
    if (last.isEmpty()) {
        Messages::information(this, tr("该小说尚未分卷"));
        return;
    }
    m_txtVolume->setCurrentText(last);
}
