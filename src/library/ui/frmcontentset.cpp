#include "library/ui/frmcontentset.h"

#include "companion/bosskey.h"
#include "companion/readaloud.h"
#include "companion/speechengine.h"

#include "library/displaysettings.h"
#include "library/readingschemes.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Key codes of the boss key as stored: F1 … F12.

QComboBox* editableCombo(QWidget* parent, const QString& name, const QStringList& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->addItems(items);
    return combo;
}

void setComboText(QComboBox* combo, const QString& text) {
    const int at = combo->findText(text);
    if (at >= 0)
        combo->setCurrentIndex(at);
    else if (combo->isEditable())
        combo->setEditText(text);
}

QString colorStyle(const QColor& color) {
    return QStringLiteral(
               "QPushButton { background: %1; border: 1px solid #888; min-width: 60px; min-height: 20px; }")
        .arg(color.name());
}

} // namespace

FrmContentSet::FrmContentSet(LibraryContext& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_schemes(std::make_unique<ReadingSchemes>(library.folder().path())) {
    setObjectName(QStringLiteral("frmContentSet"));
    setWindowTitle(tr("阅读设置"));

    QStringList families = QFontDatabase::families();
    for (const QString& usual : {QStringLiteral("宋体"), QStringLiteral("黑体"), QStringLiteral("楷体")})
        if (!families.contains(usual))
            families.prepend(usual);
    QStringList sizes;
    for (int s : {9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 32, 36})
        sizes << QString::number(s);

    auto* settingsBox = new QGroupBox(tr("阅读外观"), this);
    auto* form = new QFormLayout(settingsBox);
    m_cmdBgColor = new QPushButton(settingsBox);
    m_cmdBgColor->setObjectName(QStringLiteral("cmdBgColor"));
    form->addRow(tr("背景颜色："), m_cmdBgColor);
    auto* pictureRow = new QHBoxLayout;
    m_cboBgImg = new QComboBox(settingsBox);
    m_cboBgImg->setObjectName(QStringLiteral("cboBgImg"));
    auto* pick = new QPushButton(tr("自选图片"), settingsBox);
    pick->setObjectName(QStringLiteral("cmdPickImage"));
    pictureRow->addWidget(m_cboBgImg, 1);
    pictureRow->addWidget(pick);
    form->addRow(tr("背景图片："), pictureRow);
    m_txtScrollSpeed = new QSpinBox(settingsBox);
    m_txtScrollSpeed->setObjectName(QStringLiteral("txtScrollSpeed"));
    m_txtScrollSpeed->setRange(1, 20);
    form->addRow(tr("滚屏速度："), m_txtScrollSpeed);
    m_cboLineHeight = editableCombo(settingsBox, QStringLiteral("cboLineHeight"),
                                    {QStringLiteral("100%"), QStringLiteral("120%"), QStringLiteral("140%"),
                                     QStringLiteral("160%"), QStringLiteral("180%"), QStringLiteral("200%"),
                                     QStringLiteral("220%")});
    form->addRow(tr("行间距："), m_cboLineHeight);
    auto* fontRow = new QHBoxLayout;
    m_cboFontName = editableCombo(settingsBox, QStringLiteral("cboFontName"), families);
    m_cboFontSize = editableCombo(settingsBox, QStringLiteral("cboFontSize"), sizes);
    m_cmdFontColor = new QPushButton(settingsBox);
    m_cmdFontColor->setObjectName(QStringLiteral("cmdFontColor"));
    fontRow->addWidget(m_cboFontName, 1);
    fontRow->addWidget(m_cboFontSize);
    fontRow->addWidget(m_cmdFontColor);
    form->addRow(tr("正文字体："), fontRow);
    auto* styleRow = new QHBoxLayout;
    m_chkBold = new QCheckBox(tr("粗体"), settingsBox);
    m_chkBold->setObjectName(QStringLiteral("chkBold"));
    m_chkItalic = new QCheckBox(tr("斜体"), settingsBox);
    m_chkItalic->setObjectName(QStringLiteral("chkItalic"));
    styleRow->addWidget(m_chkBold);
    styleRow->addWidget(m_chkItalic);
    styleRow->addStretch();
    form->addRow(QString(), styleRow);
    auto* titleRow = new QHBoxLayout;
    m_cboTitleFontName = editableCombo(settingsBox, QStringLiteral("cboTitleFontName"), families);
    m_cboTitleFontSize = editableCombo(settingsBox, QStringLiteral("cboTitleFontSize"), sizes);
    titleRow->addWidget(m_cboTitleFontName, 1);
    titleRow->addWidget(m_cboTitleFontSize);
    form->addRow(tr("标题字体："), titleRow);
    m_cboBossKey = new QComboBox(settingsBox);
    m_cboBossKey->setObjectName(QStringLiteral("cboBossKey"));
    for (const BossKey& key : BossKey::choices())
        m_cboBossKey->addItem(key.isNone() ? tr("无") : key.displayName(), key.stored());
    form->addRow(tr("隐藏热键："), m_cboBossKey);
    m_txtSpeechRate = new QSpinBox(settingsBox);
    m_txtSpeechRate->setObjectName(QStringLiteral("txtSpeechRate"));
    m_txtSpeechRate->setRange(-10, 10);
    form->addRow(tr("朗读语速："), m_txtSpeechRate);
    m_cboSpeechVoice = new QComboBox(settingsBox);
    m_cboSpeechVoice->setObjectName(QStringLiteral("cboSpeechVoice"));
    m_cboSpeechVoice->addItem(tr("默认"), QString());
    {
        // Asked of the speech service only here and when reading: nothing starts it otherwise.
        SpeechEngine* engine = SpeechEngine::create(this);
        for (const QString& voice : engine->chineseVoices())
            m_cboSpeechVoice->addItem(voice, voice);
        delete engine;
    }
    form->addRow(tr("朗读语音："), m_cboSpeechVoice);

    m_picPreview = new QLabel(this);
    m_picPreview->setObjectName(QStringLiteral("picPreview"));
    m_picPreview->setMinimumSize(280, 150);
    m_picPreview->setWordWrap(true);
    m_picPreview->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_picPreview->setMargin(10);

    auto* schemeBox = new QGroupBox(tr("阅读外观方案"), this);
    auto* schemeLayout = new QVBoxLayout(schemeBox);
    m_lstScheme = new QListWidget(schemeBox);
    m_lstScheme->setObjectName(QStringLiteral("lstScheme"));
    schemeLayout->addWidget(m_lstScheme);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("方案名称："), schemeBox));
    m_txtSchemeName = new QLineEdit(schemeBox);
    m_txtSchemeName->setObjectName(QStringLiteral("txtSchemeName"));
    nameRow->addWidget(m_txtSchemeName, 1);
    schemeLayout->addLayout(nameRow);
    auto* schemeButtons = new QHBoxLayout;
    auto* saveAs = new QPushButton(tr("方案另存"), schemeBox);
    saveAs->setObjectName(QStringLiteral("cmdSaveScheme"));
    auto* remove = new QPushButton(tr("删除"), schemeBox);
    remove->setObjectName(QStringLiteral("cmdDeleteScheme"));
    schemeButtons->addWidget(saveAs);
    schemeButtons->addWidget(remove);
    schemeLayout->addLayout(schemeButtons);

    auto* right = new QVBoxLayout;
    right->addWidget(m_picPreview, 1);
    right->addWidget(schemeBox, 1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(settingsBox, 3);
    columns->addLayout(right, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    const Settings& s = m_library.settings();
    fillPictures(s.value(QStringLiteral("BgImg")));
    fillFrom(ReadingSchemes::fromSettings(QString(), s));
    m_txtScrollSpeed->setValue(s.intValue(QStringLiteral("ScrollSpeed"), 5));
    setComboText(m_cboLineHeight, s.value(QStringLiteral("LineHeight")));
    // A key stored by hand or by an older version stays what it is, as an entry of its own.
    const QString stored = s.value(QStringLiteral("BossKey"));
    if (m_cboBossKey->findData(stored) < 0)
        m_cboBossKey->addItem(BossKey(stored).displayName(), stored);
    m_cboBossKey->setCurrentIndex(m_cboBossKey->findData(stored));
    m_txtSpeechRate->setValue(s.readIniValue(Settings::kMain, ReadAloud::rateKey()).toInt());
    // A voice that is gone stays chosen: the engine then takes its first Chinese one.
    const QString voice = s.readIniValue(Settings::kMain, ReadAloud::voiceKey());
    if (m_cboSpeechVoice->findData(voice) < 0)
        m_cboSpeechVoice->addItem(voice, voice);
    m_cboSpeechVoice->setCurrentIndex(m_cboSpeechVoice->findData(voice));
    fillSchemes();
    updatePreview();

    connect(m_cmdBgColor, &QPushButton::clicked, this, [this] {
        const QColor c = Messages::color(this, tr("背景颜色"), m_bgColor);
        if (c.isValid())
            setBgColor(c);
    });
    connect(m_cmdFontColor, &QPushButton::clicked, this, [this] {
        const QColor c = Messages::color(this, tr("字体颜色"), m_fontColor);
        if (c.isValid())
            setFontColor(c);
    });
    connect(pick, &QPushButton::clicked, this, &FrmContentSet::pickPicture);
    connect(saveAs, &QPushButton::clicked, this, &FrmContentSet::saveScheme);
    connect(remove, &QPushButton::clicked, this, &FrmContentSet::deleteScheme);
    connect(m_lstScheme, &QListWidget::itemClicked, this, &FrmContentSet::chooseScheme);
    connect(ok, &QPushButton::clicked, this, &FrmContentSet::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QComboBox* combo :
         {m_cboBgImg, m_cboFontName, m_cboFontSize, m_cboTitleFontName, m_cboTitleFontSize, m_cboLineHeight})
        connect(combo, &QComboBox::currentTextChanged, this, &FrmContentSet::updatePreview);
    connect(m_chkBold, &QCheckBox::toggled, this, &FrmContentSet::updatePreview);
    connect(m_chkItalic, &QCheckBox::toggled, this, &FrmContentSet::updatePreview);
}

FrmContentSet::~FrmContentSet() = default;

void FrmContentSet::setBgColor(const QColor& color) {
    m_bgColor = color;
    m_cmdBgColor->setStyleSheet(colorStyle(color));
    updatePreview();
}

void FrmContentSet::setFontColor(const QColor& color) {
    m_fontColor = color;
    m_cmdFontColor->setStyleSheet(colorStyle(color));
    updatePreview();
}

void FrmContentSet::fillPictures(const QString& current) {
    m_cboBgImg->clear();
    m_cboBgImg->addItem(tr("无"));
    m_cboBgImg->addItems(m_schemes->backgroundPictures());
    const int at = current.isEmpty() ? 0 : m_cboBgImg->findText(current);
    m_cboBgImg->setCurrentIndex(at < 0 ? 0 : at);
}

void FrmContentSet::fillSchemes() {
    m_lstScheme->clear();
    m_lstScheme->addItems(m_schemes->names());
}

void FrmContentSet::fillFrom(const ShowType& scheme) {
    // Fields: Name, BgColor, BgImg, FontSize, FontColor, FontName, FontBold, FontItalic, TitleFontName,
    // TitleFontSize.
    const QColor bg(scheme.fields[1]);
    setBgColor(bg.isValid() ? bg : QColor(0xE7, 0xF4, 0xFE));
    const int picture = scheme.fields[2].isEmpty() ? 0 : m_cboBgImg->findText(scheme.fields[2]);
    m_cboBgImg->setCurrentIndex(picture < 0 ? 0 : picture);
    setComboText(m_cboFontSize, scheme.fields[3]);
    const QColor fg(scheme.fields[4]);
    setFontColor(fg.isValid() ? fg : QColor(Qt::black));
    setComboText(m_cboFontName, scheme.fields[5]);
    m_chkBold->setChecked(scheme.fields[6].compare(QLatin1String("Bold"), Qt::CaseInsensitive) == 0);
    m_chkItalic->setChecked(scheme.fields[7].compare(QLatin1String("Italic"), Qt::CaseInsensitive) == 0);
    setComboText(m_cboTitleFontName, scheme.fields[8]);
    setComboText(m_cboTitleFontSize, scheme.fields[9]);
    updatePreview();
}

ShowType FrmContentSet::currentScheme(const QString& name) const {
    ShowType scheme;
    scheme.fields[0] = name;
    scheme.fields[1] = DisplaySettings::colorText(m_bgColor.red(), m_bgColor.green(), m_bgColor.blue());
    scheme.fields[2] = m_cboBgImg->currentIndex() <= 0 ? QString() : m_cboBgImg->currentText();
    scheme.fields[3] = m_cboFontSize->currentText().trimmed();
    scheme.fields[4] = DisplaySettings::colorText(m_fontColor.red(), m_fontColor.green(), m_fontColor.blue());
    scheme.fields[5] = m_cboFontName->currentText().trimmed();
    scheme.fields[6] = m_chkBold->isChecked() ? QStringLiteral("Bold") : QStringLiteral("None");
    scheme.fields[7] = m_chkItalic->isChecked() ? QStringLiteral("Italic") : QStringLiteral("None");
    scheme.fields[8] = m_cboTitleFontName->currentText().trimmed();
    scheme.fields[9] = m_cboTitleFontSize->currentText().trimmed();
    return scheme;
}

void FrmContentSet::updatePreview() {
    if (!m_picPreview || !m_cboBgImg)
        return;
    QString background = QStringLiteral("background-color: %1;").arg(m_bgColor.name());
    if (m_cboBgImg->currentIndex() > 0)
        background +=
            QStringLiteral("background-image: url(\"%1\");")
                .arg(m_library.folder().file(QLatin1String("bgimage/") + m_cboBgImg->currentText()));
    m_picPreview->setStyleSheet(QStringLiteral("QLabel { %1 color: %2; border: 1px solid #aaa; }")
                                    .arg(background, m_fontColor.name()));
    QFont title(m_cboTitleFontName->currentText());
    title.setPointSize(std::max(6, m_cboTitleFontSize->currentText().toInt()));
    QFont body(m_cboFontName->currentText());
    body.setPointSize(std::max(6, m_cboFontSize->currentText().toInt()));
    body.setBold(m_chkBold->isChecked());
    body.setItalic(m_chkItalic->isChecked());
    m_picPreview->setText(QStringLiteral("<div style=\"font-family:'%1'; font-size:%2pt; font-weight:bold\" "
                                         "align=center>第一章 山雨欲来</div><div style=\"font-family:'%3'; "
                                         "font-size:%4pt; %5 %6\">　　夜色渐深，窗外的雨声一阵紧过一阵。"
                                         "他合上书卷，听那檐下的风铃叮当作响。</div>")
                              .arg(title.family().toHtmlEscaped())
                              .arg(title.pointSize())
                              .arg(body.family().toHtmlEscaped())
                              .arg(body.pointSize())
                              .arg(body.bold() ? QStringLiteral("font-weight:bold;") : QString(),
                                   body.italic() ? QStringLiteral("font-style:italic;") : QString()));
}

void FrmContentSet::pickPicture() {
    const QString file =
        Messages::openFileName(this, tr("自选图片"), QString(), tr("图片(*.gif *.jpg *.jpeg *.bmp *.png)"));
    if (file.isEmpty())
        return;
    const QString error = m_schemes->addBackgroundPicture(file);
    if (!error.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    fillPictures(QFileInfo(file).fileName());
}

void FrmContentSet::saveScheme() {
    const QString name = m_txtSchemeName->text().trimmed();
    if (name.isEmpty()) {
        Messages::warning(this, tr("请输入方案名称"));
        return;
    }
    if (m_schemes->indexOf(name) >= 0 && !Messages::question(this, tr("该方案名称已存在，是否覆盖?")))
        return;
    if (!m_schemes->put(currentScheme(name)))
        return;
    fillSchemes();
    Messages::information(this, tr("方案保存成功"));
}

void FrmContentSet::deleteScheme() {
    QListWidgetItem* item = m_lstScheme->currentItem();
    if (!item || !item->isSelected()) {
        Messages::warning(this, tr("请选择具体的方案"));
        return;
    }
    if (!Messages::question(this, tr("确定删除该方案?")))
        return;
    if (m_schemes->remove(item->text())) {
        fillSchemes();
        Messages::information(this, tr("方案删除成功"));
    }
}

void FrmContentSet::chooseScheme() {
    QListWidgetItem* item = m_lstScheme->currentItem();
    if (!item)
        return;
    const int at = m_schemes->indexOf(item->text());
    if (at < 0)
        return;
    m_txtSchemeName->setText(item->text());
    fillFrom(m_schemes->list().at(at));
}

void FrmContentSet::accept() {
    Settings& s = m_library.settings();
    ReadingSchemes::applyTo(currentScheme(QString()), s);
    s.setValue(QStringLiteral("ScrollSpeed"), QString::number(m_txtScrollSpeed->value()));
    s.setValue(QStringLiteral("LineHeight"), m_cboLineHeight->currentText().trimmed());
    s.setValue(QStringLiteral("BossKey"), m_cboBossKey->currentData().toString());
    if (!s.saveDisplaySettings() ||
        !s.writeIniValue(Settings::kMain, ReadAloud::rateKey(), QString::number(m_txtSpeechRate->value())) ||
        !s.writeIniValue(Settings::kMain, ReadAloud::voiceKey(), m_cboSpeechVoice->currentData().toString()))
        Messages::warning(this, s.lastError());
    QDialog::accept();
}
