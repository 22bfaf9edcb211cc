#pragma once

#include <QSet>
#include <QString>

// The link texts that mark navigation, not chapters, upper-cased and trimmed.
const QSet<QString>& navigationLabels();
// True when the title, trimmed and upper-cased, is one of them.
bool isNavigationLabel(const QString& title);
