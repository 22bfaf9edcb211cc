#include "writer/ui/frmaddwriter.h"

#include "storage/librarycontext.h"
#include "storage/libraryfolder.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmAddWriter::FrmAddWriter(LibraryContext& library, const QString& novelId, qint64 parentId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_store(library.database())
    , m_novelId(novelId)
    , m_parentId(parentId) {
    build();
    setWindowTitle(tr("新增项目"));
    // A category is the usual note under the top; under a category its content.
    m_cboiType->setCurrentIndex(parentId == 0 ? WriterNote::Category : WriterNote::Text);
    onTypeChanged();
}

FrmAddWriter::FrmAddWriter(LibraryContext& library, const WriterNote& note, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_store(library.database())
    , m_novelId(note.novelId)
    , m_parentId(note.topId)
    , m_id(note.id) {
    build();
    setWindowTitle(tr("编辑项目"));
    m_cboiType->setCurrentIndex(note.type);
    m_cboiType->setEnabled(false);
    m_txtName->setText(note.title);
    m_txtUrl->setText(note.url);
    m_txtRemark->setPlainText(note.remark);
    onTypeChanged();
}

void FrmAddWriter::build() {
    setObjectName(QStringLiteral("frmAddWriter"));
    m_cboiType = new QComboBox(this);
    m_cboiType->setObjectName(QStringLiteral("cboiType"));
    for (int type = WriterNote::Category; type <= WriterNote::Picture; ++type)
        m_cboiType->addItem(WriterStore::typeName(type), type);
    m_txtName = new QLineEdit(this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_txtName->setMaxLength(250);
    m_txtUrl = new QLineEdit(this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    m_txtUrl->setMaxLength(250);
    m_txtUrl->setMinimumWidth(320);
    m_cmdUrl = namedButton(this, "cmdUrl", tr("浏览"));
    m_txtRemark = new QPlainTextEdit(this);
    m_txtRemark->setObjectName(QStringLiteral("txtRemark"));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(m_txtUrl, 1);
    urlRow->addWidget(m_cmdUrl);
    auto* form = new QFormLayout;
    form->addRow(tr("类型"), m_cboiType);
    form->addRow(tr("名称"), m_txtName);
    form->addRow(tr("地址"), urlRow);
    form->addRow(tr("说明"), m_txtRemark);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons.row);
    resize(480, 360);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmAddWriter::onOk);
    connect(m_cmdUrl, &QPushButton::clicked, this, &FrmAddWriter::onBrowse);
    connect(m_cboiType, &QComboBox::currentIndexChanged, this, &FrmAddWriter::onTypeChanged);
}

void FrmAddWriter::onTypeChanged() {
    const int type = m_cboiType->currentData().toInt();
    m_cmdUrl->setEnabled(type == WriterNote::Link || type == WriterNote::Picture);
}

void FrmAddWriter::onBrowse() {
    const bool picture = m_cboiType->currentData().toInt() == WriterNote::Picture;
    const QString filter = picture ? tr("图片文件(jpg,jpeg,gif,bmp) (*.jpg *.jpeg *.gif *.bmp)")
                                   : tr("web文件(htm,html) (*.htm *.html)");
    const QString file = Messages::openFileName(this, tr("选择文件"), QString(), filter);
    if (file.isEmpty())
        return;
    if (!picture) {
        m_txtUrl->setText(file);
        return;
    }
    if (!Messages::question(this,
                            tr("图片如果需要在电子书中显示，需要复制到小说的下载目录中，您是否确定复制？"))) {
        m_txtUrl->setText(file);
        return;
    }
    QString error;
    const QString copy = WriterStore::copyPicture(file, m_library.folder().novelDir(m_novelId),
                                                  QDateTime::currentDateTime(), &error);
    if (copy.isEmpty()) {
        Messages::warning(this, error);
        m_txtUrl->setText(file);
        return;
    }
    m_txtUrl->setText(copy);
}

void FrmAddWriter::onOk() {
    WriterNote note;
    note.id = m_id;
    note.novelId = m_novelId;
    note.topId = m_parentId;
    note.type = m_cboiType->currentData().toInt();
    note.title = m_txtName->text().trimmed();
    note.url = m_txtUrl->text().trimmed();
    note.remark = m_txtRemark->toPlainText();
    const QString invalid = WriterStore::validate(note);
    if (!invalid.isEmpty()) {
        Messages::warning(this, invalid);
        (note.title.isEmpty() ? m_txtName : m_txtUrl)->setFocus();
        return;
    }
    const WriterStore::Result r =
        m_id == 0 ? m_store.insertNote(note) : m_store.updateNote(m_id, note.title, note.url, note.remark);
    if (!r.ok()) {
        Messages::warning(this, r.error);
        return;
    }
    m_id = r.id;
    accept();
}
