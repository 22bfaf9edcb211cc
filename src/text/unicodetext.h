#pragma once

#include <QString>

// Chapter titles and texts pass through this before they are stored: NUL characters go (they end a
// string in the page files and the database), the rest stays the same Unicode text. With the display
// charset "big5" the text passes unchanged.
QString normalizeUnicodeText(const QString& text, const QString& displayCharset);
