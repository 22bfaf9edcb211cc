// The windows around the library: database upkeep, the bookcase, the writing assistant.
#include "app/ui/frmbook.h"

#include "companion/ui/frmdaytip.h"
#include "companion/ui/frmdbmaintain.h"
#include "companion/ui/frmtoolbar.h"
#include "library/treekeys.h"
#include "storage/librarycontext.h"

void FrmBook::mnuBackUp() {
    FrmDBMaintain dialog(m_library, this);
    dialog.exec();
    // The library's rows are those of the backup now: nothing shown may stay.
    if (dialog.restored()) {
        fillTree();
        selectNode(TreeKeys::kRoot);
    }
}

void FrmBook::mnuDayTip() {
    FrmDayTip(this).exec();
}

void FrmBook::mnuToolbarDefine() {
    FrmToolBar dialog(m_library, this);
    if (dialog.exec() == QDialog::Accepted)
        settbrWeb();
}
