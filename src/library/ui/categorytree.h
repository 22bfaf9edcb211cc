#pragma once

#include <QString>

class LibraryContext;
class QTreeWidget;

// The category trees of the category dialogs: the library's root (standing for "no category") and
// its categories, keyed as the main window's tree ("BookList", "组别" + code).
namespace CategoryTree {

void fill(QTreeWidget* tree, const LibraryContext& library, bool withRoot, const QString& exceptCode = {});
// The key of the chosen node; "" when none is chosen.
QString chosenKey(const QTreeWidget* tree);
// The category code of the chosen node; "" for the root or none.
QString chosenCode(const QTreeWidget* tree);
bool choose(QTreeWidget* tree, const QString& key);

} // namespace CategoryTree
