#pragma once

// Splits fuzz input into texts at 0xFF bytes (never part of valid UTF-8), so one input can carry a
// text, markers or a pattern and a replacement.

#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>

inline QList<QString> fuzzTexts(const uint8_t* data, size_t size, int count) {
    QList<QString> texts;
    const char* begin = reinterpret_cast<const char*>(data);
    const char* end = begin + size;
    while (texts.size() < count - 1) {
        const char* cut = begin;
        while (cut < end && uint8_t(*cut) != 0xFF)
            ++cut;
        texts.append(QString::fromUtf8(begin, cut - begin));
        begin = cut < end ? cut + 1 : end;
    }
    texts.append(QString::fromUtf8(begin, end - begin));
    return texts;
}

// A broken promise is a finding: stop so that libFuzzer keeps the input.
inline void fuzzCheck(bool condition) {
    if (!condition)
        std::abort();
}
