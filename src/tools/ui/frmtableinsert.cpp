#include "tools/ui/frmtableinsert.h"

#include "widgets/dialogbuttons.h"
#include "widgets/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMostCells = 100;

// One step up or down from the typed count, kept within what a table may have; text that is no
// number starts again at 1.
void step(QLineEdit* edit, int by) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    edit->setText(QString::number(ok ? qBound(1, value + by, kMostCells) : 1));
}

// The arrow keys step the count as the buttons beside it do.
class StepKeys : public QObject {
public:
    explicit StepKeys(QLineEdit* edit)
        : QObject(edit)
        , m_edit(edit) {
        edit->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step(m_edit, key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit* m_edit;
};

QToolButton* stepButton(QLineEdit* edit, const QString& name, Qt::ArrowType arrow, int by) {
    auto* button = new QToolButton(edit->parentWidget());
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    QObject::connect(button, &QToolButton::clicked, edit, [edit, by] { step(edit, by); });
    return button;
}

// A count typed as text (the check reports what is wrong with it), with the up and down buttons of a
// spinner: "<name>Up" and "<name>Down".
QHBoxLayout* countField(QLineEdit* edit) {
    const QString name = edit->objectName();
    edit->setMaximumWidth(60);
    new StepKeys(edit);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(stepButton(edit, name + QStringLiteral("Up"), Qt::UpArrow, 1));
    arrows->addWidget(stepButton(edit, name + QStringLiteral("Down"), Qt::DownArrow, -1));
    auto* row = new QHBoxLayout;
    row->setSpacing(1);
    row->addWidget(edit);
    row->addLayout(arrows);
    return row;
}

QLineEdit* lineEdit(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(80);
    return edit;
}

QComboBox* unitCombo(const char* name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItem(QCoreApplication::translate("FrmTableInsert", "象素"), false);
    combo->addItem(QCoreApplication::translate("FrmTableInsert", "百分比"), true);
    return combo;
}

// The typed size with "%" when the unit says percent ("50%" typed is taken as it is).
QString sizeValue(const QLineEdit* edit, const QComboBox* unit) {
    const QString value = edit->text().trimmed();
    if (unit->currentData().toBool() && !value.endsWith(QLatin1Char('%')))
        return value + QLatin1Char('%');
    return value;
}

void showSize(const QString& value, QLineEdit* edit, QComboBox* unit) {
    QString text = value.trimmed();
    const bool percent = text.endsWith(QLatin1Char('%'));
    if (percent)
        text.chop(1);
    edit->setText(text.trimmed());
    unit->setCurrentIndex(percent ? 1 : 0);
}

} // namespace

FrmTableInsert::FrmTableInsert(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmTableInsert"));
    setWindowTitle(tr("插入表格"));

    m_fraSize = new QWidget(this);
    m_fraSize->setObjectName(QStringLiteral("fraSize"));
    m_txtRows = lineEdit("txtRows", QStringLiteral("2"), m_fraSize);
    m_txtCols = lineEdit("txtCols", QStringLiteral("2"), m_fraSize);
    auto* sizeRow = new QHBoxLayout(m_fraSize);
    sizeRow->setContentsMargins(0, 0, 0, 0);
    auto* rowsLabel = new QLabel(tr("行数:"), m_fraSize);
    rowsLabel->setBuddy(m_txtRows);
    auto* colsLabel = new QLabel(tr("列数:"), m_fraSize);
    colsLabel->setBuddy(m_txtCols);
    sizeRow->addWidget(rowsLabel);
    sizeRow->addLayout(countField(m_txtRows));
    sizeRow->addSpacing(16);
    sizeRow->addWidget(colsLabel);
    sizeRow->addLayout(countField(m_txtCols));
    sizeRow->addStretch(1);

    m_optStyle = new QGroupBox(tr("样式"), this);
    m_optStyle->setObjectName(QStringLiteral("optStyle"));
    m_styles = new QButtonGroup(this);
    auto* styleRow = new QHBoxLayout(m_optStyle);
    const QStringList styleCaptions = {tr("自定义"), tr("缺省打印样式"), tr("缺省编辑样式")};
    for (int i = 0; i < styleCaptions.size(); ++i) {
        auto* option = new QRadioButton(styleCaptions.at(i), m_optStyle);
        option->setObjectName(QStringLiteral("optStyle_%1").arg(i));
        m_styles->addButton(option, i);
        styleRow->addWidget(option);
    }
    m_styles->button(0)->setChecked(true);

    auto* custom = new QGroupBox(tr("自定义"), this);
    m_cboAlign = new QComboBox(custom);
    m_cboAlign->setObjectName(QStringLiteral("cboAlign"));
    const QList<QPair<QString, QString>> aligns = {{tr("默认"), QString()},
                                                   {tr("左对齐"), QStringLiteral("left")},
                                                   {tr("右对齐"), QStringLiteral("right")},
                                                   {tr("水平居中"), QStringLiteral("center")},
                                                   {tr("两端对齐"), QStringLiteral("justify")}};
    for (const auto& [caption, value] : aligns)
        m_cboAlign->addItem(caption, value);
    m_txtBorder = lineEdit("txtBorder", QStringLiteral("1"), custom);
    m_txtCellPad = lineEdit("txtCellPad", QStringLiteral("0"), custom);
    m_txtCellSpace = lineEdit("txtCellSpace", QStringLiteral("0"), custom);
    m_chkWidth = new QCheckBox(tr("指定宽度"), custom);
    m_chkWidth->setObjectName(QStringLiteral("chkWidth"));
    m_txtWidth = lineEdit("txtWidth", QStringLiteral("100"), custom);
    m_cboWidthUnit = unitCombo("cboWidthUnit", custom);
    m_cboWidthUnit->setCurrentIndex(1);
    m_chkHeight = new QCheckBox(tr("指定高度"), custom);
    m_chkHeight->setObjectName(QStringLiteral("chkHeight"));
    m_txtHeight = lineEdit("txtHeight", QString(), custom);
    m_cboHeightUnit = unitCombo("cboHeightUnit", custom);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(m_txtWidth);
    widthRow->addWidget(m_cboWidthUnit);
    widthRow->addStretch(1);
    auto* heightRow = new QHBoxLayout;
    heightRow->addWidget(m_txtHeight);
    heightRow->addWidget(m_cboHeightUnit);
    heightRow->addStretch(1);
    auto* form = new QFormLayout(custom);
    form->addRow(tr("对齐方式:"), m_cboAlign);
    form->addRow(tr("边框粗细:"), m_txtBorder);
    form->addRow(tr("单元格边距:"), m_txtCellPad);
    form->addRow(tr("单元格间距:"), m_txtCellSpace);
    form->addRow(m_chkWidth, widthRow);
    form->addRow(m_chkHeight, heightRow);

    const OkCancelRow buttons = okCancelRow(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fraSize);
    layout->addWidget(m_optStyle);
    layout->addWidget(custom);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_styles, &QButtonGroup::idClicked, this, &FrmTableInsert::updateEnabled);
    connect(m_chkWidth, &QCheckBox::toggled, this, &FrmTableInsert::updateEnabled);
    connect(m_chkHeight, &QCheckBox::toggled, this, &FrmTableInsert::updateEnabled);
    connect(buttons.ok, &QPushButton::clicked, this, &FrmTableInsert::onOk);
    updateEnabled();
}

