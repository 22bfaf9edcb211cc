#pragma once

#include <QString>

// The name a site goes by whatever its host prefix: "www.example.com" and "m.example.com" give
// "example.com", "read.example.com.cn" gives "example.com.cn". An IP address or a one-label host is
// kept whole. Lower case; "" for an empty host.
QString registrableDomain(const QString& host);

// True when both addresses lie on one site by their registrable domains; scheme and port do not
// count. False when either address has no host.
bool isSameSite(const QString& address, const QString& otherAddress);
