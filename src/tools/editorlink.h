#pragma once

#include <QString>

// "" when the address may go into a chapter page as a link, otherwise the message to show: an empty
// address, or one that would run a script when clicked.
QString checkLinkAddress(const QString& url);
