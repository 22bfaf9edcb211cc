#pragma once

#include <QString>

// The reversible scrambling of the site list file: hexadecimal pairs, each byte shifted by the
// previous output and mixed with the key "qzqz". Mode "E" encodes, "D" decodes, anything else
// gives "". Text is scrambled as its GB18030 bytes, so any text round-trips (ASCII text gives the
// same output as before).
QString scrambleText(const QString& mode, const QString& text);

// "E" with a chosen start offset (1..255) instead of a random one: known outputs for tests.
QString scrambleEncode(const QString& text, int offset);
