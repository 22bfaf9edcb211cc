#pragma once

#include <QDialog>

#include <functional>

class QComboBox;

// "设定分卷名": the volume name given to the chosen chapters; the names already in the list are offered,
// and cmdLast fills in the name of the last volume so far.
class FrmVolumeSet : public QDialog {
    Q_OBJECT

public:
    // The last volume's name, "" when there is none yet.
    using LastVolume = std::function<QString()>;

    FrmVolumeSet(const QStringList& knownVolumes, const QString& current, LastVolume lastVolume,
                 QWidget* parent = nullptr);

    QString volume() const;

private:
    void onOk();
    void onLast();

    LastVolume m_lastVolume;
    QComboBox* m_txtVolume = nullptr;
};
