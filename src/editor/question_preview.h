#pragma once

#include "screens/picture_box.h"
#include "ui_question_panel.h"

#include <array>
#include <memory>
#include <optional>

struct PanelAnswers;
struct QuestionValues;

// The exam window's question panel, as an examinee sees it during a test, showing the question
// being edited. Drawn by the exam's own layout and presentation, so what it shows is what the
// exam shows.
class QuestionPreview final : public PictureBox
{
    Q_OBJECT

public:
    explicit QuestionPreview(QWidget *parent = nullptr);
    ~QuestionPreview() override;

    // Shows the question; with `right`, those answers ticked. Returns what the exam could not
    // show (a missing picture, a missing text), empty when it shows it all: the rest is shown.
    QString showQuestion(const QuestionValues &question, const QString &picturesFolder,
                         const std::optional<std::array<bool, 4>> &right);

    Ui::QuestionPanel &ui() { return m_ui; }

private:
    void unloadAnswers();

    Ui::QuestionPanel m_ui;
    std::unique_ptr<PanelAnswers> m_answers;
};
