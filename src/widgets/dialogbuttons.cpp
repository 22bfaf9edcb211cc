#include "widgets/dialogbuttons.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>

QPushButton* namedButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

OkCancelRow okCancelRow(QDialog* dialog) {
    OkCancelRow result;
    result.ok = new QPushButton(QCoreApplication::translate("Dialog", "确定"), dialog);
    result.ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(QCoreApplication::translate("Dialog", "取消"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    result.row = new QHBoxLayout;
    result.row->addStretch(1);
    result.row->addWidget(result.ok);
    result.row->addWidget(cancel);
    return result;
}

void addCheckToggles(QHBoxLayout* row, QTreeWidget* list) {
    QWidget* parent = list->parentWidget();
    auto* all = new QCheckBox(QCoreApplication::translate("Dialog", "全选"), parent);
    all->setObjectName(QStringLiteral("chkAll"));
    auto* invert = new QCheckBox(QCoreApplication::translate("Dialog", "反选"), parent);
    invert->setObjectName(QStringLiteral("chkNext"));
    row->addWidget(all);
    row->addWidget(invert);
    QObject::connect(all, &QCheckBox::clicked, list, [list](bool on) {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    });
    QObject::connect(invert, &QCheckBox::clicked, list, [list] {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
    });
}
