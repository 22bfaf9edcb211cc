#pragma once

#include <QString>

// Chinese numbers and the simplified/traditional script.

// 零..九 0..9, 十 10, 百 100, 千 1000, 万 10000, 亿 100000000; anything else -1.
int chineseDigitValue(const QString& ch);
// 0..999 in Chinese numerals as chapter titles write them ("十五", "一百零五"); 0 and anything out
// of range give "".
QString numberToChinese(int n);

enum class ScriptConversion {
    // One character at a time through the published character table: the first listed partner, and
    // only for double-byte GBK characters.
    Characters,
    // As Characters, but towards traditional it takes the first partner that Big5 can hold, for
    // pages written in the Big5 code page.
    CharactersForBig5,
    // Whole phrases (干 in 干净 and in 树干 differ), for text that is only read.
    Phrases,
};

QString convertChineseScript(const QString& text, bool toTraditional,
                             ScriptConversion how = ScriptConversion::Characters);

// False when the character tables could not be loaded; conversion then leaves text unchanged.
bool chineseScriptTablesAvailable();
