#include "sites/sitehost.h"

#include <QHostAddress>
#include <QStringList>
#include <QUrl>

namespace {

// Second-level labels under which country domains hand out names ("example.com.cn", "example.co.uk").
bool isGenericSecondLevel(const QString& label) {
    static const QStringList labels = {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org"),
                                       QStringLiteral("gov"), QStringLiteral("edu"), QStringLiteral("ac"),
                                       QStringLiteral("co"),  QStringLiteral("or"),  QStringLiteral("ne")};
    return labels.contains(label);
}

} // namespace

QString registrableDomain(const QString& host) {
    QString h = host.trimmed().toLower();
    while (h.endsWith(u'.'))
        h.chop(1);
    if (h.isEmpty() || !QHostAddress(h).isNull() || (h.startsWith(u'[') && h.endsWith(u']')))
        return h;
    const QStringList labels = h.split(u'.', Qt::SkipEmptyParts);
    if (labels.size() <= 2)
        return labels.join(u'.');
    const bool countryUnderGeneric =
        labels.last().size() == 2 && isGenericSecondLevel(labels.at(labels.size() - 2));
    return labels.mid(labels.size() - (countryUnderGeneric ? 3 : 2)).join(u'.');
}

bool isSameSite(const QString& address, const QString& otherAddress) {
    const QString a = registrableDomain(QUrl(address.trimmed()).host());
    return !a.isEmpty() && a == registrableDomain(QUrl(otherAddress.trimmed()).host());
}
