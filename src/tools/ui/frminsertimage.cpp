#include "tools/ui/frminsertimage.h"

#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

FrmInsertImage::FrmInsertImage(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmInsertImage"));
    setWindowTitle(tr("插入图片"));
    m_txtImage = new QLineEdit(this);
    m_txtImage->setObjectName(QStringLiteral("txtImage"));
    m_txtImage->setMinimumWidth(360);
    auto* label = new QLabel(tr("图片文件"), this);
    label->setBuddy(m_txtImage);
    QPushButton* cmdBrowse = namedButton(this, "cmdBrowse", tr("浏览"));
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_txtImage, 1);
    row->addWidget(cmdBrowse);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons.row);
    connect(cmdBrowse, &QPushButton::clicked, this, &FrmInsertImage::browse);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmInsertImage::onOk);
}

QString FrmInsertImage::address() const {
    return m_txtImage->text().trimmed();
}

void FrmInsertImage::browse() {
    // Start where the picture already chosen lies.
    const QUrl current(address());
    const QString folder = current.isLocalFile() ? QFileInfo(current.toLocalFile()).path() : QString();
    const QString path = Messages::openFileName(
        this, tr("插入图片"), folder, tr("图片文件 (*.jpg *.jpeg *.gif *.png *.bmp *.webp);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    // The design view resolves a page's addresses, not paths.
    m_txtImage->setText(QUrl::fromLocalFile(path).toString());
}

void FrmInsertImage::onOk() {
    if (address().isEmpty()) {
        Messages::warning(this, tr("图片文件路径不能为空"));
        m_txtImage->setFocus();
        return;
    }
    accept();
}
