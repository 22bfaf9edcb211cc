#pragma once

#include <QDialog>
#include <QHash>

class QCheckBox;
class QLineEdit;
class Settings;

// "电子书面板设置": the buttons and panes of the e-book viewer window, kept in section Chm.
class FrmChmSet : public QDialog {
    Q_OBJECT

public:
    explicit FrmChmSet(Settings& settings, QWidget* parent = nullptr);

    // The check box of a key ("chmList" → chkchmList).
    QCheckBox* checkBox(const QString& key) const { return m_checks.value(key); }

    void accept() override;

private:
    QCheckBox* addCheck(const QString& key, const QString& text, QWidget* parent);
    QLineEdit* addEdit(const QString& key, QWidget* parent);

    Settings& m_settings;
    QHash<QString, QCheckBox*> m_checks;
    QHash<QString, QLineEdit*> m_edits;
};
