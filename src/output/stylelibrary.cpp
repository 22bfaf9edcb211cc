#include "output/stylelibrary.h"

#include "output/pagetemplates.h"
#include "storage/files.h"
#include "storage/libraryfolder.h"
#include "storage/recordlists.h"
#include "storage/settings.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFileInfo>

StyleLibrary::StyleLibrary(const LibraryFolder& folder)
    : m_folder(folder) {}

QStringList StyleLibrary::userStyles() const {
    QList<BookModel> models;
    listUserModels(m_folder.path(), models);
    QStringList names;
    for (const BookModel& model : models)
        names << model.name;
    return names;
}

bool StyleLibrary::isUserStyle(const QString& name) const {
    return !PageTemplates::isBuiltInStyle(name) && userStyles().contains(name);
}

QString StyleLibrary::pagePath(const QString& style, Page page) const {
    return page == Page::Chapter ? PageTemplates::chapterTemplatePath(m_folder, style)
                                 : PageTemplates::listTemplatePath(m_folder, style);
}

QString StyleLibrary::pageText(const QString& style, Page page) const {
    return page == Page::Chapter ? PageTemplates::readChapterTemplate(m_folder, style)
                                 : PageTemplates::readListTemplate(m_folder, style);
}

bool StyleLibrary::writeModelList() const {
    QList<BookModel> models;
    listUserModels(m_folder.path(), models);
    return writeTextFile(m_folder.file(QStringLiteral("BookModel.xml")),
                         bookModelsText(models, QStringLiteral("BookModel")));
}

QString StyleLibrary::addStyle(const QString& name, const QString& currentStyle) {
    const QString problem = checkFileNameChars(name, tr("名称"));
    if (!problem.isEmpty())
        return problem;
    if (name.trimmed().isEmpty())
        return tr("样式名称不能为空");
    if (PageTemplates::isBuiltInStyle(name) || userStyles().contains(name, Qt::CaseInsensitive))
        return tr("已有此名，请重新新增");
    const QString dir = m_folder.file(QStringLiteral("usermodel/") + name);
    QString error;
    if (!writeTextFile(dir + QLatin1String("/chaptermodel.htm"), pageText(currentStyle, Page::Chapter),
                       "GB18030", &error) ||
        !writeTextFile(dir + QLatin1String("/listmodel.htm"), pageText(currentStyle, Page::List), "GB18030",
                       &error))
        return error;
    writeModelList();
    return {};
}

QString StyleLibrary::deleteStyle(const QString& name) {
    if (!isUserStyle(name))
        return tr("只能删除自增项，其他不能删除");
    if (!QDir(m_folder.file(QStringLiteral("usermodel/") + name)).removeRecursively())
        return tr("无法删除文件夹 %1").arg(m_folder.file(QStringLiteral("usermodel/") + name));
    writeModelList();
    return {};
}

QString StyleLibrary::saveStyle(const QString& style, const QString& newName, Page page, const QString& text,
                                Settings& settings) {
    const QString name = newName.trimmed();
    if (name.isEmpty())
        return tr("样式名称不能为空");
    QString target = style;
    if (name != style) {
        // Only a user style can be renamed; its folder follows the name.
        if (!isUserStyle(style) || PageTemplates::isBuiltInStyle(name) || userStyles().contains(name))
            return tr("已有此样式名称，请重新输入");
        const QString problem = checkFileNameChars(name, tr("名称"));
        if (!problem.isEmpty())
            return problem;
        if (!QDir(m_folder.file(QStringLiteral("usermodel"))).rename(style, name))
            return tr("无法更改样式名称");
        target = name;
        writeModelList();
    }
    QString error;
    if (!writeTextFile(pagePath(target, page), text, "GB18030", &error))
        return error;
    settings.setValue(QStringLiteral("ArticleStyle"), target);
    if (!settings.writeIniValue(Settings::kMain, QStringLiteral("ArticleStyle"), target))
        return settings.lastError();
    return {};
}

QString StyleLibrary::helpText() {
    return tr(
        "说明：[[title]]：表示标题；[[Content]]：表示章节内容；<!--BookContent Start--!>：章节开始标志；"
        "<!--BookContent End--!>：章节结束标志");
}
