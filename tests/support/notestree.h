#pragma once

#include "writer/writerstore.h"

#include <QList>
#include <QString>

// "人物(主角(张三)),图片": a novel's notes as WriterStore::tree gives them, children in brackets.
inline QString renderNotes(const QList<WriterNote>& notes) {
    QString text;
    int depth = 0;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const WriterNote& n = notes.at(i);
        if (i > 0)
            text += n.depth > depth ? QStringLiteral("(") : QStringLiteral(",");
        for (; depth > n.depth; --depth)
            text.insert(text.size() - 1, u')');
        depth = n.depth;
        text += n.title;
    }
    return text + QString(depth, u')');
}
