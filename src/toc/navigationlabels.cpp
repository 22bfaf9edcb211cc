#include "toc/navigationlabels.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <QtGlobal>

// Outside any namespace: the resource's initializer is a global function. Naming it here keeps the
// resource in every program that uses the labels, however the static core library was linked.
static void initNavigationLabelsResource() {
    Q_INIT_RESOURCE(navigationlabels);
}

// Link texts of site menus, category lists, account and help pages: a link carrying exactly one of
// these is never a chapter. data/navigationlabels.txt lists them as the sites write them, one per
// line; they are compared upper-cased and trimmed.
const QSet<QString>& navigationLabels() {
    static const QSet<QString> labels = [] {
        initNavigationLabelsResource();
        QSet<QString> set;
        QFile file(QStringLiteral(":/toc/navigationlabels.txt"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("navigation labels: the resource :/toc/navigationlabels.txt is missing");
            return set;
        }
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString& line : lines) {
            const QString label = line.trimmed().toUpper();
            if (!label.isEmpty())
                set.insert(label);
        }
        return set;
    }();
    return labels;
}

bool isNavigationLabel(const QString& title) {
    return navigationLabels().contains(title.trimmed().toUpper());
}
