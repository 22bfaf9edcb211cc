#include "addnovel/ui/frmaddbatchcontent.h"

#include "addnovel/batchchapters.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

FrmAddBatchContent::FrmAddBatchContent(LibraryContext& library, const QString& novelId, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_novelId(novelId) {
    setObjectName(QStringLiteral("frmAddBatchContent"));
    setWindowTitle(tr("添加成批章节"));
    m_txtUrl = new QLineEdit(this);
    m_txtUrl->setObjectName(QStringLiteral("txtUrl"));
    auto* example = new QLabel(tr("例如：http://www.example.com/book/file(*).htm"), this);
    example->setObjectName(QStringLiteral("lblExample"));
    m_txtStart = new QLineEdit(QStringLiteral("1"), this);
    m_txtStart->setObjectName(QStringLiteral("txtStart"));
    m_txtEnd = new QLineEdit(this);
    m_txtEnd->setObjectName(QStringLiteral("txtEnd"));
    // The range is checked on OK as well: a typed value may lie outside it.
    m_txtLength = new QSpinBox(this);
    m_txtLength->setObjectName(QStringLiteral("txtLength"));
    m_txtLength->setRange(0, 99);
    m_txtLength->setValue(1);
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(tr("从"), this));
    range->addWidget(m_txtStart);
    range->addWidget(new QLabel(tr("到"), this));
    range->addWidget(m_txtEnd);
    auto* form = new QFormLayout;
    form->addRow(tr("网址"), m_txtUrl);
    form->addRow(QString(), example);
    form->addRow(range);
    form->addRow(tr("通配符长度"), m_txtLength);
    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmAddBatchContent::onOk);
}

void FrmAddBatchContent::onOk() {
    const BatchChapters::Request request{m_txtUrl->text().trimmed(), m_txtStart->text(), m_txtEnd->text(),
                                         m_txtLength->value(),
                                         BatchChapters::usesSmallLimit(m_library.settings())};
    BatchChapters::Field field = BatchChapters::Field::None;
    const QString problem = BatchChapters::check(request, &field);
    if (!problem.isEmpty()) {
        Messages::warning(this, problem);
        switch (field) {
        case BatchChapters::Field::Pattern:
            m_txtUrl->setFocus();
            break;
        case BatchChapters::Field::First:
            m_txtStart->setFocus();
            break;
        case BatchChapters::Field::Last:
            m_txtEnd->setFocus();
            break;
        default:
            m_txtLength->setFocus();
        }
        return;
    }
    const int count = BatchChapters::insert(m_library.database(), m_novelId, request);
    if (count < 0) {
        Messages::warning(this, tr("无法保存章节"));
        return;
    }
    Q_EMIT chaptersAdded(m_novelId, count);
    accept();
}
