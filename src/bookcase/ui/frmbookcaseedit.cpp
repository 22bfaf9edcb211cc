#include "bookcase/ui/frmbookcaseedit.h"

#include "bookcase/bookcase.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmBookCaseEdit::FrmBookCaseEdit(LibraryContext& library, const QString& code, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    build(code);
    setWindowTitle(tr("新增图书"));
}

FrmBookCaseEdit::FrmBookCaseEdit(LibraryContext& library, qint64 id, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_editing(true) {
    const std::optional<BookcaseEntry> entry = BookcaseStore(library.database()).get(id);
    build(entry ? entry->lb : QString());
    setWindowTitle(tr("图书属性"));
    if (entry) {
        m_id = id;
        m_txtMC->setText(entry->mc);
        m_txtZZ->setText(entry->zz);
        m_txtWJLJ->setText(entry->wjlj);
        m_txtSM->setPlainText(entry->sm);
    }
}

void FrmBookCaseEdit::build(const QString& code) {
    setObjectName(QStringLiteral("frmBookCaseEdit"));
    m_txtMC = new QLineEdit(this);
    m_txtMC->setObjectName(QStringLiteral("txtMC"));
    m_txtMC->setMinimumWidth(320);
    m_cboLB = new QComboBox(this);
    m_cboLB->setObjectName(QStringLiteral("cboLB"));
    m_cboLB->addItem(QString(), QString());
    for (const Category& c : CategoryStore(m_library.database()).list())
        m_cboLB->addItem(c.name, c.code);
    int index = m_cboLB->findData(code);
    if (index < 0) {
        // A category the library deleted under the book: kept as it is unless the user chooses another.
        m_cboLB->addItem(code, code);
        index = m_cboLB->count() - 1;
    }
    m_cboLB->setCurrentIndex(index);
    m_txtZZ = new QLineEdit(this);
    m_txtZZ->setObjectName(QStringLiteral("txtZZ"));
    m_txtWJLJ = new QLineEdit(this);
    m_txtWJLJ->setObjectName(QStringLiteral("txtWJLJ"));
    QPushButton* cmdPath = namedButton(this, "cmdPath", tr("..."));
    cmdPath->setFixedWidth(cmdPath->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_txtWJLJ, 1);
    pathRow->addWidget(cmdPath);
    m_txtSM = new QPlainTextEdit(this);
    m_txtSM->setObjectName(QStringLiteral("txtSM"));
    m_txtSM->setTabChangesFocus(true);

    auto* group = new QGroupBox(tr("图书信息"), this);
    auto* form = new QFormLayout(group);
    form->addRow(tr("书名"), m_txtMC);
    form->addRow(tr("分类"), m_cboLB);
    form->addRow(tr("作者"), m_txtZZ);
    form->addRow(tr("文件路径"), pathRow);
    form->addRow(tr("说明"), m_txtSM);

    const OkCancelRow buttons = okCancelRow(this);
    buttons.ok->setDefault(true);
    QPushButton* cmdBatch = namedButton(this, "cmdBatch", tr("批量新增"));
    buttons.row->insertWidget(0, cmdBatch);
    // Switching to batch adding only makes sense for new books.
    cmdBatch->setVisible(!m_editing);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons.row);

    connect(cmdPath, &QPushButton::clicked, this, &FrmBookCaseEdit::choosePath);
    connect(cmdBatch, &QPushButton::clicked, this, [this] { done(BatchAdd); });
    connect(buttons.ok, &QPushButton::clicked, this, &FrmBookCaseEdit::save);
}

void FrmBookCaseEdit::choosePath() {
    const QString current = m_txtWJLJ->text().trimmed();
    const QString path = Messages::openFileName(
        this, tr("选择图书"), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
        tr("图书(*.*)"));
    if (path.isEmpty())
        return;
    m_txtWJLJ->setText(path);
    if (m_txtMC->text().trimmed().isEmpty())
        m_txtMC->setText(Bookcase::nameFromFile(path));
}

void FrmBookCaseEdit::save() {
    BookcaseEntry entry;
    entry.id = m_id;
    entry.mc = m_txtMC->text();
    entry.lb = m_cboLB->currentData().toString();
    entry.zz = m_txtZZ->text();
    entry.wjlj = m_txtWJLJ->text();
    entry.sm = m_txtSM->toPlainText();
    const Bookcase bookcase(m_library);
    const Bookcase::Result result = m_editing ? bookcase.edit(entry) : bookcase.add(entry);
    if (!result.ok()) {
        Messages::warning(this, result.error);
        const BookcaseEntry given = Bookcase::trimmed(entry);
        if (given.mc.isEmpty())
            m_txtMC->setFocus();
        else if (given.wjlj.isEmpty() || BookcaseStore(m_library.database()).hasPath(given.wjlj, m_id))
            m_txtWJLJ->setFocus();
        return;
    }
    m_id = result.ids.value(0);
    accept();
}
