#include "output/ui/frmchmset.h"

#include "widgets/messages.h"
#include "storage/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmChmSet::FrmChmSet(Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings) {
    setObjectName(QStringLiteral("frmChmSet"));
    setWindowTitle(tr("电子书面板设置"));

    auto* nav = new QGroupBox(tr("导航面板设置"), this);
    auto* navLayout = new QHBoxLayout(nav);
    navLayout->addWidget(addCheck(QStringLiteral("chmList"), tr("目录"), nav));
    navLayout->addWidget(addCheck(QStringLiteral("chmIndex"), tr("索引"), nav));
    navLayout->addWidget(addCheck(QStringLiteral("chmBookmark"), tr("书签"), nav));
    navLayout->addStretch();

    auto* buttons = new QGroupBox(tr("工具栏按钮设置"), this);
    auto* grid = new QGridLayout(buttons);
    const QList<QPair<QString, QString>> plain = {
        {QStringLiteral("chmHide"), tr("隐藏")},    {QStringLiteral("chmLocate"), tr("定位")},
        {QStringLiteral("chmBack"), tr("后退")},    {QStringLiteral("chmForward"), tr("前进")},
        {QStringLiteral("chmRefresh"), tr("刷新")}, {QStringLiteral("chmStop"), tr("停止")},
        {QStringLiteral("chmNext"), tr("下一步")},  {QStringLiteral("chmPrev"), tr("上一步")},
        {QStringLiteral("chmPrint"), tr("打印")},   {QStringLiteral("chmFont"), tr("字体")},
        {QStringLiteral("chmOption"), tr("选项")},
    };
    for (int i = 0; i < plain.size(); ++i)
        grid->addWidget(addCheck(plain.at(i).first, plain.at(i).second, buttons), i / 4, i % 4);
    int row = int(plain.size() + 3) / 4;
    grid->addWidget(addCheck(QStringLiteral("chmHome"), tr("主页"), buttons), row, 0);
    grid->addWidget(new QLabel(tr("链接"), buttons), row, 1);
    grid->addWidget(addEdit(QStringLiteral("chmHomeUrl"), buttons), row, 2, 1, 2);
    for (const QString& jump : {QStringLiteral("chmJump1"), QStringLiteral("chmJump2")}) {
        ++row;
        grid->addWidget(addCheck(jump, jump.endsWith(u'1') ? tr("自定义1") : tr("自定义2"), buttons), row, 0);
        grid->addWidget(addEdit(jump + QLatin1String("Title"), buttons), row, 1);
        grid->addWidget(new QLabel(tr("链接"), buttons), row, 2);
        grid->addWidget(addEdit(jump + QLatin1String("Url"), buttons), row, 3);
    }

    auto* window = new QGroupBox(tr("窗口位置"), this);
    auto* windowLayout = new QHBoxLayout(window);
    windowLayout->addWidget(addCheck(QStringLiteral("chmSavePos"), tr("保存窗口位置和大小"), window));

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    box->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(box, &QDialogButtonBox::accepted, this, &FrmChmSet::accept);
    connect(box, &QDialogButtonBox::rejected, this, &FrmChmSet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nav);
    layout->addWidget(buttons);
    layout->addWidget(window);
    layout->addWidget(box);
}

QCheckBox* FrmChmSet::addCheck(const QString& key, const QString& text, QWidget* parent) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String("chk") + key);
    check->setChecked(m_settings.chmValue(key) == QLatin1String("1"));
    m_checks.insert(key, check);
    return check;
}

QLineEdit* FrmChmSet::addEdit(const QString& key, QWidget* parent) {
    auto* edit = new QLineEdit(m_settings.chmValue(key), parent);
    edit->setObjectName(QLatin1String("txt") + key);
    m_edits.insert(key, edit);
    return edit;
}

void FrmChmSet::accept() {
    for (auto it = m_checks.cbegin(); it != m_checks.cend(); ++it)
        m_settings.setChmValue(it.key(), it.value()->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        m_settings.setChmValue(it.key(), it.value()->text().trimmed());
    if (!m_settings.saveChmSettings()) {
        Messages::warning(this, m_settings.lastError());
        return;
    }
    QDialog::accept();
}
