#include "tools/ui/frmfindcontent.h"

#include "storage/librarycontext.h"
#include "tools/findmemory.h"
#include "widgets/desktopprompter.h"
#include "widgets/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using Kind = FindReplaceJob::Kind;
using Operation = FindReplaceJob::Operation;

namespace {

QPlainTextEdit* markerEdit(const char* name, QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // Markers are often pieces of a page spanning lines; Tab still moves on.
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    const int line = edit->fontMetrics().lineSpacing();
    edit->setFixedHeight(line * 2 + 2 * edit->frameWidth() + 8);
    return edit;
}

QLineEdit* lineEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setClearButtonEnabled(true);
    return edit;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

} // namespace

FrmFindContent::FrmFindContent(LibraryContext& library, FindContentSource source, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_source(std::move(source))
    , m_prompter(std::make_unique<DesktopPrompter>(this)) {
    setObjectName(QStringLiteral("frmFindContent"));
    setWindowTitle(tr("章节内容-查找/替换 "));
    setModal(false);

    m_optType = new QGroupBox(tr("操作方式"), this);
    m_optType->setObjectName(QStringLiteral("optType"));
    m_types = new QButtonGroup(this);
    auto* typeRow = new QHBoxLayout(m_optType);
    const QStringList captions = {tr("普通(&P)"), tr("两者间内容(&B)"), tr("正则表达式(&E)"),
                                  tr("其他操作(&O)")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(captions.at(i), m_optType);
        option->setObjectName(QStringLiteral("optType_%1").arg(i));
        m_types->addButton(option, i);
        typeRow->addWidget(option);
    }
    typeRow->addStretch(1);
    m_chkAll = new QCheckBox(tr("所有章节(&A)"), this);
    m_chkAll->setObjectName(QStringLiteral("chkAll"));

    m_panels = new QStackedWidget(this);
    m_panels->setObjectName(QStringLiteral("fraType"));
    m_panels->addWidget(createPlainPage());
    m_panels->addWidget(createBetweenPage());
    m_panels->addWidget(createRegexPage());
    m_panels->addWidget(createOperationPage());

    m_lblOp = new QLabel(this);
    m_lblOp->setObjectName(QStringLiteral("lblOp"));
    m_lblOp->setTextFormat(Qt::PlainText);
    // A long title must not widen the window.
    m_lblOp->setMinimumWidth(1);
    m_lblOp->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progressBar1 = new QProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setRange(0, 1);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(false);

    m_cmdFind = new QPushButton(tr("查找(&F)"), this);
    m_cmdFind->setObjectName(QStringLiteral("cmdFind"));
    m_cmdFind->setDefault(true);
    m_cmdReplace = new QPushButton(tr("替换(&R)"), this);
    m_cmdReplace->setObjectName(QStringLiteral("cmdReplace"));
    m_cmdCancel = new QPushButton(tr("退出(&X)"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    m_cmdReplace->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_optType, 1);
    top->addWidget(m_chkAll, 0, Qt::AlignBottom);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdFind);
    buttons->addWidget(m_cmdReplace);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_panels);
    layout->addWidget(m_lblOp);
    layout->addWidget(m_progressBar1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    resize(520, sizeHint().height());

    connect(m_types, &QButtonGroup::idClicked, this, &FrmFindContent::setType);
    for (QCheckBox* box : {m_chkTitle, m_chkVolume, m_chkComeFrom})
        connect(box, &QCheckBox::toggled, this, [this, box](bool on) { onFieldChecked(box, on); });
    connect(m_cmdFind, &QPushButton::clicked, this, [this] { start(false, Operation::None); });
    connect(m_cmdReplace, &QPushButton::clicked, this, [this] { start(true, Operation::None); });
    connect(m_cmdCancel, &QPushButton::clicked, this, &FrmFindContent::reject);

    const QList<QWidget*> order = {
        m_types->button(0), m_types->button(1), m_types->button(2), m_types->button(3), m_chkAll,
        m_txtFindText,      m_txtReplaceText,   m_chkTitle,         m_chkVolume,        m_chkComeFrom,
        m_txtLeft,          m_txtRight,         m_txtReplText,      m_txtRegExp,        m_txtReplace};
    QWidget* previous = nullptr;
    for (QWidget* w : order + QList<QWidget*>(m_operations.begin(), m_operations.end()) +
                          QList<QWidget*>{m_cmdFind, m_cmdReplace, m_cmdCancel}) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }

    // What the last run used, while the program runs.
    const FindMemory& memory = FindMemory::shared();
    m_txtFindText->setText(memory.findText);
    m_txtReplaceText->setText(memory.replaceText);
    m_chkAll->setChecked(memory.allChapters);
    m_types->button(0)->setChecked(true);
    setType(0);
    setRunning(false);
}

