#pragma once

#include <QColor>
#include <QDialog>

#include <memory>

class LibraryContext;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class ReadingSchemes;
struct ShowType;

// "阅读设置": colours, background picture, fonts, spacing, scroll speed and boss key of the reading
// view, with named schemes kept in showtype.xml. "确定" stores the values; the caller regenerates the
// shared style sheet and script.
class FrmContentSet : public QDialog {
    Q_OBJECT

public:
    explicit FrmContentSet(LibraryContext& library, QWidget* parent = nullptr);
    ~FrmContentSet() override;

private:
    void fillFrom(const ShowType& scheme);
    ShowType currentScheme(const QString& name) const;
    void setBgColor(const QColor& color);
    void setFontColor(const QColor& color);
    void fillPictures(const QString& current);
    void fillSchemes();
    void updatePreview();
    void pickPicture();
    void saveScheme();
    void deleteScheme();
    void chooseScheme();
    void accept() override;

    LibraryContext& m_library;
    std::unique_ptr<ReadingSchemes> m_schemes;
    QColor m_bgColor;
    QColor m_fontColor;

    QPushButton* m_cmdBgColor = nullptr;
    QComboBox* m_cboBgImg = nullptr;
    QSpinBox* m_txtScrollSpeed = nullptr;
    QComboBox* m_cboLineHeight = nullptr;
    QComboBox* m_cboFontName = nullptr;
    QComboBox* m_cboFontSize = nullptr;
    QPushButton* m_cmdFontColor = nullptr;
    QCheckBox* m_chkBold = nullptr;
    QCheckBox* m_chkItalic = nullptr;
    QComboBox* m_cboTitleFontName = nullptr;
    QComboBox* m_cboTitleFontSize = nullptr;
    QComboBox* m_cboBossKey = nullptr;
    QSpinBox* m_txtSpeechRate = nullptr;
    QComboBox* m_cboSpeechVoice = nullptr;
    QLabel* m_picPreview = nullptr;
    QListWidget* m_lstScheme = nullptr;
    QLineEdit* m_txtSchemeName = nullptr;
};
