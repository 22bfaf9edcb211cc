#pragma once

#include "toc/chapterlistreader.h"

#include <QCoreApplication>

class Prompter;

// The manual choice of new chapters asked through a prompter: every candidate offered as
// "title<TAB>volume<TAB>address", all ticked; "确定" takes the ticked ones, the check box remembers
// the others as excluded links.
class ChapterChooserPrompt {
    Q_DECLARE_TR_FUNCTIONS(ChapterChooserPrompt)

public:
    static ChapterChooser chooser(Prompter& prompter);
    // The question's text, by which a prompter knows the chapter choice.
    static QString questionText() { return tr("选择下载的章节"); }
};