void FrmTableInsert::setExisting(const TableFields& current) {
    m_existing = true;
    setWindowTitle(tr("表格属性"));
    // The table is there: its size is changed with the row and column commands, its look only
    // through its own attributes.
    m_fraSize->hide();
    m_optStyle->hide();
    m_txtRows->setText(current.rows);
    m_txtCols->setText(current.cols);
    m_styles->button(0)->setChecked(true);
    const int align = m_cboAlign->findData(current.align.trimmed().toLower());
    m_cboAlign->setCurrentIndex(qMax(align, 0));
    m_txtBorder->setText(current.border);
    m_txtCellPad->setText(current.cellPadding);
    m_txtCellSpace->setText(current.cellSpacing);
    m_chkWidth->setChecked(current.useWidth);
    showSize(current.width, m_txtWidth, m_cboWidthUnit);
    m_chkHeight->setChecked(current.useHeight);
    showSize(current.height, m_txtHeight, m_cboHeightUnit);
    updateEnabled();
}

TableFields FrmTableInsert::fields() const {
    TableFields table;
    table.rows = m_txtRows->text();
    table.cols = m_txtCols->text();
    table.style = style();
    table.align = m_cboAlign->currentData().toString();
    table.border = m_txtBorder->text();
    table.cellPadding = m_txtCellPad->text();
    table.cellSpacing = m_txtCellSpace->text();
    table.useWidth = m_chkWidth->isChecked();
    table.width = sizeValue(m_txtWidth, m_cboWidthUnit);
    table.useHeight = m_chkHeight->isChecked();
    table.height = sizeValue(m_txtHeight, m_cboHeightUnit);
    return table;
}

