#pragma once

#include <QIcon>
#include <QString>

// The program's pictures: tree nodes (":/icons/tree/<name>.png") and tool bar buttons in the two skins.
namespace Icons {

// Shared per name: a large library has thousands of nodes.
QIcon tree(const QString& name);
// The button's picture in the skin ("simple" for the second, else "modern"); a null icon when the
// skin has none, so the button shows its caption.
QIcon tool(const QString& key, bool simpleSkin = false);

} // namespace Icons
