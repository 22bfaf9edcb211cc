#include "download/ui/frmvolumeset.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

FrmVolumeSet::FrmVolumeSet(const QStringList& knownVolumes, const QString& current, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmVolumeSet"));
    setWindowTitle(tr("设定分卷名"));
    m_cboVolume = new QComboBox(this);
    m_cboVolume->setObjectName(QStringLiteral("cboVolume"));
    m_cboVolume->setEditable(true);
    m_cboVolume->addItems(knownVolumes);
    m_cboVolume->setCurrentText(current);
    auto* form = new QFormLayout;
    form->addRow(tr("分卷名"), m_cboVolume);
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString FrmVolumeSet::volume() const {
    return m_cboVolume->currentText().trimmed();
}
