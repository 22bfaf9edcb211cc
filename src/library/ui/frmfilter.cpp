#include "library/ui/frmfilter.h"

#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmFilter::FrmFilter(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(tr("总体过滤设置"));
    resize(640, 460);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("过滤的链接标题（每行一项）："), this));
    m_txtFilter1 = new QPlainTextEdit(toLines(m_library.filterTitles()), this);
    m_txtFilter1->setObjectName(QStringLiteral("txtFilter1"));
    left->addWidget(m_txtFilter1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("过滤的链接地址（每行一项）："), this));
    m_txtFilter2 = new QPlainTextEdit(toLines(m_library.filterUrls()), this);
    m_txtFilter2->setObjectName(QStringLiteral("txtFilter2"));
    right->addWidget(m_txtFilter2);
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);
    auto* hint = new QLabel(tr("写成 [[表达式]] 的一项按正则表达式匹配。"), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &FrmFilter::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString FrmFilter::toLines(const QString& stored) {
    QStringList entries = stored.split(QStringLiteral("||"), Qt::SkipEmptyParts);
    for (QString& e : entries)
        e = e.trimmed();
    entries.removeAll(QString());
    return entries.join(u'\n');
}

QString FrmFilter::fromLines(const QString& lines) {
    QStringList entries;
    for (const QString& line : lines.split(u'\n'))
        if (!line.trimmed().isEmpty())
            entries << line.trimmed();
    return entries.join(QStringLiteral("||"));
}

void FrmFilter::accept() {
    if (!m_library.saveFilters(fromLines(m_txtFilter1->toPlainText()),
                               fromLines(m_txtFilter2->toPlainText()))) {
        Messages::warning(this, tr("无法写入过滤文件"));
        return;
    }
    QDialog::accept();
}
