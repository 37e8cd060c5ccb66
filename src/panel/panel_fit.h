#pragma once

#include "screens/picture_box.h"
#include "ui_question_panel.h"
#include "width_bound.h"

#include <QFontMetrics>
#include <QHash>
#include <QString>

// Whether the texts of a question fit the question panel as the exam lays it out: the question's
// label and the answer rows, measured in the same panel, controls and fonts the exam window builds.
// Needs a graphical application object (the offscreen platform will do). Most texts are settled by
// a bound of their width (advances of characters and what shaping adds to each pair of them, each
// measured once); only those near or over the limit are shaped and measured exactly.
class PanelFit final
{
public:
    PanelFit();
    ~PanelFit();
    PanelFit(const PanelFit &) = delete;
    PanelFit &operator=(const PanelFit &) = delete;

    // Empty when the question's text fits its label, else what does not fit.
    QString questionProblem(QStringView text);
    // Empty when an answer fits its row, else what does not fit.
    QString answerProblem(QStringView text, bool checkBox);
    // The room the exam window gives a question's picture; a larger one has its edges cut.
    QSize pictureBox() const { return m_pictureBox; }

private:
    // The most lines the question's text can take in its label, or a negative number when only
    // laying it out can tell.
    int linesAtMost(QStringView text);
    // The lines of the question's font in a laid-out height: whole lines, or any part as one.
    int linesIn(int height, bool roundUp) const;

    PictureBox m_panel;
    Ui::QuestionPanel m_ui;
    QFontMetrics m_questionFont;
    QFontMetrics m_answerFont;
    QSize m_label;
    QSize m_pictureBox;
    int m_optionText = 0; // room for the caption beside the option button's circle
    int m_checkText = 0;  // beside the check box's square
    WidthBound m_questionBound;
    WidthBound m_answerBound;
    int m_firstLine = 0;    // the laid-out height of one line of the question
    int m_nextLine = 0;     // and what each further line adds
    int m_visibleLines = 0; // whole lines the label shows
    // Questions that had to be laid out, with their verdicts: banks repeat long texts too.
    QHash<QString, QString> m_questions;
};
