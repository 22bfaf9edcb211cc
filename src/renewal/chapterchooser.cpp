#include "renewal/chapterchooser.h"

#include "storage/prompter.h"

ChapterChooser ChapterChooserPrompt::chooser(Prompter& prompter) {
    return [&prompter](const QString& novelId, const ChapterLinks& candidates) {
        Prompter::Question question;
        question.text = questionText();
        question.subject = novelId;
        question.buttons = {tr("确定"), tr("取消")};
        question.icon = Prompter::Icon::None;
        question.applyToAllText = tr("未选中链接自动过滤");
        for (int i = 0; i < candidates.size(); ++i) {
            const ChapterLink& link = candidates.at(i);
            question.choices.append(link.title + u'\t' + link.volume + u'\t' + link.url);
            question.preselected.append(i);
        }
        const Prompter::Answer answer = prompter.ask(question);
        ChapterChoice choice;
        choice.accepted = answer.button == 0;
        choice.chosen = answer.chosen;
        choice.filterUnchosen = answer.applyToAll;
        if (answer.edited.size() == candidates.size()) {
            for (const QString& row : answer.edited)
                choice.volumes.append(row.section(u'\t', 1, 1));
        }
        return choice;
    };
}
