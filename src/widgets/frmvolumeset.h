#pragma once

#include <QDialog>

class QComboBox;

// "设定分卷名": the volume name given to the chosen chapters; the names already in the list are offered.
class FrmVolumeSet : public QDialog {
    Q_OBJECT

public:
    FrmVolumeSet(const QStringList& knownVolumes, const QString& current, QWidget* parent = nullptr);

    QString volume() const;

private:
    QComboBox* m_cboVolume = nullptr;
};
