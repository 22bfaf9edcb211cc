#include "library/ui/dialogbuttons.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

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
