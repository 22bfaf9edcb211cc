#include "text/chinese.h"

#include "text/charset.h"

#include <QFile>
#include <QMutex>
#include <QStandardPaths>

#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/opencc.h>

#include <array>
#include <cstdio>
#include <memory>

namespace {

// Partner of each BMP character; 0 where the character stays as it is.
using Table = std::array<char32_t, 0x10000>;

QString openccFile(const QString& name) {
    const QString found =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QLatin1String("opencc/") + name);
    return found.isEmpty() ? QLatin1String("/usr/share/opencc/") + name : found;
}

// Fills the table from one of the character dictionaries: key → first listed value (or, with
// big5Only, the first value Big5 can hold).
bool loadCharacterTable(const QString& dictionaryName, bool big5Only, Table& table) {
    table.fill(0);
    FILE* file = std::fopen(QFile::encodeName(openccFile(dictionaryName)).constData(), "rb");
    if (!file)
        return false;
    bool loaded = false;
    try {
        const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(file);
        for (const auto& entry : *dict->GetLexicon()) {
            const QList<uint> key = QString::fromStdString(entry->Key()).toUcs4();
            if (key.size() != 1 || key.first() > 0xFFFF || !isDoubleByte(key.first()))
                continue;
            char32_t partner = 0;
            for (const std::string& value : entry->Values()) {
                const QList<uint> v = QString::fromStdString(value).toUcs4();
                if (v.size() != 1)
                    continue;
                if (!big5Only || big5CanEncode(v.first())) {
                    partner = v.first();
                    break;
                }
            }
            if (partner == 0 && big5Only && entry->NumValues() > 0) {
                const QList<uint> v = QString::fromStdString(entry->GetDefault()).toUcs4();
                partner = v.size() == 1 ? v.first() : 0;
            }
            if (partner != 0 && partner != key.first())
                table[key.first()] = partner;
        }
        loaded = true;
    } catch (...) {
        loaded = false;
    }
    std::fclose(file);
    return loaded;
}

struct Tables {
    Table toTraditional;
    Table toTraditionalBig5;
    Table toSimplified;
    bool ok = false;
};

const Tables& tables() {
    static const std::unique_ptr<Tables> built = [] {
        auto t = std::make_unique<Tables>();
        t->ok = loadCharacterTable(QStringLiteral("STCharacters.ocd2"), false, t->toTraditional) &&
                loadCharacterTable(QStringLiteral("STCharacters.ocd2"), true, t->toTraditionalBig5) &&
                loadCharacterTable(QStringLiteral("TSCharacters.ocd2"), false, t->toSimplified);
        return t;
    }();
    return *built;
}

QString convertCharacters(const QString& text, const Table& table) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char32_t partner = table[c.unicode()];
        if (partner == 0)
            out += c;
        else if (partner <= 0xFFFF)
            out += QChar(char16_t(partner));
        else
            out += QChar::fromUcs4(partner);
    }
    return out;
}

class PhraseConverter {
public:
    explicit PhraseConverter(const QString& config)
        : m_handle(opencc_open(QFile::encodeName(openccFile(config)).constData())) {}
    ~PhraseConverter() {
        if (valid())
            opencc_close(m_handle);
    }
    bool valid() const { return m_handle != reinterpret_cast<opencc_t>(-1); }

    QString convert(const QString& text) {
        if (!valid())
            return text;
        const QByteArray utf8 = text.toUtf8();
        const QMutexLocker lock(&m_mutex);
        char* converted = opencc_convert_utf8(m_handle, utf8.constData(), size_t(utf8.size()));
        if (!converted)
            return text;
        const QString result = QString::fromUtf8(converted);
        opencc_convert_utf8_free(converted);
        return result;
    }

private:
    opencc_t m_handle;
    QMutex m_mutex;
};

QString convertPhrases(const QString& text, bool toTraditional) {
    static PhraseConverter s2t(QStringLiteral("s2t.json"));
    static PhraseConverter t2s(QStringLiteral("t2s.json"));
    return (toTraditional ? s2t : t2s).convert(text);
}

} // namespace

int chineseDigitValue(const QString& ch) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    if (ch.size() != 1)
        return -1;
    const qsizetype digit = digits.indexOf(ch.at(0));
    if (digit >= 0)
        return int(digit);
    switch (ch.at(0).unicode()) {
    case u'十':
        return 10;
    case u'百':
        return 100;
    case u'千':
        return 1000;
    case u'万':
        return 10000;
    case u'亿':
        return 100000000;
    default:
        return -1;
    }
}

QString numberToChinese(int n) {
    if (n < 0 || n > 999)
        return {};
    static const QString d = QStringLiteral("零一二三四五六七八九");
    QString out;
    if (n / 100 != 0)
        out += d.at(n / 100) + QStringLiteral("百");
    const int tens = n % 100 / 10;
    if (tens == 0) {
        if (out.contains(u'百') && n % 10 != 0)
            out += u'零';
    } else if (tens == 1) {
        out += out.contains(u'百') ? QStringLiteral("一十") : QStringLiteral("十");
    } else {
        out += d.at(tens) + QStringLiteral("十");
    }
    if (n % 10 != 0)
        out += d.at(n % 10);
    return out;
}

QString convertChineseScript(const QString& text, bool toTraditional, ScriptConversion how) {
    if (text.isEmpty())
        return text;
    if (how == ScriptConversion::Phrases)
        return convertPhrases(text, toTraditional);
    const Tables& t = tables();
    if (!t.ok)
        return text;
    if (!toTraditional)
        return convertCharacters(text, t.toSimplified);
    return convertCharacters(text, how == ScriptConversion::CharactersForBig5 ? t.toTraditionalBig5
                                                                              : t.toTraditional);
}

bool chineseScriptTablesAvailable() {
    return tables().ok;
}
