#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QTreeWidget;
class QWidget;

// A command button found by tests through its objectName; it never takes Enter from the dialog's
// default button.
QPushButton* namedButton(QWidget* parent, const char* name, const QString& text);

// The "确定"/"取消" row at the right of a dialog: cmdOK and cmdCancel; Cancel rejects the dialog.
struct OkCancelRow {
    QPushButton* ok = nullptr;
    QHBoxLayout* row = nullptr;
};
OkCancelRow okCancelRow(QDialog* dialog);

// "全选" (chkAll) and "反选" (chkNext) at the start of the row, checking every item of the list or
// turning each one's check over.
void addCheckToggles(QHBoxLayout* row, QTreeWidget* list);
