#include "sites/ui/frmsitesigncompare.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The rows of the comparison in the order the user reads a sign.
const QList<std::pair<SiteSign::Field, const char*>>& comparedFields() {
    static const QList<std::pair<SiteSign::Field, const char*>> fields = {
        {SiteSign::Name, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "网站名称")},
        {SiteSign::ListStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "目录开始标志")},
        {SiteSign::ListEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "目录结束标志")},
        {SiteSign::VolumeStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "分卷开始标志")},
        {SiteSign::VolumeEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "分卷结束标志")},
        {SiteSign::ContentStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "章节开始标志")},
        {SiteSign::ContentEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "章节结束标志")},
        {SiteSign::NeedDelStr, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "需去除的字符")},
        {SiteSign::BriefUrlStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "简介页链接开始标志")},
        {SiteSign::BriefUrlEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "简介页链接结束标志")},
        {SiteSign::AuthorStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "作者开始标志")},
        {SiteSign::AuthorEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "作者结束标志")},
        {SiteSign::BriefStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "简介开始标志")},
        {SiteSign::BriefEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "简介结束标志")},
        {SiteSign::BookImgUrlStart, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "封面图片链接开始标志")},
        {SiteSign::BookImgUrlEnd, QT_TRANSLATE_NOOP("FrmSiteSignCompare", "封面图片链接结束标志")},
    };
    return fields;
}

} // namespace

FrmSiteSignCompare::FrmSiteSignCompare(const SiteSign& existing, const SiteSign& imported, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmSiteSignCompare"));
    setWindowTitle(tr("是否覆盖正文标志"));
    resize(720, 520);
    m_webCompare = new QTextBrowser(this);
    m_webCompare->setObjectName(QStringLiteral("webCompare"));
    m_webCompare->setHtml(compareHtml(existing, imported));
    m_chkAll = new QCheckBox(tr("全部照此处理"), this);
    m_chkAll->setObjectName(QStringLiteral("chkAll"));
    auto* ok = new QPushButton(tr("覆盖"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_chkAll);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_webCompare);
    layout->addLayout(buttons);
}

QString FrmSiteSignCompare::compareHtml(const SiteSign& existing, const SiteSign& imported) {
    QString html =
        QStringLiteral("<html><head><title>") + tr("比较结果") +
        QStringLiteral("</title></head><body><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"
                       "<tr><th>") +
        tr("标志名称") + QStringLiteral("</th><th>") + tr("原始设定标志") + QStringLiteral("</th><th>") +
        tr("新导入标志") + QStringLiteral("</th></tr>");
    for (const auto& [field, caption] : comparedFields()) {
        const QString before = existing[field].toHtmlEscaped();
        const QString after = imported[field].toHtmlEscaped();
        const QString cell = existing[field] == imported[field]
                                 ? QStringLiteral("<td>%1</td>")
                                 : QStringLiteral("<td style=\"color:red\">%1</td>");
        html += QStringLiteral("<tr><td>") + tr(caption) + QStringLiteral("</td>") + cell.arg(before) +
                cell.arg(after) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table></body></html>");
}

SiteSignTable::Decision FrmSiteSignCompare::decision() const {
    return {result() == QDialog::Accepted, m_chkAll->isChecked()};
}

SiteSignTable::Decision FrmSiteSignCompare::ask(const SiteSign& existing, const SiteSign& imported,
                                                QWidget* parent) {
    FrmSiteSignCompare window(existing, imported, parent);
    window.exec();
    return window.decision();
}
