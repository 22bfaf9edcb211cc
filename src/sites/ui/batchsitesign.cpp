#include "sites/ui/batchsitesign.h"

#include "sites/sitesigntable.h"
#include "widgets/messages.h"
#include "storage/librarycontext.h"

int BatchSiteSign::run(LibraryContext& library, const QStringList& novelIds, QWidget* parent) {
    if (novelIds.isEmpty())
        return 0;
    if (!Messages::question(parent, tr("您是否确定将所有选中的书的正文标志更改为小说正文标志设置中的内容？")))
        return 0;
    SiteSignTable table;
    table.load(library.folder().file(QStringLiteral("sitesign.xml")));
    const int changed = table.applyToNovels(library.database(), novelIds);
    Messages::information(parent, tr("设定完毕"));
    return changed;
}
