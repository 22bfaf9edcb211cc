#pragma once

#include "tools/tablehtml.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QWidget;

// "插入表格": the size and look of a new table; "表格属性" for a table already in the page, where only
// the custom attributes count.
class FrmTableInsert : public QDialog {
    Q_OBJECT

public:
    explicit FrmTableInsert(QWidget* parent = nullptr);

    // Shows the table's current attributes; rows and columns are neither shown nor checked.
    void setExisting(const TableFields& current);
    // As typed; a width or height in percent ends in "%".
    TableFields fields() const;

private:
    TableFields::Style style() const;
    void updateEnabled();
    void onOk();
    // The first field whose value the check refuses.
    QWidget* fieldAtFault(const TableFields& table) const;

    bool m_existing = false;
    QWidget* m_fraSize = nullptr;
    QLineEdit* m_txtRows = nullptr;
    QLineEdit* m_txtCols = nullptr;
    QGroupBox* m_optStyle = nullptr;
    QButtonGroup* m_styles = nullptr;
    QComboBox* m_cboAlign = nullptr;
    QLineEdit* m_txtBorder = nullptr;
    QLineEdit* m_txtCellPad = nullptr;
    QLineEdit* m_txtCellSpace = nullptr;
    QCheckBox* m_chkWidth = nullptr;
    QLineEdit* m_txtWidth = nullptr;
    QComboBox* m_cboWidthUnit = nullptr;
    QCheckBox* m_chkHeight = nullptr;
    QLineEdit* m_txtHeight = nullptr;
    QComboBox* m_cboHeightUnit = nullptr;
};
