#include "tools/ui/frmfindreplace.h"

#include "tools/findmemory.h"
#include "tools/ui/editorfindtarget.h"
#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QLineEdit* lineEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMinimumWidth(260);
    return edit;
}

QCheckBox* checkBox(const char* name, const QString& text, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

FrmFindReplace::FrmFindReplace(EditorFindTarget* target, QWidget* parent)
    : QDialog(parent)
    , m_target(target) {
    setObjectName(QStringLiteral("frmFindReplace"));
    setWindowTitle(tr("查找/替换"));
    // Shown beside the editor while the user goes on editing; as its child it stays above it.
    setModal(false);

    m_txtFindText = lineEdit("txtFindText", this);
    m_txtReplaceText = lineEdit("txtReplaceText", this);
    m_chkMatchCase = checkBox("chkMatchCase", tr("区分大小写"), this);
    m_chkMatchWord = checkBox("chkMatchWord", tr("全字匹配"), this);

    m_cmdFind = new QPushButton(tr("查找下一个"), this);
    m_cmdFind->setObjectName(QStringLiteral("cmdFind"));
    m_cmdFind->setDefault(true);
    m_cmdReplace = namedButton(this, "cmdReplace", tr("替换"));
    m_cmdReplaceAll = namedButton(this, "cmdReplaceAll", tr("全部替换"));
    m_cmdCancel = namedButton(this, "cmdCancel", tr("取消"));

    auto* form = new QFormLayout;
    form->addRow(tr("查找内容"), m_txtFindText);
    form->addRow(tr("替换内容"), m_txtReplaceText);
    auto* options = new QHBoxLayout;
    options->addWidget(m_chkMatchCase);
    options->addWidget(m_chkMatchWord);
    options->addStretch(1);
    form->addRow(QString(), options);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdFind);
    buttons->addWidget(m_cmdReplace);
    buttons->addWidget(m_cmdReplaceAll);
    buttons->addWidget(m_cmdCancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_cmdFind, &QPushButton::clicked, this, &FrmFindReplace::onFind);
    connect(m_cmdReplace, &QPushButton::clicked, this, &FrmFindReplace::onReplace);
    connect(m_cmdReplaceAll, &QPushButton::clicked, this, &FrmFindReplace::onReplaceAll);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FrmFindReplace::close);

    fillFromMemory();
}

void FrmFindReplace::setTarget(EditorFindTarget* target) {
    m_target = target;
    // An answer the old view still owes is no longer waited for.
    if (m_pending)
        finish();
}

void FrmFindReplace::showEvent(QShowEvent* event) {
    // Opened again: the chapter search window may have searched in between.
    if (!event->spontaneous())
        fillFromMemory();
    QDialog::showEvent(event);
}

void FrmFindReplace::fillFromMemory() {
    const FindMemory& memory = FindMemory::shared();
    m_txtFindText->setText(memory.findText);
    m_txtReplaceText->setText(memory.replaceText);
    m_txtFindText->selectAll();
    m_txtFindText->setFocus();
}

bool FrmFindReplace::takeSearch(Search& search) {
    search.needle = m_txtFindText->text();
    search.replacement = m_txtReplaceText->text();
    search.options.matchCase = m_chkMatchCase->isChecked();
    search.options.wholeWord = m_chkMatchWord->isChecked();
    if (search.needle.isEmpty()) {
        Messages::warning(this, tr("请输入查找内容"));
        m_txtFindText->setFocus();
        return false;
    }
    FindMemory& memory = FindMemory::shared();
    memory.findText = search.needle;
    memory.replaceText = search.replacement;
    return m_target != nullptr;
}

void FrmFindReplace::onFind() {
    Search search;
    if (m_pending || !takeSearch(search))
        return;
    findNext(begin(), search);
}

void FrmFindReplace::onReplace() {
    Search search;
    if (m_pending || !takeSearch(search))
        return;
    const int request = begin();
    QPointer<FrmFindReplace> self(this);
    // Replaced or not (the selection was something else), the next occurrence is shown.
    m_target->replaceSelection(search.needle, search.replacement, search.options,
                               [self, request, search](bool) {
                                   if (self && self->isCurrent(request))
                                       self->findNext(request, search);
                               });
}

void FrmFindReplace::onReplaceAll() {
    Search search;
    if (m_pending || !takeSearch(search))
        return;
    const int request = begin();
    QPointer<FrmFindReplace> self(this);
    m_target->replaceAll(search.needle, search.replacement, search.options, [self, request](int count) {
        if (!self || !self->isCurrent(request))
            return;
        self->finish();
        if (count > 0)
            Messages::information(self, QString::number(count) + tr("处文本被替换"));
        else
            Messages::information(self, tr("要查找的内容没有找到"));
    });
}

void FrmFindReplace::findNext(int request, const Search& search) {
    QPointer<FrmFindReplace> self(this);
    m_target->findNext(search.needle, search.options, false, [self, request, search](bool found) {
        if (!self || !self->isCurrent(request))
            return;
        if (found)
            self->finish();
        else
            self->onNotFound(request, search);
    });
}

void FrmFindReplace::onNotFound(int request, const Search& search) {
    QPointer<FrmFindReplace> self(this);
    m_target->contains(search.needle, search.options, [self, request, search](bool any) {
        if (!self || !self->isCurrent(request))
            return;
        if (!any) {
            self->finish();
            Messages::information(self, tr("没有找到匹配字符"));
            return;
        }
        // The buttons keep waiting through the question: the answer decides what comes.
        if (!Messages::question(self, tr("搜索完成，是否要从顶部开始重新搜索？"))) {
            if (self && self->isCurrent(request))
                self->finish();
            return;
        }
        if (!self || !self->isCurrent(request))
            return;
        self->m_target->findNext(search.needle, search.options, true, [self, request](bool) {
            if (self && self->isCurrent(request))
                self->finish();
        });
    });
}

int FrmFindReplace::begin() {
    m_pending = true;
    for (QPushButton* button : {m_cmdFind, m_cmdReplace, m_cmdReplaceAll})
        button->setEnabled(false);
    return ++m_request;
}

void FrmFindReplace::finish() {
    m_pending = false;
    for (QPushButton* button : {m_cmdFind, m_cmdReplace, m_cmdReplaceAll})
        button->setEnabled(true);
}

bool FrmFindReplace::isCurrent(int request) const {
    return m_pending && request == m_request;
}
