#pragma once

#include <QString>

// Keys of tree nodes and list items; the two-character prefix tells the kind.
namespace TreeKeys {

inline const QString kRoot = QStringLiteral("BookList");
inline const QString kCategory = QStringLiteral("组别");
inline const QString kNovel = QStringLiteral("栏目");
inline const QString kChapter = QStringLiteral("章节");
inline const QString kDay = QStringLiteral("日期");

inline QString category(const QString& code) {
    return kCategory + code;
}
inline QString novel(const QString& novelId) {
    return kNovel + novelId;
}
inline QString chapter(qint64 id) {
    return kChapter + QString::number(id);
}

// The key without its prefix; "" for the root and for keys of another kind.
inline QString idOf(const QString& key, const QString& prefix) {
    return key.startsWith(prefix) && key.size() > prefix.size() ? key.mid(prefix.size()) : QString();
}

} // namespace TreeKeys
