#pragma once

#include "screens/answer_rows.h"
#include "screens/control_array.h"

#include <QString>

class PictureBox;
class QWidget;
struct QuestionValues;
namespace Ui {
class QuestionPanel;
}

// The window's default font, set before its controls exist: styled controls take their font when
// they are made. Compact, so that the status strip's date fits its 64-pixel label.
void setCompactFont(QWidget &window);

// Loads the question panel's controls into `panel` as the exam lays them out, with the fonts,
// sizes and text formats the exam shows questions in. The exam window and the staff's tools both
// build their panel this way, so a question looks the same in each. Returns `ui`.
Ui::QuestionPanel &setUpQuestionPanel(Ui::QuestionPanel &ui, PictureBox &panel);

// The question panel's answer arrays: option buttons and check boxes, copies of the two hidden
// templates.
struct PanelAnswers
{
    explicit PanelAnswers(Ui::QuestionPanel &ui);

    ControlArray<AnswerOption> Option1;
    ControlArray<AnswerCheck> Check1;
};

// Puts a question on the panel: its text, then its picture (from `picturesFolder`, or none), then
// the four answers of its kind, each loaded, placed, shown and captioned in turn. No answer element
// may be loaded on entry. A value the panel cannot show ends in the engine's or the runtime's
// error.
void presentQuestion(Ui::QuestionPanel &ui, PanelAnswers &answers, const QuestionValues &question,
                     const QString &picturesFolder);
