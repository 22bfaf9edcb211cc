#pragma once

#include <QString>
#include <QStringList>

// Cutting a chapter text into pieces.
namespace ChapterSplit {

struct Pieces {
    QString error;      // the regular expression's message
    QStringList pieces; // every piece, empty ones included, in order; joined they give the text
    int matches = 0;    // matches that mark a piece (zero-length ones do not)
};

// Each match of the pattern begins a piece; the first piece is what comes before the first match.
Pieces byPattern(const QString& text, const QString& pattern);

// Consecutive pieces of about size characters (size > 0). A cut never falls inside a tag, an entity
// or a surrogate pair: it moves back to where they begin, or past their end when that would leave
// the piece empty.
QStringList bySize(const QString& text, int size);

// The title made from a piece: tags and entities, line breaks, tabs and angle brackets gone, cut before a run
// of four spaces after the third character and before the first of "<，：！。？…?!:~─". May be "".
QString pieceTitle(const QString& piece);

} // namespace ChapterSplit
