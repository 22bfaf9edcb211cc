#pragma once

#include <QByteArray>

// The data packed with zlib: windowBits 16 + 15 gives gzip, 15 a zlib stream, -15 bare deflate.
QByteArray packedBytes(const QByteArray& data, int windowBits);