TableFields::Style FrmTableInsert::style() const {
    switch (m_styles->checkedId()) {
    case 1:
        return TableFields::Style::Print;
    case 2:
        return TableFields::Style::Edit;
    default:
        return TableFields::Style::Custom;
    }
}

void FrmTableInsert::updateEnabled() {
    const bool custom = style() == TableFields::Style::Custom;
    for (QWidget* w :
         QList<QWidget*>{m_cboAlign, m_txtBorder, m_txtCellPad, m_txtCellSpace, m_chkWidth, m_chkHeight})
        w->setEnabled(custom);
    for (QWidget* w : QList<QWidget*>{m_txtWidth, m_cboWidthUnit})
        w->setEnabled(custom && m_chkWidth->isChecked());
    for (QWidget* w : QList<QWidget*>{m_txtHeight, m_cboHeightUnit})
        w->setEnabled(custom && m_chkHeight->isChecked());
}

void FrmTableInsert::onOk() {
    TableFields table = fields();
    // An existing table keeps its rows and columns, whatever the caller knows of them.
    if (m_existing) {
        table.rows = table.cols = QStringLiteral("1");
        // An attribute the table does not have may stay empty: it is left out.
        for (QString* value : {&table.border, &table.cellPadding, &table.cellSpacing})
            if (value->trimmed().isEmpty())
                *value = QStringLiteral("0");
    }
    const QString message = TableHtml::check(table);
    if (message.isEmpty()) {
        accept();
        return;
    }
    Messages::warning(this, message);
    if (QWidget* field = fieldAtFault(table)) {
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->selectAll();
    }
}

QWidget* FrmTableInsert::fieldAtFault(const TableFields& table) const {
    // Each value alone in a table the check passes; the first it refuses is the one at fault.
    TableFields sound = table;
    sound.rows = sound.cols = QStringLiteral("1");
    sound.border = sound.cellPadding = sound.cellSpacing = sound.width = sound.height = QStringLiteral("0");
    const struct {
        QString TableFields::*value;
        QWidget* field;
    } order[] = {
        {&TableFields::rows, m_txtRows},
        {&TableFields::cols, m_txtCols},
        {&TableFields::border, m_txtBorder},
        {&TableFields::cellPadding, m_txtCellPad},
        {&TableFields::cellSpacing, m_txtCellSpace},
        {&TableFields::width, m_txtWidth},
        {&TableFields::height, m_txtHeight},
    };
    for (const auto& entry : order) {
        TableFields one = sound;
        one.*entry.value = table.*entry.value;
        if (!TableHtml::check(one).isEmpty())
            return entry.field;
    }
    return nullptr;
}
