#include "companion/readingtoolbarkeys.h"

#include <algorithm>

const QList<ReadingToolbarKeys::Button>& ReadingToolbarKeys::buttons() {
    static const QList<Button> list = {
        {"Back", "webBack", "Back", QT_TR_NOOP("后退"), false},
        {"Forward", "webForward", "Forward", QT_TR_NOOP("前进"), false},
        {"Refresh", "webRefresh", "Refresh", QT_TR_NOOP("刷新"), false},
        {"Stop", "webStop", "WebStop", QT_TR_NOOP("停止"), false},
        {"Goto", "mnuSelectNotRead", "Goto", QT_TR_NOOP("跳至未读章节"), false},
        {"AllScreen", "mnuAllScreen", "AllScreen", QT_TR_NOOP("全屏/还原"), false},
        {"Up", "webUp", "Up", QT_TR_NOOP("上一章"), false},
        {"Down", "webDown", "Down", QT_TR_NOOP("下一章"), false},
        {"Edit", "webEdit", "Edit", QT_TR_NOOP("编辑章节内容"), false},
        {"Find", "mnuFind", "Find", QT_TR_NOOP("查找/替换"), false},
        {"Delete", "extTitleDel", "Delete", QT_TR_NOOP("删除章节"), false},
        {"AddContent", "extNewContent", "AddContent", QT_TR_NOOP("新增章节"), false},
        {"NewContent", "extNewContent", "AddContent", QT_TR_NOOP("新增章节"), true},
        {"InsertContent", "extInsertContent", "InsertContent", QT_TR_NOOP("插入章节"), false},
        {"BatchContent", "mnuBatchContent", "BatchContent", QT_TR_NOOP("添加成批章节"), false},
        {"GetLocalFile", "mnuGetLocalFile", "GetLocalFile", QT_TR_NOOP("导入本地文件"), false},
        {"ContentProp", "extContentProp", "ContentProp", QT_TR_NOOP("编辑章节属性"), false},
        {"ContentReNew", "extContentReNew", "ContentReNew", QT_TR_NOOP("重新下载章节内容"), false},
        {"ReNewContent", "extContentReNew", "ContentReNew", QT_TR_NOOP("重新下载章节内容"), true},
        {"ReNewVolume", "mnuVolumeReNew", "ReNewVolume", QT_TR_NOOP("重新下载分卷名称"), false},
        {"ReNewLackPic", "mnuLackPicReNew", "ReNewLackPic", QT_TR_NOOP("重新下载缺图章节"), false},
        {"ReNewOtherInfo", "mnuOtherInfoReNew", "ReNewOtherInfo", QT_TR_NOOP("重新下载作者等信息"), false},
        {"ReNewEmpty", "mnuReNewEmpty", "ReNewEmpty", QT_TR_NOOP("重新下载空白章节"), false},
        {"ReNewPic", "mnuPic2TxtReNew", "ReNewPic", QT_TR_NOOP("重新下载图片章节"), false},
        {"Equal", "mnuEqual", "Equal", QT_TR_NOOP("同步书目"), false},
        {"Bookmarks", "mnuBookmarkList", "Bookmarks", QT_TR_NOOP("书签列表"), false},
        {"Bookmark", "mnuBookmark", "Bookmark", QT_TR_NOOP("添加书签"), false},
        {"BookmarkAdd", "mnuBookmark", "Bookmark", QT_TR_NOOP("添加书签"), true},
        {"BookmarkEnter", "mnuBookmarkEnter", "BookmarkEnter", QT_TR_NOOP("跳至本书书签"), false},
        {"ListHtm", "mnuListAgain", "ListHtm", QT_TR_NOOP("重新生成目录页"), false},
        {"ListPage", "mnuListAgain", "ListHtm", QT_TR_NOOP("重新生成目录页"), true},
        {"VolumeSet", "mnuVolumeSet", "VolumeSet", QT_TR_NOOP("设定分卷名"), false},
        {"VolumeGen", "mnuVolumeText", "AllText", QT_TR_NOOP("生成分卷阅读页"), false},
        {"AllText", "mnuAllText", "AllText", QT_TR_NOOP("全文阅读"), false},
        {"ContentSet", "mnuContentSet", "ContentSet", QT_TR_NOOP("阅读设置"), false},
        {"IEOpen", "extIEOpen", "IEOpen", QT_TR_NOOP("在外部浏览器中打开"), false},
        {"Sound", "mnuSound", "Sound", QT_TR_NOOP("朗读"), false},
        {"LastSearch", "mnuLastSearch", "LastSearch", QT_TR_NOOP("最后一次搜索结果"), false},
        {"TotalView", "mnuTotalView", "TotalView", QT_TR_NOOP("小说总览"), false},
    };
    return list;
}

const ReadingToolbarKeys::Button* ReadingToolbarKeys::find(const QString& key) {
    const auto it = std::find_if(buttons().begin(), buttons().end(),
                                 [&key](const Button& b) { return key == QLatin1String(b.key); });
    return it == buttons().end() ? nullptr : &*it;
}

QString ReadingToolbarKeys::caption(const Button& button) {
    return tr(button.caption);
}

QString ReadingToolbarKeys::defaultKeys() {
    return QStringLiteral("Back,Forward,Refresh,NN1,Up,Down,Goto,NN2,AllScreen,ContentSet,NN3,Bookmark,"
                          "BookmarkEnter,Bookmarks,NN4,ListHtm,AllText,IEOpen,TotalView,Edit");
}

QStringList ReadingToolbarKeys::parse(const QString& stored) {
    const QString keys = stored.trimmed().isEmpty() ? defaultKeys() : stored;
    QStringList list;
    for (const QString& key : keys.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list << key.trimmed();
    list.removeAll(QString());
    return list;
}

QString ReadingToolbarKeys::newSeparator(const QStringList& keys) {
    int n = 1;
    while (keys.contains(QStringLiteral("NN%1").arg(n)))
        ++n;
    return QStringLiteral("NN%1").arg(n);
}

QString ReadingToolbarKeys::check(const QStringList& keys) {
    return keys.isEmpty() ? tr("当前工具栏按钮不能为空项，请添加") : QString();
}
