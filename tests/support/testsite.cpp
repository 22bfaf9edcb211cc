#include "support/testsite.h"

#include <QDir>

TestSite::TestSite(const QString& name)
    : LocalSiteThread(folder(name)) {}

QString TestSite::folder(const QString& name) {
    return QDir::isAbsolutePath(name) ? name : QStringLiteral(QUIVERAL_TEST_DATA_DIR "/sites/") + name;
}