FrmFindContent::~FrmFindContent() {
    // A job waiting for an answer is let go before it is stopped.
    m_prompter->close();
    if (m_job) {
        m_job->stopAndWait();
        delete m_job;
    }
}

QWidget* FrmFindContent::createPlainPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("fraPlain"));
    m_txtFindText = lineEdit("txtFindText", page);
    m_txtReplaceText = lineEdit("txtReplaceText", page);
    m_chkTitle = new QCheckBox(tr("处理标题(&T)"), page);
    m_chkTitle->setObjectName(QStringLiteral("chkTitle"));
    m_chkVolume = new QCheckBox(tr("处理分卷名(&V)"), page);
    m_chkVolume->setObjectName(QStringLiteral("chkVolume"));
    m_chkComeFrom = new QCheckBox(tr("处理下载地址(&U)"), page);
    m_chkComeFrom->setObjectName(QStringLiteral("chkComeFrom"));
    auto* fields = new QHBoxLayout;
    fields->addWidget(m_chkTitle);
    fields->addWidget(m_chkVolume);
    fields->addWidget(m_chkComeFrom);
    fields->addStretch(1);
    auto* form = new QFormLayout(page);
    form->addRow(buddyLabel(tr("查找内容(&N)"), m_txtFindText), m_txtFindText);
    form->addRow(buddyLabel(tr("替换内容(&I)"), m_txtReplaceText), m_txtReplaceText);
    form->addRow(QString(), fields);
    return page;
}

QWidget* FrmFindContent::createBetweenPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("fraBetween"));
    m_txtLeft = markerEdit("txtLeft", page);
    m_txtRight = markerEdit("txtRight", page);
    m_txtReplText = markerEdit("txtReplText", page);
    auto* form = new QFormLayout(page);
    form->addRow(buddyLabel(tr("开始内容(&S)"), m_txtLeft), m_txtLeft);
    form->addRow(buddyLabel(tr("结束内容(&D)"), m_txtRight), m_txtRight);
    form->addRow(buddyLabel(tr("替换内容(&I)"), m_txtReplText), m_txtReplText);
    return page;
}

QWidget* FrmFindContent::createRegexPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("fraRegExp"));
    m_txtRegExp = lineEdit("txtRegExp", page);
    m_txtReplace = lineEdit("txtReplace", page);
    m_txtReplace->setToolTip(tr("可用$1、$2…引用匹配的分组"));
    auto* form = new QFormLayout(page);
    form->addRow(buddyLabel(tr("正则表达式(&G)"), m_txtRegExp), m_txtRegExp);
    form->addRow(buddyLabel(tr("替换内容(&I)"), m_txtReplace), m_txtReplace);
    return page;
}

