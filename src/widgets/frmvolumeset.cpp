#include "widgets/frmvolumeset.h"
#include "widgets/dialogbuttons.h"

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
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString FrmVolumeSet::volume() const {
    return m_cboVolume->currentText().trimmed();
}
