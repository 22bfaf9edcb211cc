#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class LibraryFolder;
class Settings;

// The display styles as the template window edits them: the built-in ones in model/, the user's in
// usermodel/<name>/ (chaptermodel.htm, listmodel.htm), listed in BookModel.xml of the library.
// Every change returns "" or the message for the user.
class StyleLibrary {
    Q_DECLARE_TR_FUNCTIONS(StyleLibrary)

public:
    enum class Page { Chapter, List };

    explicit StyleLibrary(const LibraryFolder& folder);

    QStringList userStyles() const;
    bool isUserStyle(const QString& name) const;
    QString pagePath(const QString& style, Page page) const;
    QString pageText(const QString& style, Page page) const;

    // A new user style with copies of the templates of currentStyle.
    QString addStyle(const QString& name, const QString& currentStyle);
    QString deleteStyle(const QString& name);
    // Writes the page of the style, renaming a user style to newName first; the style becomes the
    // one in use (ArticleStyle of section Main).
    QString saveStyle(const QString& style, const QString& newName, Page page, const QString& text,
                      Settings& settings);

    // "说明：[[title]]：表示标题；…"
    static QString helpText();

private:
    bool writeModelList() const;

    const LibraryFolder& m_folder;
};