QWidget* FrmFindContent::createOperationPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("fraOther"));
    auto* grid = new QGridLayout(page);
    const QList<QPushButton*> buttons = {
        addOperation("cmdClearContent", tr("清空内容"), Operation::ClearContent),
        addOperation("cmdDelPic", tr("清空图片"), Operation::DeletePictures),
        addOperation("cmdPicSetCenter", tr("图片居中"), Operation::CenterPictures),
        addOperation("cmdPicResize", tr("图片缩放"), Operation::ZoomPictures),
        addOperation("cmdDelSmallPic", tr("移除小图片"), Operation::DeleteSmallPictures),
        addOperation("cmdOCR", tr("图片→文字"), Operation::Ocr),
        addOperation("cmdHalfToAll", tr("半角→全角"), Operation::ToFullWidth),
        addOperation("cmdAlltoHalf", tr("全角→半角"), Operation::ToHalfWidth),
    };
    for (int i = 0; i < buttons.size(); ++i) {
        buttons.at(i)->setParent(page);
        grid->addWidget(buttons.at(i), i / 4, i % 4);
    }
    grid->setRowStretch(2, 1);
    return page;
}

QPushButton* FrmFindContent::addOperation(const char* name, const QString& caption, Operation operation) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, operation] { start(true, operation); });
    m_operations << button;
    return button;
}

void FrmFindContent::setType(int type) {
    m_panels->setCurrentIndex(type);
    // The other operations run from their own buttons.
    const bool texts = type != int(Kind::Operation);
    m_cmdFind->setVisible(texts);
    m_cmdReplace->setVisible(texts);
    if (isVisible()) {
        const QList<QWidget*> first = {m_txtFindText, m_txtLeft, m_txtRegExp, m_operations.value(0)};
        if (QWidget* field = first.value(type))
            field->setFocus();
    }
}

void FrmFindContent::onFieldChecked(QCheckBox* box, bool on) {
    if (!on)
        return;
    for (QCheckBox* other : {m_chkTitle, m_chkVolume, m_chkComeFrom})
        if (other != box)
            other->setChecked(false);
}

bool FrmFindContent::isRunning() const {
    return m_job && m_job->isRunning();
}

void FrmFindContent::warnAt(QWidget* field, const QString& text) {
    Messages::warning(this, text);
    if (field)
        field->setFocus();
}

QWidget* FrmFindContent::fieldToMend(const FindReplaceJob::Request& request) const {
    switch (request.kind) {
    case Kind::Plain:
        return m_txtFindText;
    case Kind::Between:
        return request.startText.isEmpty() ? m_txtLeft : m_txtRight;
    case Kind::Regex:
        return m_txtRegExp;
    case Kind::Operation:
        break;
    }
    return nullptr;
}

