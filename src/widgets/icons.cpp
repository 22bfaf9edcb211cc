#include "widgets/icons.h"

#include <QFile>
#include <QHash>

// The pictures live in the UI library, which is linked statically: its resources must be pulled in.
// (Outside any namespace: the macro declares a global function.)
static bool initIconResources() {
    Q_INIT_RESOURCE(icons);
    return true;
}

namespace {

void initResources() {
    static const bool done = initIconResources();
    Q_UNUSED(done);
}

QIcon load(const QString& folder, const QString& name) {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1/%2.png").arg(folder, name));
    icon.addFile(QStringLiteral(":/icons/%1/%2@2x.png").arg(folder, name));
    return icon;
}

} // namespace

namespace Icons {

QIcon tree(const QString& name) {
    initResources();
    static QHash<QString, QIcon> icons;
    auto it = icons.find(name);
    if (it == icons.end())
        it = icons.insert(name, load(QStringLiteral("tree"), name));
    return *it;
}

QIcon tool(const QString& key, bool simpleSkin) {
    initResources();
    const QString set = simpleSkin ? QStringLiteral("simple") : QStringLiteral("modern");
    if (!QFile::exists(QStringLiteral(":/icons/%1/%2.png").arg(set, key)))
        return QIcon();
    return load(set, key);
}

} // namespace Icons
