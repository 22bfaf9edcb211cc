#pragma once

#include <QCoreApplication>
#include <QString>

class Database;
class PageSource;

// The checks of the novel dialog and of the command line's add, each returning the message the user
// is shown ("" when the value passes), and the ways a name is made from a page title.
class AddNovelRules {
    Q_DECLARE_TR_FUNCTIONS(AddNovelRules)

public:
    static QString defaultName() { return tr("新小说"); }
    static QString namePrompt() { return tr("请输入小说名称或者目录页网址"); }
    static QString badNameText() { return tr("小说名称不能包含<>?:\"|*%#等特殊符号，请重新输入"); }
    static QString duplicateNameText() { return tr("已有同名的小说，请重新输入"); }
    static QString badListUrlText() { return tr("无效的目录页网址"); }

    // Empty, "#" or "%", a name no file can carry, a name another novel has (the novel being edited
    // excepted). tempFolder is where the trial file "<name>.txt" is made and removed again.
    static QString checkName(const Database& db, const QString& name, bool isNew, const QString& tempFolder,
                             const QString& exceptNovelId = QString());
    // Whether a file named after the novel can be made in the folder. A file of that name that is
    // there already is left alone and counts as usable.
    static bool canNameFile(const QString& name, const QString& tempFolder);

    // A local path ("C:…", "/…", "file:") needs no network check.
    static bool isLocalPath(const QString& address);
    // The list address must answer a GET unless it is local; the page's bytes and Content-Type are
    // handed back for reading its title. "" when the address is fine, else "无效的目录页网址".
    static QString checkListUrl(PageSource& source, const QString& address, QByteArray* page = nullptr,
                                QString* contentType = nullptr);
    // Site signs belong to http addresses only.
    static bool hasSiteRoot(const QString& address);

    // The checks of the search buttons: "名称不能为空" (also for "\"\"" and "“”"), "作者姓名不能为空".
    static QString checkSearchName(const QString& name);
    static QString checkAuthor(const QString& author);

    // The book's name in a page title: separators unified to "-", the first piece, or the second when
    // the first is the name of a site that puts itself first.
    static QString titleToName(const QString& title);
    // The name of the page's <title>, by titleToName.
    static QString nameFromPage(const QString& page);

    // An address handed over through the clipboard or the browser: "http:…", optionally followed by
    // "||" and the page title. address is "" when the text is no such address.
    struct Handed {
        QString address;
        QString name;
    };
    static Handed handedAddress(const QString& text);
};