void FrmFindContent::start(bool replace, Operation operation) {
    if (m_job)
        return;
    FindReplaceJob::Request request;
    request.kind = operation != Operation::None ? Kind::Operation : Kind(m_types->checkedId());
    request.replace = replace;
    request.operation = operation;
    request.allChapters = m_chkAll->isChecked();
    if (m_chkTitle->isChecked())
        request.field = FindReplaceJob::Field::Title;
    else if (m_chkVolume->isChecked())
        request.field = FindReplaceJob::Field::Volume;
    else if (m_chkComeFrom->isChecked())
        request.field = FindReplaceJob::Field::ComeFrom;
    request.findText = m_txtFindText->text();
    switch (request.kind) {
    case Kind::Plain:
        request.replaceText = m_txtReplaceText->text();
        break;
    case Kind::Between:
        request.replaceText = m_txtReplText->toPlainText();
        break;
    case Kind::Regex:
        request.replaceText = m_txtReplace->text();
        break;
    case Kind::Operation:
        break;
    }
    request.startText = m_txtLeft->toPlainText();
    request.endText = m_txtRight->toPlainText();
    request.pattern = m_txtRegExp->text();

    request.novelId = m_source.novelId ? m_source.novelId() : QString();
    if (request.novelId.isEmpty()) {
        warnAt(nullptr, tr("请在左边列表中选择具体小说"));
        return;
    }
    const QList<qint64> all = m_source.chapterIds ? m_source.chapterIds() : QList<qint64>();
    if (all.isEmpty()) {
        warnAt(nullptr, tr("当前小说没有章节"));
        return;
    }
    if (const QString error = FindReplaceJob::inputError(request); !error.isEmpty()) {
        warnAt(fieldToMend(request), error);
        return;
    }

    if (operation == Operation::Ocr) {
        // Recognition works on one chapter: the one the list stands on.
        const qint64 current = m_source.currentId ? m_source.currentId() : 0;
        request.chapterIds = current ? QList<qint64>{current} : QList<qint64>();
    } else if (request.allChapters) {
        request.chapterIds = all;
    } else {
        request.chapterIds = m_source.selectedIds ? m_source.selectedIds() : QList<qint64>();
    }
    // The job takes an empty list for every chapter: nothing chosen must not become everything.
    if (request.chapterIds.isEmpty()) {
        warnAt(nullptr, tr("请在章节列表中选择章节"));
        return;
    }

    FindMemory& memory = FindMemory::shared();
    memory.findText = m_txtFindText->text();
    memory.replaceText = m_txtReplaceText->text();
    memory.allChapters = m_chkAll->isChecked();

    m_jobNovelId = request.novelId;
    m_job = new FindReplaceJob(m_library.database(), m_library.folder(), m_library.settings(), request);
    m_job->setPrompter(m_prompter.get());
    connect(m_job, &Job::statusChanged, this, &FrmFindContent::onStatus);
    connect(m_job, &Job::progressChanged, this, [this](int value, int maximum) {
        m_progressBar1->setMaximum(std::max(1, maximum));
        m_progressBar1->setValue(std::min(value, std::max(1, maximum)));
    });
    connect(m_job, &FindReplaceJob::resultPageWritten, this, &FrmFindContent::resultPageWritten);
    connect(m_job, &FindReplaceJob::chapterChanged, this, &FrmFindContent::chapterChanged);
    connect(m_job, &Job::finished, this, &FrmFindContent::onFinished, Qt::QueuedConnection);
    m_progressBar1->setRange(0, std::max(1, int(request.chapterIds.size())));
    m_progressBar1->setValue(0);
    m_progressBar1->setFormat(QStringLiteral("%v/%m"));
    m_progressBar1->setTextVisible(true);
    m_lblOp->setText(tr("正在处理："));
    setRunning(true);
    m_job->start();
}

void FrmFindContent::onStatus(const QString& text) {
    const QString prefix = tr("正在处理：");
    m_lblOp->setText(text.startsWith(prefix) ? text : prefix + text);
}

void FrmFindContent::onFinished() {
    if (!m_job)
        return;
    m_job->wait();
    const FindReplaceJob::Result result = m_job->result();
    m_job->deleteLater();
    m_job = nullptr;
    setRunning(false);

    if (result.stopped)
        m_lblOp->setText(tr("已停止"));
    else if (result.failed > 0)
        m_lblOp->setText(tr("处理完毕，%1章未能写入").arg(result.failed));
    else
        m_lblOp->setText(tr("处理完毕"));
    if (result.changed > 0)
        Q_EMIT chaptersChanged(m_jobNovelId);
    if (m_closeWhenDone) {
        close();
        return;
    }
    if (!result.error.isEmpty())
        Messages::warning(this, result.error);
}

void FrmFindContent::setRunning(bool running) {
    m_optType->setEnabled(!running);
    m_chkAll->setEnabled(!running);
    m_cmdFind->setEnabled(!running);
    m_cmdReplace->setEnabled(!running);
    for (QPushButton* button : m_operations)
        button->setEnabled(!running);
}

void FrmFindContent::reject() {
    if (m_job) {
        m_job->requestStop();
        return;
    }
    QDialog::reject();
}

void FrmFindContent::closeEvent(QCloseEvent* event) {
    if (m_job) {
        // Closed once the run has stopped at its next chapter.
        m_closeWhenDone = true;
        m_job->requestStop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
