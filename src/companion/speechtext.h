#pragma once

#include <QString>
#include <QStringList>

// A chapter page as the sentences read aloud: the title first, then the text between the content
// markers (the body when a page has none), markup dropped and entities decoded, cut after 。！？!?…；
// and at line ends, closing quotes staying with their sentence.
class SpeechText {
public:
    static QStringList sentences(const QString& html);
    // Plain text cut into sentences; pieces with nothing to say (only punctuation or space) dropped.
    static QStringList split(const QString& text);
    // The sentences from where the selected text begins: the sentence holding its start, cut to begin
    // there, and every one after it. All of them when the selection is empty or not found.
    static QStringList from(const QStringList& sentences, const QString& selection);
};
